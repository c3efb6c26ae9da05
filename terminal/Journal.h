#pragma once
// The terminal's journal, for a shop's support: one line per posting, per preview and per error shown to the
// operator, written with qCInfo(terminal::journal) or qCWarning(terminal::journal). Where the lines go is
// decided by the program's entry (JournalFile.h). Header only, so that the screens and the preview module
// write to it without linking anything.

#include <QLoggingCategory>

namespace terminal {

inline const QLoggingCategory &journal()
{
    static const QLoggingCategory category("touchmove.journal", QtInfoMsg);
    return category;
}

} // namespace terminal
