// The transfer screen on the real Firebird server while the server goes away: stopped and started again
// between two actions, killed in the middle of a large bill, still away when the operator confirms, stopped
// as a process in the middle of a statement, and a statement that waits past its limit.
//
// Needs the real server: scripts/test starts one and sets TOUCHMOVE_SERVER* (TestServer.h).

#include "PostingShop.h"
#include "ScreenFixture.h"
#include "TestServer.h"

#include "data/DbError.h"
#include "data/IniFile.h"
#include "prompts/ErrorText.h"
#include "tools/ShopDatabase.h"
#include "widgets/ImageButton.h"

#include <QDateTime>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QPlainTextEdit>
#include <QProcess>
#include <QScopeGuard>
#include <QTest>

#include <gtest/gtest.h>

#include <csignal>

namespace {

const QString WrittenQuestion = QStringLiteral("資料寫入完成..!,是否列印..");
const QString WriteFailed = QStringLiteral("資料寫入失敗..!,請重新輸出..");
const QString TimedOut = QStringLiteral("門市資料庫沒有在時限內回應,作業已取消..!");

/// The first line of each message: a write failure shows its cause on the lines below.
QStringList firstLines(const QStringList &texts)
{
    QStringList lines;
    for (const QString &text : texts)
        lines << text.section('\n', 0, 0);
    return lines;
}

/// "start", "stop" or "kill" on the test server; false when the command failed.
bool control(const TestServer &server, const char *command)
{
    return QProcess::execute(QString::fromStdString(server.control), {QString::fromLatin1(command)}) == 0;
}

/// A database of the test's own on the server, dropped when the test ends. It is a base of the fixture
/// ahead of the screen, so that the screen's attachments are gone before the drop.
class ServerDatabase {
protected:
    ~ServerDatabase()
    {
        if (!created)
            return;
        if (!server->control.empty())
            control(*server, "start"); // a test that failed half-way may have left it stopped
        try {
            shopdb::dropDatabase(target);
        } catch (const std::exception &e) {
            ADD_FAILURE() << "the test database could not be dropped: " << e.what();
        }
    }
    std::optional<TestServer> server = testServer();
    shopdb::Target target;
    bool created = false;
};

class Reconnect : public ::testing::Test, protected ServerDatabase, public ScreenFixture {
protected:
    void SetUp() override
    {
        if (!server || server->control.empty())
            GTEST_SKIP() << TestServer::Missing << " (and TOUCHMOVE_SERVER_CTL)";
        target.programDir = db.programDir();
        target.database = server->server + ":" + server->folder + "/reconnect-" +
                          std::to_string(QCoreApplication::applicationPid()) + "-" +
                          std::to_string(QDateTime::currentMSecsSinceEpoch()) + ".fdb";
        target.user = server->user;
        target.password = server->password;
        shopdb::writeDefinitionFiles(target);
        shopdb::createDatabase(target, TOUCHMOVE_SOURCE_DIR "/sql/schema.sql");
        created = true;
        prepareShop(db);
        clock.moment = QDateTime(QDate(2004, 3, 1), QTime(9, 30));
    }

    /// Sets a key of the connection definition (read at every connect).
    void define(const char *key, const char *value)
    {
        data::TIniFile(db.programDir() + "dbxconnections.ini").writeString("Kobrel", key, value);
    }
    data::TClientDataSet &lines() { return screen().store.ClientDataSet2; }
    /// Every value of the line table and the picked-product set, row by row.
    std::vector<std::string> tables()
    {
        std::vector<std::string> rows;
        for (data::TClientDataSet *set : {&lines(), &screen().store.TempCDS})
            for (const auto &row : set->data().rows) {
                std::string text;
                for (const data::TValue &value : row)
                    text += value.asString() + "|";
                rows.push_back(text);
            }
        return rows;
    }
    void confirm() { QTest::mouseClick(screen().fcImageBtn2, Qt::LeftButton); }
    std::string counter() { return db.scalar("SELECT LAST_ID FROM TEMP_MOVEID WHERE BILL_DATE = '2004/03/01'"); }
    std::string linesOf(const std::string &bill)
    {
        return db.scalar("SELECT COUNT(*) FROM MOVE_SUB WHERE MASTERBILLID = '" + bill + "'");
    }
    std::string headersOf(const std::string &bill)
    {
        return db.scalar("SELECT COUNT(*) FROM MOVE_MASTER WHERE MASTERBILLID = '" + bill + "'");
    }
    /// The picked-product set holds a product, as after a use of the product board.
    void pick(const std::string &prodId)
    {
        data::TClientDataSet &picked = screen().store.TempCDS;
        picked.append();
        picked.fieldByName("PROD_ID").setAsString(prodId);
        picked.post();
    }
};

} // namespace

