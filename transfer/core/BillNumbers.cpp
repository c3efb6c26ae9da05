#include "BillNumbers.h"

#include "data/SqlConnection.h"

#include "data/DbError.h"
#include "data/SqlText.h"

#include <QByteArray>

#include <algorithm>
#include <cstdio>
#include <stdexcept>

namespace transfer {

namespace {

/// What the server reports when two transactions meet on the same row; worth another attempt.
bool isConflict(const data::EDatabaseError &error)
{
    constexpr long Deadlock = 335544336, LockConflict = 335544345, UpdateConflict = 335544451,
                   ConcurrentTransaction = 335544878;
    const long code = error.gdsCode();
    return code == Deadlock || code == LockConflict || code == UpdateConflict || code == ConcurrentTransaction;
}

/// The running number of a bill number "date digits + at least four digits", 0 for a number of another
/// form (a bill typed in by hand) or one too large to be drawn. Trailing blanks do not count: a CHAR column
/// pads every number with them, and the server compares numbers without them.
int runningNumberOf(const std::string &billNo, size_t dateDigits)
{
    std::string running = billNo.substr(std::min(dateDigits, billNo.size()));
    running.erase(running.find_last_not_of(' ') + 1);
    if (running.size() < 4 || running.size() > 9 ||
        !std::all_of(running.begin(), running.end(), [](char c) { return c >= '0' && c <= '9'; }))
        return 0;
    return std::stoi(running);
}

} // namespace

std::string billDateDigits(const std::string &billDate)
{
    if (billDate.size() < 10)
        throw std::invalid_argument("Not a date text: '" + billDate + "'");
    return billDate.substr(0, 4) + billDate.substr(5, 2) + billDate.substr(8, 2);
}

std::string formatBillNo(const std::string &billDate, int runningNumber)
{
    char number[16];
    std::snprintf(number, sizeof number, "%.4d", runningNumber);
    return billDateDigits(billDate) + number;
}

void BillNumbers::provideDayRow(const std::string &billDate)
{
    data::TSQLQuery &q = statement_;
    data::setStatement(q, {"SELECT Count(*) FROM TEMP_MOVEID WHERE BILL_DATE = '" + data::quoteValue(billDate) + "'"});
    q.open();
    const int rows = q.fields(0).asInteger();
    q.close();
    if (rows != 0)
        return;
    data::setStatement(q, {"INSERT INTO TEMP_MOVEID(BILL_DATE,LAST_ID) values(:BILL_DATE,:LAST_ID)"});
    q.paramByName("BILL_DATE").setAsString(billDate);
    q.paramByName("LAST_ID").setAsInteger(1);
    q.execSQL();
}

std::string BillNumbers::draw(const std::string &counterTable, const std::string &billDate)
{
    billDateDigits(billDate); // a text that cannot give a number is refused before anything is locked
    for (int attempt = 1;; ++attempt) {
        try {
            return formatBillNo(billDate, drawOnce(counterTable, billDate));
        } catch (const data::EDatabaseError &error) {
            if (!isConflict(error) || attempt == MaxAttempts)
                throw;
        }
    }
}

int BillNumbers::drawOnce(const std::string &counterTable, const std::string &billDate)
{
    data::TSQLQuery &q = statement_;
    const std::string day = "'" + data::quoteValue(billDate) + "'";
    data::TSQLTransactionScope transaction(*q.SQLConnection); // refuses when one is open already
    data::setStatement(q, {"SELECT RDB$DB_KEY, LAST_ID FROM " + counterTable + " WHERE BILL_DATE = " + day + " WITH LOCK"});
    q.open();
    int rows = 0;
    int n = 0;
    std::string kept; // the row that stays, as a literal of its key
    for (; !q.eof(); q.next(), ++rows) {
        if (rows == 0)
            kept = "x'" + QByteArray::fromStdString(q.fields(0).asString()).toHex().toStdString() + "'";
        n = std::max(n, q.fields(1).asInteger());
    }
    q.close();
    if (rows == 0)
        return 0;
    // While the day's rows are locked no other terminal draws, so the day's bills cannot change beneath.
    n = std::max(n, highestBillOfDay(billDate) + 1);
    // Several rows of the day are joined into the one that stays. Rows are deleted, never the last one: a
    // terminal waiting for them finds the one that stays, with its new value.
    if (rows > 1) {
        data::setStatement(q, {"DELETE FROM " + counterTable + " WHERE BILL_DATE = " + day + " AND RDB$DB_KEY <> " + kept});
        q.execSQL();
    }
    data::setStatement(q, {"UPDATE " + counterTable + " SET LAST_ID = :LASTID WHERE RDB$DB_KEY = " + kept});
    q.paramByName("LASTID").setAsInteger(n + 1);
    q.execSQL();
    transaction.commit();
    return n;
}

int BillNumbers::highestBillOfDay(const std::string &billDate)
{
    const std::string digits = billDateDigits(billDate);
    data::TSQLQuery &q = statement_;
    data::setStatement(q, {"SELECT MASTERBILLID FROM MOVE_MASTER WHERE MASTERBILLID STARTING WITH :DAY"});
    q.paramByName("DAY").setAsString(digits);
    q.open();
    int highest = 0;
    for (; !q.eof(); q.next())
        highest = std::max(highest, runningNumberOf(q.fields(0).asString(), digits.size()));
    q.close();
    return highest;
}

} // namespace transfer
