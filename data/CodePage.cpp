#include "CodePage.h"

#include <QStringDecoder>
#include <QStringEncoder>

namespace data {

namespace {

/// The first byte of a double-byte character.
bool isLeadByte(unsigned char byte) { return byte >= 0x81 && byte <= 0xFE; }

} // namespace

QString decodeText(std::string_view bytes)
{
    QStringDecoder decoder(codePageName, QStringConverter::Flag::Stateless);
    QString text = decoder(QByteArrayView(bytes.data(), qsizetype(bytes.size())));
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

} // namespace data
