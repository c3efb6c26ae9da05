#pragma once
// The day arithmetic of the stocking date: the condition menu's choices relative to today, the reading of
// the stocking-date field, and the reference sales day of a proposal.

#include <QDate>

#include <string>

namespace transfer {

/// The day `daysAhead` calendar days after `today`, as "YYYY/MM/DD" (month and year ends roll over).
std::string stockingDate(const QDate &today, int daysAhead);

/// Reads a stocking date as year, month and day separated by "/" (one or two digits for month and day,
/// blanks around it ignored). Raises EDatabaseError "'%s' is not a valid date" when it names no day.
QDate readStockingDate(const std::string &text);

/// The sales day a proposal looks at first: one week before the stocking day.
inline QDate referenceDay(const QDate &stockingDay) { return stockingDay.addDays(-7); }

} // namespace transfer
