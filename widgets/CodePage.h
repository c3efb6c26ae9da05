#pragma once
// Business text is kept as bytes of code page 950; only the widgets turn it into screen text and back.

#include <QString>

#include <optional>
#include <string>

namespace widgets {

/// Bytes that are not code page 950 show as the replacement mark.
QString decodeText(const std::string &bytes);
/// Empty when the text holds a character that code page 950 cannot write.
std::optional<std::string> encodeText(const QString &text);

} // namespace widgets
