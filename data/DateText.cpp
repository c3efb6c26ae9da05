#include "DateText.h"

#include <cstdio>

namespace data {

std::string formatDate(const QDate &day)
{
    char buf[16];
    std::snprintf(buf, sizeof buf, "%04d/%02d/%02d", day.year(), day.month(), day.day());
    return buf;
}

std::optional<QDate> parseDate(const std::string &text)
{
    if (text.size() != 10 || text[4] != '/' || text[7] != '/')
        return std::nullopt;
    for (size_t i : {0, 1, 2, 3, 5, 6, 8, 9})
        if (text[i] < '0' || text[i] > '9')
            return std::nullopt;
    QDate day(std::stoi(text.substr(0, 4)), std::stoi(text.substr(5, 2)), std::stoi(text.substr(8, 2)));
    if (!day.isValid())
        return std::nullopt;
    return day;
}

std::string formatTime(const QTime &time)
{
    char buf[24];
    std::snprintf(buf, sizeof buf, "%02d:%02d:%02d %02d", time.hour(), time.minute(), time.second(), time.msec());
    return buf;
}

} // namespace data
