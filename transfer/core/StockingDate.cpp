#include "StockingDate.h"

#include "data/DateText.h"
#include "data/DbError.h"

#include <QString>
#include <QStringList>

#include <algorithm>

namespace transfer {

std::string stockingDate(const QDate &today, int daysAhead)
{
    return data::formatDate(today.addDays(daysAhead));
}

QDate readStockingDate(const std::string &text)
{
    const QStringList parts = QString::fromStdString(text).trimmed().split(QChar('/'));
    const int maxDigits[] = {4, 2, 2};
    int numbers[3] = {};
    bool valid = parts.size() == 3;
    for (int i = 0; valid && i < 3; ++i) {
        const QString &part = parts[i];
        valid = !part.isEmpty() && part.size() <= maxDigits[i] &&
                std::all_of(part.begin(), part.end(), [](QChar c) { return c >= '0' && c <= '9'; });
        numbers[i] = valid ? part.toInt() : 0;
    }
    const QDate day(numbers[0], numbers[1], numbers[2]);
    if (!valid || !day.isValid())
        throw data::EDatabaseError(data::formatMessage("'%s' is not a valid date", text));
    return day;
}

} // namespace transfer
