#pragma once
// Business text is kept as bytes of code page 950; only the widgets turn it into screen text and back.

#include <QString>
#include <QStringDecoder>

#include <optional>
#include <string>

namespace widgets {

/// Bytes that are not code page 950 show as the replacement mark.
QString decodeText(const std::string &bytes);

/// decodeText for many texts: one converter serves them all (opening one costs more than decoding a name).
class CodePageDecoder {
public:
    CodePageDecoder();
    QString operator()(const std::string &bytes);

private:
    QStringDecoder decoder_;
};

/// Empty when the text holds a character that code page 950 cannot write.
std::optional<std::string> encodeText(const QString &text);

} // namespace widgets
