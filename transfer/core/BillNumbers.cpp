#include "BillNumbers.h"

#include "data/SqlConnection.h"

#include "data/DbError.h"
#include "data/SqlText.h"

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
    data::setStatement(q, {"SELECT LAST_ID FROM " + counterTable + " WHERE BILL_DATE = " + day + " WITH LOCK"});
    q.open();
    const bool found = !q.eof();
    int n = 0;
    for (; !q.eof(); q.next())
        n = std::max(n, q.fields(0).asInteger());
    q.close();
    if (found) {
        data::setStatement(q, {"UPDATE " + counterTable + " SET LAST_ID = :LASTID WHERE BILL_DATE = " + day});
        q.paramByName("LASTID").setAsInteger(n + 1);
        q.execSQL();
    }
    transaction.commit();
    return n;
}

} // namespace transfer
