// The shop's server as scripts/server-setup leaves it, on the server the tests start: an empty shop database,
// the terminals' user with only the rights the program needs, and a second run that changes nothing. A
// terminal pointed at it by `touchmove --connect` goes through a whole round as that user: the proposal
// (which drops and makes the branch's sales view), the posting and the preview.

#include "ErrorOf.h"
#include "PostingShop.h"
#include "ProgramRun.h"
#include "ScreenFixture.h"
#include "TestServer.h"

#include "data/SqlText.h"
#include "tools/ShopDatabase.h"
#include "widgets/CodePageEdit.h"
#include "widgets/ImageButton.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QFile>
#include <QPushButton>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

namespace {

/// The value of `key=` in the printed connection.
QString printed(const QString &output, const QString &key)
{
    return QRegularExpression(QStringLiteral("^%1=(.*)$").arg(key), QRegularExpression::MultilineOption)
        .match(output)
        .captured(1);
}

void run(data::TSQLConnection &connection, const std::string &sql)
{
    data::TSQLQuery q(&connection);
    q.SQL().add(sql);
    q.execSQL();
}

std::string scalar(data::TSQLConnection &connection, const std::string &sql)
{
    data::TSQLQuery q(&connection);
    q.SQL().add(sql);
    q.open();
    return q.fields(0).asString();
}

} // namespace

