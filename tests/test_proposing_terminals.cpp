// Several terminals proposing for one branch at the same moment, each a process of its own on one Firebird
// server, half of them for one stocking date and half for the next: every proposal's lines are those of its
// own reference day, no proposal fails, and the branch's view is there afterwards under its name.
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

namespace {

constexpr int TerminalsPerDate = 2;
constexpr int Rounds = 30;
const char *const StockingDates[] = {"2004/03/07", "2004/03/08"}; // reference days 2004/02/29 and 2004/03/01

} // namespace

TEST(SeveralTerminals, ProposeForOneBranchAtOnceEachFromItsOwnDay)
{
    const std::optional<TestServer> server = testServer();
    if (!server)
        GTEST_SKIP() << TestServer::Missing;

    QTemporaryDir programFolder;
    ASSERT_TRUE(programFolder.isValid());
    const ServerDatabase db(programFolder.path().toStdString() + "/", *server, "proposing");
    const shopdb::Target &target = db.target();

    data::TSQLConnection connection(target.programDir);
    connection.ConnectionName = "Kobrel";
    data::TSQLQuery q(&connection);
    const auto run = [&](const std::string &sql) {
        data::setStatement(q, {sql});
        q.execSQL();
    };
    run("INSERT INTO STOCK_ITEM(STOCK_ID) VALUES('S01')");
    run("INSERT INTO STOCK_ITEM(STOCK_ID) VALUES('S02')");
    // 120 products, the main warehouse holding 100 of each and the branch a few; the odd ones sold on the first
    // reference day, every third one on the second, in other quantities. ": P" is a variable of the block.
    run("EXECUTE BLOCK AS DECLARE I INT = 1; DECLARE P VARCHAR(20); BEGIN WHILE (I <= 120) DO BEGIN "
        "P = 'P' || LPAD(I, 3, '0'); "
        "INSERT INTO PRODUCT(PROD_ID,PROD_NAME) VALUES(: P, 'Name ' || : P); "
        "INSERT INTO STORE_QTY(STOCK_ID,PROD_ID,NOW_QTY) VALUES('S01', : P, 100); "
        "INSERT INTO STORE_QTY(STOCK_ID,PROD_ID,NOW_QTY) VALUES('S02', : P, MOD(: I, 4)); "
        "IF (MOD(I, 2) = 1) THEN INSERT INTO SAL_SUB(PROD_ID,QTY,BILL_DATE,STOCK_ID) "
        "VALUES(: P, MOD(: I, 7) + 3, '2004/02/29', 'S02'); "
        "IF (MOD(I, 3) = 0) THEN INSERT INTO SAL_SUB(PROD_ID,QTY,BILL_DATE,STOCK_ID) "
        "VALUES(: P, MOD(: I, 5) + 4, '2004/03/01', 'S02'); "
        "I = I + 1; END END");
    connection.close();

    QElapsedTimer timer;
    timer.start();
    std::vector<std::unique_ptr<QProcess>> terminals;
    for (const char *date : StockingDates)
        for (int t = 0; t < TerminalsPerDate; ++t) {
            auto process = std::make_unique<QProcess>();
            process->setProcessChannelMode(QProcess::ForwardedErrorChannel);
            process->start(QStringLiteral(PROPOSING_TERMINAL),
                           {QString::fromStdString(target.programDir), QString::fromLatin1(date), QString::number(Rounds)});
            terminals.push_back(std::move(process));
        }
    int proposals = 0, wrongLines = 0, failures = 0;
    QStringList problems;
    for (auto &process : terminals) {
        ASSERT_TRUE(process->waitForFinished(240000)) << "a terminal did not finish in time";
        const QStringList output = QString::fromLocal8Bit(process->readAllStandardOutput()).split('\n', Qt::SkipEmptyParts);
        for (const QString &line : output) {
            ++proposals;
            if (line.startsWith("WRONG ")) {
                wrongLines += line.section(' ', 1, 1).toInt();
                problems.append(line);
            } else if (line != "OK") {
                ++failures;
                problems.append(line);
            }
        }
        EXPECT_EQ(process->exitCode(), 0);
    }
    const qint64 elapsed = timer.elapsed();
    std::printf("%d terminals x %d proposals for one branch, two stocking dates: %d proposals, %d wrong lines, "
                "%d failures, %.1f s\n",
                int(terminals.size()), Rounds, proposals, wrongLines, failures, elapsed / 1000.0);
    RecordProperty("proposals", proposals);
    RecordProperty("wrong_lines", wrongLines);
    RecordProperty("failures", failures);
    EXPECT_EQ(proposals, int(terminals.size()) * Rounds);
    EXPECT_EQ(wrongLines, 0);
    EXPECT_EQ(failures, 0);
    EXPECT_TRUE(problems.isEmpty()) << problems.size() << " proposals went wrong, the first: "
                                    << problems.value(0).toStdString();

    data::setStatement(q, {"SELECT COUNT(*) FROM RDB$RELATIONS WHERE RDB$RELATION_NAME = 'VIEW_SALQTYS02' AND "
                           "RDB$VIEW_BLR IS NOT NULL"});
    q.open();
    EXPECT_EQ(q.fields(0).asInteger(), 1) << "the branch's view is there under its name";
    q.close();
    connection.close();
}
