// Bill numbers: the per-day counter row, the number format and the locked draw, on a real embedded database.

#include "TestDatabase.h"

#include "data/DbError.h"
#include "data/IniFile.h"
#include "transfer/core/BillNumbers.h"
#include "transfer/core/TransferStore.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

using transfer::BillNumbers;

namespace {

class BillNumbersTest : public ::testing::Test {
protected:
    std::string lastIds(const std::string &day)
    {
        std::string all;
        data::TSQLQuery q(conn.get());
        q.SQL().add("SELECT LAST_ID FROM TEMP_MOVEID WHERE BILL_DATE = '" + day + "' ORDER BY LAST_ID");
        q.open();
        for (; !q.eof(); q.next())
            all += (all.empty() ? "" : ",") + q.fields(0).asString();
        return all;
    }
    void exec(const std::string &sql) { db.exec(sql); }

    TestDatabase db;
    transfer::TransferStore store{db.programDir()};
    BillNumbers numbers{store.SQL_ID};
    std::unique_ptr<data::TSQLConnection> conn = db.connection();
};

} // namespace

TEST(BillNumberFormat, DigitsByPositionAndAtLeastFourRunningDigits)
{
    struct Case {
        const char *date;
        int n;
        const char *number;
    };
    const Case cases[] = {{"2004/06/19", 1, "200406190001"}, {"2004-06-19", 1, "200406190001"},
                          {"2004.06.19", 42, "200406190042"}, {"2004/06/19", 9999, "200406199999"},
                          {"2004/06/19", 10000, "2004061910000"}, {"2004/06/19", 0, "200406190000"}};
    for (const Case &c : cases)
        EXPECT_EQ(transfer::formatBillNo(c.date, c.n), c.number) << c.date << " " << c.n;
    EXPECT_EQ(transfer::formatBillNo("2004/06/19", 10000).size(), 13u);
    EXPECT_THROW(transfer::billDateDigits("2004/6/1"), std::invalid_argument);
}

TEST_F(BillNumbersTest, FirstAndSecondDrawOfADay)
{
    numbers.provideDayRow("2004/03/01");
    EXPECT_EQ(lastIds("2004/03/01"), "1");
    EXPECT_EQ(numbers.draw("TEMP_MOVEID", "2004/03/01"), "200403010001");
    EXPECT_EQ(lastIds("2004/03/01"), "2");

    numbers.provideDayRow("2004/03/01"); // the row exists: nothing is inserted
    EXPECT_EQ(numbers.draw("TEMP_MOVEID", "2004/03/01"), "200403010002");
    EXPECT_EQ(lastIds("2004/03/01"), "3");
    EXPECT_FALSE(store.SQLConnection2.inTransaction());
}

// The counter as it may be found: past 9999, with other separators, in several rows of one day, or behind
// the day's bills after a counter reset or a restored database. A posted bill's number is never handed out
// again, and the day ends with one row.
TEST_F(BillNumbersTest, StoredCountersAndSeparators)
{
    struct Case {
        const char *day;
        const char *stored; ///< rows of the day before the draw, in insertion order
        const char *bills;  ///< headers already in MOVE_MASTER
        const char *number;
        const char *after;
    };
    const Case cases[] = {
        {"2004/03/02", "9999", "", "200403029999", "10000"},
        {"2004/03/03", "10000", "", "2004030310000", "10001"},
        {"2004-03-04", "7", "", "200403040007", "8"},
        {"2004.03.05", "3", "", "200403050003", "4"},
        {"2004/03/06", "7,5", "", "200403060007", "8"}, // two rows of one day: the largest counts, one stays
        {"2004/03/07", "5,7,1", "", "200403070007", "8"},
        {"2004/03/08", "1", "200403080001,200403080002,200403080005", "200403080006", "7"},     // counter reset
        {"2004/03/09", "3", "200403090001,2004030910000,20040309X12,200403100099", "2004030910001", "10002"},
        {"2004/03/11", "7", "200403110002", "200403110007", "8"},                                  // counter ahead
        {"2004/03/12", "1,2", "200403120004", "200403120005", "6"},
        // a bill number with trailing blanks, as a CHAR column keeps every one
        {"2004/03/13", "1", "200403130004   ,200403130002", "200403130005", "6"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.day);
        for (const QString &v : QString(c.stored).split(','))
            exec(std::string("INSERT INTO TEMP_MOVEID(BILL_DATE,LAST_ID) VALUES('") + c.day + "'," + v.toStdString() + ")");
        for (const QString &bill : QString(c.bills).split(',', Qt::SkipEmptyParts))
            exec("INSERT INTO MOVE_MASTER(MASTERBILLID) VALUES('" + bill.toStdString() + "')");
        numbers.provideDayRow(c.day);
        EXPECT_EQ(numbers.draw("TEMP_MOVEID", c.day), c.number);
        EXPECT_EQ(lastIds(c.day), c.after);
    }
}