TEST(ServerSetup, MakesADatabaseThatServesAWholeRoundAsTheTerminalsUser)
{
    const std::optional<TestServer> available = testServer();
    if (!available)
        GTEST_SKIP() << TestServer::Missing;
    const std::string &server = available->server, &folder = available->folder, &sysdba = available->user,
                      &sysdbaPassword = available->password;
    const QString database = QString::fromStdString(folder) + QStringLiteral("/setup-%1-%2.fdb")
                                                                  .arg(QCoreApplication::applicationPid())
                                                                  .arg(QDateTime::currentMSecsSinceEpoch());
    const QStringList setup = {QStringLiteral(TOUCHMOVE_SOURCE_DIR "/scripts/server-setup"),
                               "--server", QString::fromStdString(server), "--database", database,
                               "--password-file", QString::fromStdString(folder) + "/terminal.password"};
    const QMap<QString, QString> asSysdba = {{"ISC_USER", QString::fromStdString(sysdba)},
                                             {"ISC_PASSWORD", QString::fromStdString(sysdbaPassword)}};

    QTemporaryDir sysdbaFolder;
    ASSERT_TRUE(sysdbaFolder.isValid());
    const shopdb::Target shop{sysdbaFolder.path().toStdString() + "/", server + ":" + database.toStdString(), sysdba,
                              sysdbaPassword};
    const auto dropShop = qScopeGuard([&shop] { shopdb::dropDatabase(shop); });

    const Outcome first = runProgram(QStringLiteral("bash"), setup, asSysdba);
    ASSERT_EQ(first.exitCode, 0) << first.out.toStdString() << first.err.toStdString();
    EXPECT_TRUE(first.out.contains(QStringLiteral("was created from sql/schema.sql"))) << first.out.toStdString();
    const QString connection = printed(first.out, "Database"), user = printed(first.out, "User_Name"),
                  password = printed(first.out, "Password");
    EXPECT_EQ(connection, QString::fromStdString(server) + ":" + database);
    EXPECT_EQ(user, QStringLiteral("TOUCHMOVE"));
    ASSERT_GE(password.size(), 16) << first.out.toStdString();

    shopdb::writeDefinitionFiles(shop);
    data::TSQLConnection owner(shop.programDir);
    owner.ConnectionName = "Kobrel";
    const std::string rights = "SELECT LIST(RDB$PRIVILEGE || TRIM(RDB$RELATION_NAME), ',') FROM "
                               "(SELECT * FROM RDB$USER_PRIVILEGES WHERE RDB$USER = 'TOUCHMOVE' ORDER BY 1, 2, 3)";
    const std::string granted = scalar(owner, rights);
    EXPECT_EQ(scalar(owner, "SELECT COUNT(*) FROM RDB$RELATIONS WHERE RDB$SYSTEM_FLAG = 0"), "8")
        << "the shop's tables and nothing else";
    EXPECT_EQ(scalar(owner, "SELECT COUNT(*) FROM PRODUCT"), "0") << "no demo data";

    const Outcome second = runProgram(QStringLiteral("bash"), setup, asSysdba);
    ASSERT_EQ(second.exitCode, 0) << second.out.toStdString() << second.err.toStdString();
    EXPECT_FALSE(second.out.contains(QRegularExpression(QStringLiteral("created|granted|new one|dropped"))))
        << "a second run changes nothing:\n" << second.out.toStdString();
    EXPECT_EQ(printed(second.out, "Password"), password);
    EXPECT_EQ(scalar(owner, rights), granted);

    // The shop's data, as its own programs would write it.
    run(owner, "INSERT INTO STORE_CHOISE(STORE_ID) VALUES('K001')");
    run(owner, "INSERT INTO STOCK_ITEM(STOCK_ID,STOCK_NAME) VALUES('S01','" + cp950("總倉") + "')");
    run(owner, "INSERT INTO STOCK_ITEM(STOCK_ID,STOCK_NAME) VALUES('S02','" + cp950("分倉") + "')");
    for (const auto &[prod, branch, sold, main] : {std::tuple{"P1", 3, 5, 10}, {"P2", 0, 7, 4}, {"P3", 0, 9, 6}}) {
        const std::string p = std::string("'") + prod + "'";
        run(owner, "INSERT INTO PRODUCT(PROD_ID,PROD_NAME,UNITNAME,PACK1_QTY,PACK2_QTY) VALUES(" + p + "," + p + ",'box',1,1)");
        run(owner, "INSERT INTO STORE_QTY(STOCK_ID,PROD_ID,NOW_QTY) VALUES('S02'," + p + "," + std::to_string(branch) + ")");
        run(owner, "INSERT INTO STORE_QTY(STOCK_ID,PROD_ID,NOW_QTY) VALUES('S01'," + p + "," + std::to_string(main) + ")");
        run(owner, "INSERT INTO SAL_SUB(PROD_ID,QTY,BILL_DATE,STOCK_ID) VALUES(" + p + "," + std::to_string(sold) +
                       ",'2004/02/29','S02')");
    }

    // A terminal pointed at the database by the program itself.
    QTemporaryDir terminal;
    ASSERT_TRUE(terminal.isValid());
    const std::string terminalDir = terminal.path().toStdString() + "/";
    ASSERT_TRUE(QFile::copy(QStringLiteral(TOUCHMOVE_PROGRAM_DIR "/touchmove"), terminal.filePath("touchmove")));
    const Outcome connected = runProgram(terminal.filePath("touchmove"), {"--connect", connection, "--user", user},
                                         {{"DISPLAY", ""}, {"QT_QPA_PLATFORM", ""}}, password.toUtf8() + "\n");
    ASSERT_EQ(connected.exitCode, 0) << connected.err.toStdString();
    EXPECT_TRUE(connected.out.contains(QStringLiteral("store 'K001'"))) << connected.out.toStdString();

    // As the terminals' user, nothing is written that the program never writes.
    {
        data::TSQLConnection asTerminal(terminalDir);
        asTerminal.ConnectionName = "Kobrel";
        for (const char *sql : {"DELETE FROM PRODUCT", "UPDATE STORE_QTY SET NOW_QTY = 0",
                                "INSERT INTO STOCK_ITEM(STOCK_ID) VALUES('S09')", "DELETE FROM SAL_SUB",
                                "UPDATE MOVE_MASTER SET CHG_USER = 'X'", "DELETE FROM MOVE_MASTER",
                                "DELETE FROM MOVE_SUB", "DROP TABLE MOVE_SUB", "CREATE TABLE T1 (A INT)"}) {
            const std::string error = errorOf([&] { run(asTerminal, sql); });
            EXPECT_TRUE(error.find("no permission") != std::string::npos ||
                        error.find("There is no privilege") != std::string::npos)
                << sql << ": " << error;
        }
    }

    // The whole round through the screen: proposal, posting, preview.
    writeSettings(terminalDir, "A01_" + cp950("王小明"));
    writeTitleFile(terminalDir, cp950("中山店 調撥單"));
    installRecordingModule(terminalDir);
    FixedClock clock;
    clock.moment = QDateTime(QDate(2004, 3, 6), QTime(8, 0));
    prompts::ScriptedMessageBox messages;
    RecordingErrors errors;
    ScriptedDialogRunner dialogs;
    // Two runs of the program: the second proposal drops the view the first one made.
    for (int start = 1; start <= 2; ++start) {
        transfer::TFormTouchMove screen({terminalDir, clock, messages, errors, dialogs});
        screen.N2->trigger(); // 前一日調撥: the stocking date 2004/03/07, the sales of 2004/02/29
        QTest::mouseClick(screen.bsSkinButton1, Qt::LeftButton);
        ASSERT_TRUE(errors.shown.isEmpty()) << "start " << start << ": " << errors.shown.join('\n').toStdString();
        EXPECT_EQ(screen.store.ClientDataSet2.recordCount(), 3) << "start " << start;
        if (start == 2) {
            messages.queue(prompts::MsgResult::Yes);
            QTest::mouseClick(screen.fcImageBtn2, Qt::LeftButton);
            EXPECT_TRUE(errors.shown.isEmpty()) << errors.shown.join('\n').toStdString();
            EXPECT_EQ(screen.BillNo, "200403060001");
        }
        screen.close();
    }
    EXPECT_EQ(moduleCalls(terminalDir), std::vector<std::string>{"called rpttemp.ini=1 temp.cds=1 temp2.cds=1"});
    EXPECT_EQ(scalar(owner, "SELECT COUNT(*) FROM MOVE_MASTER WHERE MASTERBILLID = '200403060001'"), "1");
    EXPECT_EQ(scalar(owner, "SELECT LIST(PROD_ID || '=' || QTY) FROM (SELECT * FROM MOVE_SUB ORDER BY PROD_ID)"),
              "P1=2,P2=4,P3=6");
    EXPECT_EQ(scalar(owner, "SELECT TRIM(RDB$OWNER_NAME) FROM RDB$RELATIONS WHERE RDB$RELATION_NAME = 'VIEW_SALQTYS02'"),
              "TOUCHMOVE");
}
