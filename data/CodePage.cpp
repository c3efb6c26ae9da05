#include "CodePage.h"

#include <QStringDecoder>
#include <QStringEncoder>

namespace data {

namespace {

/// The first byte of a double-byte character.
bool isLeadByte(unsigned char byte) { return byte >= 0x81 && byte <= 0xFE; }

unsigned char asciiLower(unsigned char byte) { return byte >= 'A' && byte <= 'Z' ? byte + ('a' - 'A') : byte; }

} // namespace

QString decodeText(std::string_view bytes)
{
    return CodePageDecoder()(bytes);
}

CodePageDecoder::CodePageDecoder() : decoder_(codePageName, QStringConverter::Flag::Stateless) {}

QString CodePageDecoder::operator()(std::string_view bytes)
{
    QString text = decoder_(QByteArrayView(bytes.data(), qsizetype(bytes.size())));
    // A lead byte without its second byte at the end is dropped by the converter: mark it.
    std::size_t i = 0;
    while (i < bytes.size())
        i += isLeadByte(static_cast<unsigned char>(bytes[i])) ? 2 : 1;
    if (i > bytes.size())
        text += QChar::ReplacementCharacter;
    return text;
}

std::optional<std::string> encodeText(QStringView text)
{
    QStringEncoder encoder(codePageName, QStringConverter::Flag::Stateless);
    const QByteArray bytes = encoder(text);
    if (encoder.hasError())
        return std::nullopt;
    return bytes.toStdString();
}

bool survivesDecoding(std::string_view bytes)
{
    const std::optional<std::string> back = encodeText(decodeText(bytes));
    return back && *back == bytes;
}

bool sameName(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        const auto x = static_cast<unsigned char>(a[i]), y = static_cast<unsigned char>(b[i]);
        if (isLeadByte(x)) {
            if (x != y || (i + 1 < a.size() && a[i + 1] != b[i + 1]))
                return false;
            ++i;
        } else if (asciiLower(x) != asciiLower(y)) {
            return false;
        }
    }
    return true;
}

} // namespace data