// After a restart of the server both connections of the screen are lost without knowing it. The next
// confirmation attaches anew and posts, with nothing lost from the screen.
TEST_F(Reconnect, ServerStoppedAndStartedBetweenTwoActions)
{
    addLine(lines(), 1, "P001", "a", 10, 4);
    pick("P002");
    messages.queue(prompts::MsgResult::Yes); // print: the preview reads the bill on the first connection
    confirm();
    ASSERT_EQ(screen().BillNo, "200403010001");
    addLine(lines(), 2, "P002", "b", 10, 2);
    const std::vector<std::string> before = tables();

    ASSERT_TRUE(control(*server, "stop"));
    ASSERT_TRUE(control(*server, "start"));
    QElapsedTimer timer;
    timer.start();
    messages.queue(prompts::MsgResult::Yes);
    confirm();
    const qint64 elapsed = timer.elapsed();
    std::printf("the first action after the server's restart (a posting) took %lld ms\n", elapsed);
    RecordProperty("first_action_after_restart_ms", int(elapsed));

    EXPECT_TRUE(errors.shown.isEmpty()) << errors.shown.join('\n').toStdString();
    EXPECT_EQ(messages.texts(), QStringList({WrittenQuestion, WrittenQuestion}));
    EXPECT_EQ(screen().BillNo, "200403010002");
    EXPECT_EQ(linesOf("200403010002"), "2");
    EXPECT_EQ(counter(), "3");
    EXPECT_EQ(moduleCalls(db.programDir()).size(), 2u) << "both previews ran";
    EXPECT_EQ(tables(), before);
}

// Nothing is drawn while the server is away: one message names the database; the line table and the
// picked products stay, and once the server is back the same confirmation posts under the next number.
TEST_F(Reconnect, ServerStillAwayDrawsNothingAndNamesTheDatabase)
{
    addLine(lines(), 1, "P001", "a", 10, 4);
    pick("P002");
    messages.queue(prompts::MsgResult::Yes);
    confirm();
    ASSERT_EQ(counter(), "2");
    addLine(lines(), 2, "P002", "b", 10, 2);
    const std::vector<std::string> before = tables();

    const QString memo = screen().Memo1->toPlainText();
    ASSERT_TRUE(control(*server, "stop"));
    confirm();
    ASSERT_EQ(errors.shown.size(), 1);
    EXPECT_EQ(errors.shown[0].section('\n', 0, 0),
              QStringLiteral("無法連線到門市資料庫 %1..!").arg(QString::fromStdString(target.database)));
    EXPECT_EQ(screen().BillNo, "200403010001") << "still the previous bill's number";
    EXPECT_EQ(screen().Memo1->toPlainText(), memo);
    EXPECT_EQ(messages.texts(), QStringList({WrittenQuestion})) << "no write was tried";
    EXPECT_EQ(tables(), before);

    ASSERT_TRUE(control(*server, "start"));
    EXPECT_EQ(counter(), "2") << "no number was drawn";
    messages.queue(prompts::MsgResult::Yes);
    confirm();
    EXPECT_EQ(errors.shown.size(), 1);
    EXPECT_EQ(screen().BillNo, "200403010002");
    EXPECT_EQ(linesOf("200403010002"), "2");
}

// The server dies in the middle of a bill of 2,000 lines: nothing of that bill stays, and the next
// confirmation, once the server is back, posts the whole bill under the next number.
TEST_F(Reconnect, ServerKilledInTheMiddleOfALargeBill)
{
    constexpr int Lines = 2000;
    for (int i = 1; i <= Lines; ++i) {
        char id[16];
        std::snprintf(id, sizeof id, "Q%04d", i);
        addLine(lines(), i, id, "line", 10, 1);
    }
    int readings = 0;
    bool killed = false;
    clock.onRead = [&] {
        if (++readings == Lines / 2)
            killed = control(*server, "kill");
    };
    confirm();
    clock.onRead = nullptr;
    ASSERT_TRUE(killed) << "the clock was read " << readings << " times";
    EXPECT_EQ(firstLines(messages.texts()), QStringList({WriteFailed}));
    EXPECT_EQ(messages.texts().value(0).section('\n', 1, 1), QStringLiteral("與門市資料庫的連線中斷了..!"));
    EXPECT_FALSE(screen().store.SQLConnection2.inTransaction());

    ASSERT_TRUE(control(*server, "start"));
    messages.queue(prompts::MsgResult::No);
    confirm();
    EXPECT_TRUE(errors.shown.isEmpty()) << errors.shown.join('\n').toStdString();
    EXPECT_EQ(firstLines(messages.texts()), QStringList({WriteFailed, WrittenQuestion}));
    EXPECT_EQ(headersOf("200403010001"), "0");
    EXPECT_EQ(linesOf("200403010001"), "0") << "the bill is all or nothing";
    EXPECT_EQ(headersOf("200403010002"), "1");
    EXPECT_EQ(linesOf("200403010002"), std::to_string(Lines));
}

