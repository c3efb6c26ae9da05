#include "WholeNumber.h"

namespace widgets {

namespace {

/// Full-width digits and minus signs as plain ones; every other character as it is.
QString plainForms(QString text)
{
    for (QChar &c : text) {
        if (c >= QChar(0xFF10) && c <= QChar(0xFF19))
            c = QChar('0' + (c.unicode() - 0xFF10));
        else if (c == QChar(0xFF0D) || c == QChar(0x2212))
            c = QChar('-');
    }
    return text;
}

/// Digits with an optional leading minus, or a beginning of that.
bool digitsWithSign(const QString &text)
{
    for (qsizetype i = 0; i < text.size(); ++i)
        if (!(text[i] >= QChar('0') && text[i] <= QChar('9')) && !(i == 0 && text[i] == QChar('-')))
            return false;
    return true;
}

} // namespace

QValidator::State WholeNumberValidator::validate(QString &input, int &) const
{
    input = plainForms(input);
    if (!digitsWithSign(input))
        return Invalid;
    return input.isEmpty() || input == QStringLiteral("-") ? Intermediate : Acceptable;
}

std::optional<data::TValue> wholeNumber(const QString &text)
{
    const QString plain = plainForms(text);
    if (plain.isEmpty())
        return data::TValue();
    if (!digitsWithSign(plain))
        return std::nullopt;
    bool ok = false;
    const int value = plain.toInt(&ok);
    if (!ok)
        return std::nullopt;
    return data::TValue(std::int32_t(value));
}

} // namespace widgets
