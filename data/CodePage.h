#pragma once
// Business text is kept as the bytes of code page 950 wherever it is stored, compared or handed on; it
// becomes Unicode only where it is shown, printed or written into a text format, through these functions.

#include <QString>
#include <QStringDecoder>

#include <optional>
#include <string>
#include <string_view>

namespace data {

/// The converter's name of code page 950 with the ETEN extension and the Euro sign. ("cp950" would give
/// IBM's variant of the code page, without € and the ETEN characters.)
inline constexpr char codePageName[] = "windows-950";

/// Bytes that are not code page 950 (an unassigned pair, a lead byte without its second byte) show as the
/// replacement mark.
QString decodeText(std::string_view bytes);
/// decodeText() for many texts: one converter serves them all (opening one costs more than decoding a name).
class CodePageDecoder {
public:
    CodePageDecoder();
    QString operator()(std::string_view bytes);

private:
    QStringDecoder decoder_;
};

/// Empty when the text holds a character that code page 950 cannot write.
std::optional<std::string> encodeText(QStringView text);
/// Whether decodeText() and encodeText() give these very bytes back: not so for bytes that are no character
/// of the code page, and for the second code of the few characters that the code page holds twice.
bool survivesDecoding(std::string_view bytes);

/// Names (of fields, parameters, definition keys) compared without regard to case: ASCII letters are folded,
/// the two bytes of a double-byte character are compared as they are, even where the second looks like an
/// ASCII letter.
bool sameName(std::string_view a, std::string_view b);

} // namespace data