// Statements that wait on a lock of another terminal past the definition's StatementTimeout are
// cancelled: the draw with a clear message and nothing drawn, a bill in the middle rolled back whole.
TEST_F(Reconnect, AStatementPastItsLimitIsCancelledAndRolledBack)
{
    define("StatementTimeout", "2");
    db.exec("INSERT INTO TEMP_MOVEID(BILL_DATE,LAST_ID) VALUES('2004/03/01',1)");
    addLine(lines(), 1, "P001", "a", 10, 4);
    addLine(lines(), 2, "P002", "b", 10, 2);

    // Another terminal holds the day's counter row.
    auto other = db.connection();
    data::TSQLQuery q(other.get());
    other->startTransaction({});
    data::setStatement(q, {"UPDATE TEMP_MOVEID SET LAST_ID = LAST_ID WHERE BILL_DATE = '2004/03/01'"});
    q.execSQL();
    confirm();
    ASSERT_EQ(errors.shown.size(), 1);
    EXPECT_EQ(errors.shown[0].section('\n', 0, 0), TimedOut);
    EXPECT_NE(errors.shown[0].indexOf("StatementTimeout"), -1) << errors.shown[0].toStdString();
    EXPECT_EQ(screen().BillNo, "");
    other->rollback({});
    EXPECT_EQ(counter(), "1");

    // Another terminal holds a line of the next bill: the bill waits at its second line.
    db.exec("CREATE UNIQUE INDEX IX_TEST_ONE_LINE ON MOVE_SUB (MASTERBILLID, PROD_ID)");
    other->startTransaction({});
    data::setStatement(q, {"INSERT INTO MOVE_SUB(MASTERBILLID,PROD_ID) VALUES('200403010001','P002')"});
    q.execSQL();
    confirm();
    EXPECT_EQ(firstLines(messages.texts()), QStringList({WriteFailed}));
    EXPECT_EQ(messages.texts().value(0).section('\n', 1, 1), TimedOut) << "the cause below the warning";
    other->rollback({});
    EXPECT_EQ(headersOf("200403010001"), "0");
    EXPECT_EQ(linesOf("200403010001"), "0") << "the header and the first line are rolled back";

    messages.queue(prompts::MsgResult::Yes);
    confirm();
    EXPECT_EQ(screen().BillNo, "200403010002");
    EXPECT_EQ(linesOf("200403010002"), "2");
    EXPECT_EQ(errors.shown.size(), 1);
}

// A server process that stops answering in the middle of a statement (SIGSTOP): the call is cancelled,
// and when the server does not take the cancel either, the connection is closed on this side: the screen
// is free after the limit and a short grace, and once the server runs again the next action works.
TEST_F(Reconnect, AServerThatStopsAnsweringHoldsTheScreenForALimitedTime)
{
    define("StatementTimeout", "1");
    addLine(lines(), 1, "P001", "a", 10, 4);

    const QString pidFile = QFileInfo(QString::fromStdString(server->folder)).dir().filePath("server.pid");
    QFile file(pidFile);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly)) << pidFile.toStdString();
    const pid_t pid = pid_t(file.readAll().trimmed().toLong());
    ASSERT_GT(pid, 0);
    ASSERT_EQ(::kill(pid, SIGSTOP), 0);
    const auto resume = qScopeGuard([pid] { ::kill(pid, SIGCONT); }); // also when a check below fails
    QElapsedTimer timer;
    timer.start();
    data::TSQLQuery q(&screen().store.SQLConnection1);
    data::setStatement(q, {"SELECT COUNT(*) FROM PRODUCT"});
    std::string failure;
    try {
        q.open();
    } catch (const data::EDatabaseError &e) {
        failure = prompts::errorText(e).toStdString();
    }
    const qint64 elapsed = timer.elapsed();
    ::kill(pid, SIGCONT);
    std::printf("a statement on a stopped server returned after %lld ms (limit 1 s, grace 5 s)\n", elapsed);
    EXPECT_EQ(QString::fromStdString(failure).section('\n', 0, 0), TimedOut) << failure;

    q.open();
    EXPECT_EQ(q.fields(0).asString(), "3");
    messages.queue(prompts::MsgResult::Yes);
    confirm();
    EXPECT_TRUE(errors.shown.isEmpty()) << errors.shown.join('\n').toStdString();
    EXPECT_EQ(screen().BillNo, "200403010001");
}
