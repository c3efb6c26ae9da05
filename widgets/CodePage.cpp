#include "CodePage.h"

#include <QStringDecoder>
#include <QStringEncoder>

namespace widgets {

// "cp950" would give IBM's variant of the code page, without € and the ETEN characters.
static constexpr char codePage[] = "windows-950";

QString decodeText(const std::string &bytes)
{
    QStringDecoder decoder(codePage, QStringConverter::Flag::Stateless);
    return decoder(QByteArrayView(bytes.data(), qsizetype(bytes.size())));
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
