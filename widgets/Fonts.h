#pragma once
// The screens' fonts. Each names the font of the screen's design first and falls back to one that this
// machine has and that writes Traditional Chinese.

#include <QFont>

namespace widgets {

/// "MS Sans Serif" 8 points, the screens' own font.
QFont screenFont();

} // namespace widgets