TEST_F(BillNumbersTest, ADayWithoutARowGivesZeroAndChangesNothing)
{
    exec("INSERT INTO TEMP_MOVEID(BILL_DATE,LAST_ID) VALUES('2004/03/01',5)");
    EXPECT_EQ(numbers.draw("TEMP_MOVEID", "2004/03/02"), "200403020000");
    EXPECT_EQ(lastIds("2004/03/02"), "");
    EXPECT_EQ(lastIds("2004/03/01"), "5");
    EXPECT_EQ(db.scalar("SELECT COUNT(*) FROM TEMP_MOVEID"), "1");
}

TEST_F(BillNumbersTest, QuotesInTheDateTextCannotBreakTheStatements)
{
    numbers.provideDayRow("2004/03/'1");
    EXPECT_EQ(db.scalar("SELECT LAST_ID FROM TEMP_MOVEID WHERE BILL_DATE = '2004/03/''1'"), "1");
    EXPECT_EQ(numbers.draw("TEMP_MOVEID", "2004/03/'1"), "200403'10001"); // digits by position
    EXPECT_EQ(db.scalar("SELECT LAST_ID FROM TEMP_MOVEID WHERE BILL_DATE = '2004/03/''1'"), "2");
}

TEST_F(BillNumbersTest, AFailedDrawLeavesNoTransactionOpen)
{
    try {
        numbers.draw("NO_SUCH_TABLE", "2004/03/01");
        FAIL() << "drew from a table that does not exist";
    } catch (const data::EDatabaseError &e) {
        EXPECT_NE(std::string(e.what()).find("NO_SUCH_TABLE"), std::string::npos) << e.what();
    }
    EXPECT_FALSE(store.SQLConnection2.inTransaction());
    // The next draw works as usual.
    numbers.provideDayRow("2004/03/01");
    EXPECT_EQ(numbers.draw("TEMP_MOVEID", "2004/03/01"), "200403010001");
}

TEST_F(BillNumbersTest, AnOpenTransactionOfSomeoneElseIsRefusedAndLeftAlone)
{
    numbers.provideDayRow("2004/03/01");
    store.SQLConnection2.startTransaction({});
    EXPECT_THROW(numbers.draw("TEMP_MOVEID", "2004/03/01"), data::EDatabaseError);
    EXPECT_TRUE(store.SQLConnection2.inTransaction());
    store.SQLConnection2.rollback({});
    EXPECT_EQ(lastIds("2004/03/01"), "1");
}

// Another terminal is drawing (its update of the day's row is not yet committed): the draw waits for it and
// then hands out the number after the one the other terminal took.
TEST_F(BillNumbersTest, ADrawWaitsForAnotherTerminalAndSeesItsNumber)
{
    numbers.provideDayRow("2004/03/01");
    auto other = db.connection();
    other->startTransaction({});
    data::TSQLQuery update(other.get());
    update.SQL().add("UPDATE TEMP_MOVEID SET LAST_ID = 2 WHERE BILL_DATE = '2004/03/01'");
    update.execSQL();

    const auto start = std::chrono::steady_clock::now();
    std::thread commitLater([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(400));
        other->commit({});
    });
    const std::string number = numbers.draw("TEMP_MOVEID", "2004/03/01");
    const auto waited = std::chrono::steady_clock::now() - start;
    commitLater.join();

    EXPECT_EQ(number, "200403010002");
    EXPECT_GE(waited, std::chrono::milliseconds(300));
    EXPECT_EQ(lastIds("2004/03/01"), "3");
}

// Without lock waiting every attempt meets the other terminal's lock: the draw gives up after a bounded number
// of attempts with the server's message, leaving nothing open and the counter as it was.
TEST_F(BillNumbersTest, ConflictsAreTriedAgainABoundedNumberOfTimes)
{
    data::TIniFile(db.programDir() + "dbxconnections.ini").writeString("Kobrel", "WaitOnLocks", "False");
    numbers.provideDayRow("2004/03/01");
    auto other = db.connection();
    other->startTransaction({});
    data::TSQLQuery update(other.get());
    update.SQL().add("UPDATE TEMP_MOVEID SET LAST_ID = 7 WHERE BILL_DATE = '2004/03/01'");
    update.execSQL();

    try {
        numbers.draw("TEMP_MOVEID", "2004/03/01");
        FAIL() << "drew a number from a locked row";
    } catch (const data::EDatabaseError &e) {
        EXPECT_NE(std::string(e.what()).find("conflict"), std::string::npos) << e.what();
    }
    EXPECT_FALSE(store.SQLConnection2.inTransaction());
    other->rollback({});
    EXPECT_EQ(numbers.draw("TEMP_MOVEID", "2004/03/01"), "200403010001");
}
