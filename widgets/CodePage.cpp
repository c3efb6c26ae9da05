#include "CodePage.h"

#include <QStringDecoder>
#include <QStringEncoder>

namespace widgets {

// "cp950" would give IBM's variant of the code page, without € and the ETEN characters.
static constexpr char codePage[] = "windows-950";

QString decodeText(const std::string &bytes)
{
    return CodePageDecoder()(bytes);
}

CodePageDecoder::CodePageDecoder() : decoder_(codePage, QStringConverter::Flag::Stateless) {}

QString CodePageDecoder::operator()(const std::string &bytes)
{
    QString text = decoder_(QByteArrayView(bytes.data(), qsizetype(bytes.size())));
    // A lead byte without its second byte at the end is dropped by the converter: mark it.
    size_t i = 0;
    while (i < bytes.size())
        i += (static_cast<unsigned char>(bytes[i]) >= 0x81 && static_cast<unsigned char>(bytes[i]) <= 0xFE) ? 2 : 1;
    if (i > bytes.size())
        text += QChar::ReplacementCharacter;
    return text;
}

std::optional<std::string> encodeText(const QString &text)
{
    QStringEncoder encoder(codePage, QStringConverter::Flag::Stateless);
    const QByteArray bytes = encoder(text);
    if (encoder.hasError())
        return std::nullopt;
    return bytes.toStdString();
}

} // namespace widgets
