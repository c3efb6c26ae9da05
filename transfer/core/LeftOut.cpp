#include "LeftOut.h"

#include "data/CodePage.h"

#include <QStringList>

#include <cmath>
#include <cstdint>
#include <limits>

namespace transfer {

namespace {
constexpr int CodesShown = 20;
}

bool fitsLineField(const data::TValue &quantity)
{
    if (quantity.isNull())
        return true;
    // Looked at as a floating-point number: a stock kept in a floating-point column may lie beyond even 64 bits.
    const double whole = std::trunc(quantity.asFloat());
    return whole >= std::numeric_limits<std::int32_t>::min() && whole <= std::numeric_limits<std::int32_t>::max();
}

QString leftOutMessage(const std::vector<std::string> &codes)
{
    data::CodePageDecoder decode;
    QStringList shown;
    for (std::size_t i = 0; i < codes.size() && i < CodesShown; ++i)
        shown << decode(codes[i]);
    QString text = QString::fromUtf8(LeftOutMessage) + QChar('\n') + shown.join(QStringLiteral("、"));
    if (codes.size() > CodesShown)
        text += QStringLiteral("…等 %1 項").arg(codes.size());
    return text;
}

} // namespace transfer
