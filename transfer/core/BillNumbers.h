#pragma once
// Transfer bill numbers: the per-day counter table that every terminal sharing the shop database draws from,
// and the number format, the eight date digits followed by the running number with at least four digits.

#include "data/SqlQuery.h"

#include <string>

namespace transfer {

/// Characters 1-4, 6-7 and 9-10 of a date text "YYYY/MM/DD": any one-character separator gives the same
/// digits. Raises std::invalid_argument for a text shorter than ten characters.
std::string billDateDigits(const std::string &billDate);

/// The date digits followed by `runningNumber` written with "%.4d" (0001, 9999, 10000).
std::string formatBillNo(const std::string &billDate, int runningNumber);

/// Draws bill numbers from a counter table with one row per day (BILL_DATE, LAST_ID = the next number to
/// hand out), on the connection of the statement object it is given.
class BillNumbers {
public:
    /// How often a draw is tried when the server reports an update conflict or a deadlock.
    static constexpr int MaxAttempts = 5;

    /// `statement` (the screen's SQL_ID, on the second connection) must outlive this object.
    explicit BillNumbers(data::TSQLQuery &statement) : statement_(statement) {}

    /// Makes sure TEMP_MOVEID has a row for the day, created with LAST_ID 1. The count and the insert each
    /// take effect at once. Two terminals starting a day at the same moment may both insert a row; the next
    /// draw of either joins them into one. Errors travel on as EDatabaseError.
    void provideDayRow(const std::string &billDate);

    /// Hands out the day's number and advances the counter, in one short read-committed transaction that
    /// locks the day's rows: a terminal drawing at the same moment waits and then sees the advanced value, so
    /// no number is handed out twice. The number is never one that a bill in MOVE_MASTER already carries:
    /// when the counter is behind the day's bills (a counter reset, a restored database), the draw hands out
    /// the number after the day's highest bill and the counter moves past it. When the day has several rows
    /// the largest value counts and they are joined into one. A day without a row gives the running number 0
    /// and changes nothing.
    ///
    /// Update conflicts and deadlocks are tried again, up to MaxAttempts in all. On any failure the
    /// transaction is rolled back and the error travels on: no transaction is left open. A transaction that
    /// is already open on the connection is not this draw's to end: the draw refuses to start.
    std::string draw(const std::string &counterTable, const std::string &billDate);

private:
    /// One attempt: the locked read, the look at the day's bills, the update, the commit. Returns the number
    /// handed out.
    int drawOnce(const std::string &counterTable, const std::string &billDate);
    /// The highest running number of the day's bills in MOVE_MASTER, 0 when it has none.
    int highestBillOfDay(const std::string &billDate);

    data::TSQLQuery &statement_;
};

} // namespace transfer
