// Several terminals on one Firebird server, each a process of its own that posts many bills at once through
// the program's drawing and writing code, going round several days so that they start each day together:
// no bill number is handed out twice, no bill overwrites another (also none posted before the day's counter
// was lost), and each day keeps one counter row, ending right after its last number.
//
// Needs the real server: scripts/test starts one and sets TOUCHMOVE_SERVER, TOUCHMOVE_SERVER_DIR,
// TOUCHMOVE_SERVER_USER and TOUCHMOVE_SERVER_PASSWORD.

#include "ServerDatabase.h"
#include "TestServer.h"

#include "data/SqlQuery.h"
#include "tools/ShopDatabase.h"

#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <memory>
#include <set>

namespace {

constexpr int Terminals = 6;
constexpr int BillsPerTerminal = 50;
constexpr int LinesPerBill = 8;
constexpr int Days = 5;
/// Bills of the first day posted before its counter row was lost (a restored database).
constexpr int EarlierBills = 10;
const char *const BillDate = "2004/06/19";

} // namespace

TEST(SeveralTerminals, PostManyBillsAtOnceWithoutSharingANumber)
{
    const std::optional<TestServer> server = testServer();
    if (!server)
        GTEST_SKIP() << TestServer::Missing;

    QTemporaryDir programFolder;
    ASSERT_TRUE(programFolder.isValid());
    const std::string programDir = programFolder.path().toStdString() + "/";
    ServerDatabase db(programDir, *server, "terminals");

    data::TSQLConnection connection(programDir);
    connection.ConnectionName = "Kobrel";
    data::TSQLQuery q(&connection);
    const auto run = [&](const std::string &sql) {
        q.close();
        q.SQL().clear();
        q.SQL().add(sql);
        q.execSQL();
    };
    run("INSERT INTO STORE_CHOISE(STORE_ID) VALUES('K001')");
    for (int i = 1; i <= LinesPerBill; ++i) {
        char id[16];
        std::snprintf(id, sizeof id, "P%04d", i);
        run(std::string("INSERT INTO PRODUCT(PROD_ID,PROD_NAME,UNITNAME,PACK1_QTY,PACK2_QTY) VALUES('") + id +
            "','product','box',24,12)");
    }

    // The first day's earlier bills, each with one line, and no counter row for that day.
    for (int n = 1; n <= EarlierBills; ++n) {
        char number[32];
        std::snprintf(number, sizeof number, "20040619%.4d", n);
        run(std::string("INSERT INTO MOVE_MASTER(MASTERBILLID,CHG_USER) VALUES('") + number + "','EARLIER')");
        run(std::string("INSERT INTO MOVE_SUB(MASTERBILLID,PROD_ID,QTY) VALUES('") + number + "','OLD',7)");
    }

    QElapsedTimer timer;
    timer.start();
    std::vector<std::unique_ptr<QProcess>> terminals;
    for (int t = 1; t <= Terminals; ++t) {
        auto process = std::make_unique<QProcess>();
        process->setProcessChannelMode(QProcess::ForwardedErrorChannel);
        process->start(QStringLiteral(POSTING_TERMINAL),
                       {QString::fromStdString(programDir), QString::fromLatin1(BillDate),
                        QString::number(BillsPerTerminal), QString::number(LinesPerBill), QStringLiteral("T%1").arg(t),
                        QString::number(Days)});
        terminals.push_back(std::move(process));
    }
    std::vector<std::string> numbers;
    QStringList failures;
    for (auto &process : terminals) {
        ASSERT_TRUE(process->waitForFinished(240000)) << "a terminal did not finish in time";
        const QStringList output = QString::fromLocal8Bit(process->readAllStandardOutput()).split('\n', Qt::SkipEmptyParts);
        for (const QString &line : output) {
            if (line.startsWith("BILL "))
                numbers.push_back(line.mid(5).toStdString());
            else
                failures.append(line);
        }
        EXPECT_EQ(process->exitCode(), 0);
    }
    EXPECT_TRUE(failures.isEmpty()) << failures.size() << " bills not written, the first: "
                                    << failures.value(0).toStdString();
    const qint64 elapsed = timer.elapsed();

    const int bills = Terminals * BillsPerTerminal;
    const int billsPerDay = bills / Days;
    const std::set<std::string> distinct(numbers.begin(), numbers.end());
    const int duplicates = int(numbers.size() - distinct.size());
    std::printf("%d terminals x %d bills of %d lines over %d days: %zu bills posted, %d duplicate numbers, %.1f s\n",
                Terminals, BillsPerTerminal, LinesPerBill, Days, numbers.size(), duplicates, elapsed / 1000.0);
    RecordProperty("terminals", Terminals);
    RecordProperty("bills", bills);
    RecordProperty("duplicates", duplicates);
    RecordProperty("milliseconds", int(elapsed));

    EXPECT_EQ(int(numbers.size()), bills);
    EXPECT_EQ(duplicates, 0);
    const auto scalar = [&](const std::string &sql) {
        q.close();
        q.SQL().clear();
        q.SQL().add(sql);
        q.open();
        const std::string v = q.fields(0).asString();
        q.close();
        return v;
    };
    std::set<std::string> expected;
    for (int d = 0; d < Days; ++d) {
        const QDate day = QDate(2004, 6, 19).addDays(d);
        const int first = d == 0 ? EarlierBills + 1 : 1;
        for (int n = first; n < first + billsPerDay; ++n)
            expected.insert(day.toString("yyyyMMdd").toStdString() + QString("%1").arg(n, 4, 10, QChar('0')).toStdString());
        const std::string dayText = day.toString("yyyy/MM/dd").toStdString();
        SCOPED_TRACE(dayText);
        EXPECT_EQ(scalar("SELECT COUNT(*) FROM TEMP_MOVEID WHERE BILL_DATE = '" + dayText + "'"), "1")
            << "one counter row for the day";
        EXPECT_EQ(scalar("SELECT MAX(LAST_ID) FROM TEMP_MOVEID WHERE BILL_DATE = '" + dayText + "'"),
                  std::to_string(first + billsPerDay));
    }
    EXPECT_EQ(distinct, expected) << "each day's numbers follow on without gaps, after the earlier bills";

    EXPECT_EQ(scalar("SELECT COUNT(*) FROM MOVE_MASTER"), std::to_string(bills + EarlierBills));
    EXPECT_EQ(scalar("SELECT COUNT(*) FROM MOVE_SUB"), std::to_string(bills * LinesPerBill + EarlierBills));
    EXPECT_EQ(scalar("SELECT COUNT(*) FROM MOVE_MASTER M JOIN MOVE_SUB S ON S.MASTERBILLID = M.MASTERBILLID "
                     "WHERE M.CHG_USER = 'EARLIER' AND S.PROD_ID = 'OLD' AND S.QTY = 7"),
              std::to_string(EarlierBills))
        << "the earlier bills are as they were, each with its own line only";
    EXPECT_EQ(scalar("SELECT COUNT(*) FROM (SELECT MASTERBILLID FROM MOVE_SUB WHERE PROD_ID <> 'OLD' GROUP BY "
                     "MASTERBILLID HAVING COUNT(*) <> " + std::to_string(LinesPerBill) + ")"),
              "0")
        << "every bill has all its lines, and only its own";
    EXPECT_EQ(scalar("SELECT COUNT(*) FROM MOVE_MASTER M WHERE M.CHG_USER <> 'EARLIER' AND NOT EXISTS (SELECT 1 FROM "
                     "MOVE_SUB S WHERE S.MASTERBILLID = M.MASTERBILLID AND S.CHG_DATE = M.BILL_DATE AND "
                     "M.MASTERBILLID STARTING WITH REPLACE(M.BILL_DATE, '/', ''))"),
              "0")
        << "each bill is of the day its number says";
    // Each terminal's bills carry its own salesperson code.
    for (int t = 1; t <= Terminals; ++t)
        EXPECT_EQ(scalar("SELECT COUNT(*) FROM MOVE_MASTER WHERE CHG_USER = 'T" + std::to_string(t) + "'"),
                  std::to_string(BillsPerTerminal));
}
