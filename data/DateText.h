#pragma once
// Date and time texts as the shop database keeps them: "YYYY/MM/DD" and "hh:nn:ss zz", always with "/" and
// ":" and in year, month, day order, whatever the system's locale. And the clock that says what "now" is.

#include <QDateTime>

#include <optional>
#include <string>

namespace data {

std::string formatDate(const QDate &day);
/// Reads exactly "YYYY/MM/DD" (digits, "/" at positions 5 and 8) naming a day that exists.
std::optional<QDate> parseDate(const std::string &text);
/// 24-hour hour, minutes, seconds with two digits, a blank, the milliseconds with at least two digits.
std::string formatTime(const QTime &time);

/// Says what "now" is; the program uses the system's clock, tests set their own.
class IClock {
public:
    virtual ~IClock() = default;
    virtual QDateTime now() const = 0;
    QDate today() const { return now().date(); }
};

class SystemClock : public IClock {
public:
    QDateTime now() const override { return QDateTime::currentDateTime(); }
};

} // namespace data
