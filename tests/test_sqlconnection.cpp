// The store database layer against a real embedded database.
#include "TestDatabase.h"

#include "data/DataSetProvider.h"
#include "data/DbError.h"
#include "data/IniFile.h"
#include "data/fb/LockFolder.h"
#include "data/fb/Statement.h"
#include "prompts/ErrorText.h"

#include <ibase.h>

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QSettings>
#include <QStandardPaths>

#include "ErrorOf.h"

#include <gtest/gtest.h>

#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <thread>

using namespace data;

namespace {

/// The EDatabaseError that `work` raises.
EDatabaseError failureOf(const std::function<void()> &work)
{
    try {
        work();
    } catch (const EDatabaseError &e) {
        return e;
    }
    ADD_FAILURE() << "no error";
    return EDatabaseError("no error");
}

class SqlLayer : public ::testing::Test {
protected:
    TestDatabase db;
    std::unique_ptr<TSQLConnection> c1 = db.connection();
    std::unique_ptr<TSQLConnection> c2 = db.connection();
};

} // namespace

TEST_F(SqlLayer, DefinitionFilesAreReadAtConnect)
{
    TSQLConnection c(db.programDir());
    c.ConnectionName = "Kobrel";
    c.open();
    EXPECT_TRUE(c.connected());
    EXPECT_EQ(c.Params.value("Database"), db.databaseFile());
    EXPECT_EQ(c.VendorLib, "libfbclient.so.2");
    EXPECT_EQ(c.GetDriverFunc, "getSQLDriverINTERBASE");
}

TEST_F(SqlLayer, BrokenDefinitionsGiveTheirMessages)
{
    std::string dir = db.programDir();
    {
        TSQLConnection c(dir + "nowhere/");
        c.ConnectionName = "Kobrel";
        EXPECT_EQ(errorOf([&] { c.open(); }),
                  "Driver/Connection Registry File '" + dir + "nowhere/dbxconnections.ini' not found");
    }
    QFile::remove(QString::fromStdString(dir + "dbxdrivers.ini"));
    {
        TSQLConnection c(dir);
        c.ConnectionName = "Kobrel";
        EXPECT_EQ(errorOf([&] { c.open(); }),
                  "DLL/Shared Library Name not Set\n" + dir + "dbxdrivers.ini: No such file or directory");
    }
    TIniFile drivers(dir + "dbxdrivers.ini");
    drivers.writeString("Interbase", "VendorLib", "libnosuchclient.so.9");
    {
        TSQLConnection c(dir);
        c.ConnectionName = "Kobrel";
        EXPECT_EQ(errorOf([&] { c.open(); }),
                  "DLL/Shared Library Name not Set\n" + dir + "dbxdrivers.ini: no LibraryName in section [Interbase]");
    }
    drivers.writeString("Interbase", "LibraryName", "libdbxfb.so");
    {
        TSQLConnection c(dir);
        c.ConnectionName = "Kobrel";
        EXPECT_NE(errorOf([&] { c.open(); }).find("Unable to load the client library 'libnosuchclient.so.9'"),
                  std::string::npos);
    }
    drivers.writeString("Interbase", "VendorLib", "libfbclient.so.2");
    TIniFile conns(dir + "dbxconnections.ini");
    conns.writeString("Kobrel", "Database", "");
    {
        TSQLConnection c(dir);
        c.ConnectionName = "Kobrel";
        EXPECT_EQ(errorOf([&] { c.open(); }), "No database is set for connection 'Kobrel'");
    }
    conns.writeString("Kobrel", "Database", "localhost/3999:" + db.databaseFile());
    {
        TSQLConnection c(dir);
        c.ConnectionName = "Kobrel";
        std::string msg = errorOf([&] { c.open(); });
        EXPECT_NE(msg.find("localhost"), std::string::npos) << msg; // the server's "unable to connect" text
        EXPECT_FALSE(c.connected());
    }
}

TEST_F(SqlLayer, PerUserSettingOverridesTheConnectionFile)
{
    QTemporaryDir home;
    qputenv("XDG_CONFIG_HOME", home.path().toUtf8());
    QStandardPaths::setTestModeEnabled(false);
    std::string moved = home.path().toStdString() + "/elsewhere.ini";
    QFile::copy(QString::fromStdString(db.programDir() + "dbxconnections.ini"), QString::fromStdString(moved));
    QFile::remove(QString::fromStdString(db.programDir() + "dbxconnections.ini"));
    {
        QSettings s(QSettings::UserScope, kDataLayerSettingsOrg, kDataLayerSettingsApp);
        s.setValue("Connection Registry File", QString::fromStdString(moved));
    }
    TSQLConnection c(db.programDir());
    c.ConnectionName = "Kobrel";
    c.open();
    EXPECT_TRUE(c.connected());
    {
        QSettings s(QSettings::UserScope, kDataLayerSettingsOrg, kDataLayerSettingsApp);
        s.remove("Connection Registry File");
    }
    qunsetenv("XDG_CONFIG_HOME");
}

TEST_F(SqlLayer, StatementTextIsLinesJoinedByCrLfAndParametersFollowIt)
{
    TSQLQuery q(c2.get());
    q.SQL().add("INSERT INTO STOCK_ITEM(STOCK_ID,STOCK_NAME)");
    q.SQL().add(" VALUES(:STOCK_ID,:STOCK_NAME)");
    EXPECT_EQ(q.SQL().text(), "INSERT INTO STOCK_ITEM(STOCK_ID,STOCK_NAME)\r\n VALUES(:STOCK_ID,:STOCK_NAME)\r\n");
    ASSERT_EQ(q.params().count(), 2);
    EXPECT_EQ(errorOf([&] { q.paramByName("STOCKID"); }), "Parameter 'STOCKID' not found");
    q.paramByName("stock_id").setAsString("S09");
    EXPECT_EQ(errorOf([&] { q.execSQL(); }), "No value for parameter 'STOCK_NAME'");
    q.paramByName("STOCK_NAME").setValue(TValue::null());
    EXPECT_EQ(errorOf([&] { q.execSQL(); }), "No value for parameter 'STOCK_NAME'");
    q.paramByName("STOCK_NAME").setAsString(""); // text stays text, even when empty
    q.execSQL();
    EXPECT_EQ(db.scalar("SELECT COALESCE(STOCK_NAME, 'null') || '|' FROM STOCK_ITEM WHERE STOCK_ID = 'S09'"), "|");
    // A new text starts every parameter without a value.
    q.SQL().clear();
    q.SQL().add("UPDATE STOCK_ITEM SET STOCK_NAME = :N WHERE STOCK_ID = 'S09'");
    EXPECT_EQ(errorOf([&] { q.execSQL(); }), "No value for parameter 'N'");
    q.paramByName("N").clear(TFieldType::ftString); // a typed null
    q.execSQL();
    EXPECT_EQ(db.scalar("SELECT COALESCE(STOCK_NAME, 'null') FROM STOCK_ITEM WHERE STOCK_ID = 'S09'"), "null");
}

TEST_F(SqlLayer, TypedBindingKeepsIntegersAndConvertsOnTheServer)
{
    db.exec("INSERT INTO TEMP_MOVEID(BILL_DATE,LAST_ID) VALUES('2004/06/19', 1)");
    TSQLQuery q(c2.get());
    q.SQL().add("UPDATE TEMP_MOVEID SET LAST_ID = :LASTID WHERE BILL_DATE = '2004/06/19'");
    q.paramByName("LASTID").setAsInteger(2147483647);
    q.execSQL();
    EXPECT_EQ(db.scalar("SELECT LAST_ID FROM TEMP_MOVEID"), "2147483647");
    q.paramByName("LASTID").setAsString("12x");
    std::string msg = errorOf([&] { q.execSQL(); });
    EXPECT_NE(msg.find("conversion error"), std::string::npos) << msg;
}

TEST_F(SqlLayer, FieldsReadAsTextIntegerOrValue)
{
    db.exec("INSERT INTO STORE_CHOISE(STORE_ID) VALUES('K01')");
    db.exec("INSERT INTO STORE_QTY(STOCK_ID,PROD_ID,NOW_QTY) VALUES('S01','A1',3.5)");
    db.exec("INSERT INTO PRODUCT(PROD_ID,PROD_NAME,NOW_QTY) VALUES('A1','\xc1\x60\xad\xdc',2.25)");
    TSQLQuery q(c1.get());
    q.SQL().add("SELECT * FROM STORE_CHOISE");
    q.open();
    EXPECT_EQ(q.fieldByName("STORE_ID").asString(), "K01   "); // fixed-length text keeps its blanks
    EXPECT_TRUE(q.fieldByName("STORE_NAME").isNull());
    EXPECT_EQ(errorOf([&] { q.fieldByName("NOPE"); }), "Field 'NOPE' not found");

    q.close();
    q.SQL().clear();
    q.SQL().add("SELECT A.PROD_ID,A.PROD_NAME,B.NOW_QTY,A.NOW_QTY AS PQTY FROM PRODUCT A INNER JOIN STORE_QTY B");
    q.SQL().add(" ON A.PROD_ID = B.PROD_ID");
    q.open();
    EXPECT_EQ(q.fields(1).asString(), "\xc1\x60\xad\xdc"); // bytes as they are
    EXPECT_EQ(q.fieldByName("NOW_QTY").dataType(), TFieldType::ftBCD);
    EXPECT_EQ(q.fieldByName("NOW_QTY").asString(), "3.5");
    EXPECT_EQ(q.fieldByName("NOW_QTY").asInteger(), 3);
    EXPECT_EQ(q.fieldByName("PQTY").dataType(), TFieldType::ftFloat);
    EXPECT_DOUBLE_EQ(q.fieldByName("PQTY").asFloat(), 2.25);

    q.close();
    q.SQL().clear();
    q.SQL().add("SELECT PROD_ID, NOW_QTY FROM PRODUCT WHERE PROD_ID = 'none'");
    q.open(); // an empty result reads as null in every column
    EXPECT_TRUE(q.eof());
    EXPECT_TRUE(q.fields(0).isNull());
    EXPECT_EQ(q.fieldByName("NOW_QTY").asString(), "");
    EXPECT_EQ(q.fieldByName("NOW_QTY").asInteger(), 0);
}

TEST_F(SqlLayer, TransactionsAreSeenAcrossConnections)
{
    TTransactionDesc td;
    EXPECT_EQ(errorOf([&] { c2->commit(td); }), "There is no active transaction");
    EXPECT_EQ(errorOf([&] { c2->rollback(td); }), "There is no active transaction");
    EXPECT_FALSE(c2->connected()); // nothing has needed it yet

    TSQLQuery w(c2.get());
    TSQLQuery r(c1.get());
    auto count = [&] {
        r.close();
        r.SQL().clear();
        r.SQL().add("SELECT Count(*) FROM TEMP_MOVEID");
        r.open();
        return r.fields(0).asInteger();
    };
    // Outside a transaction a statement takes effect at once.
    w.SQL().add("INSERT INTO TEMP_MOVEID(BILL_DATE,LAST_ID) values('2004/06/19',1)");
    w.execSQL();
    EXPECT_TRUE(c2->connected());
    EXPECT_EQ(count(), 1);

    c2->startTransaction(td);
    EXPECT_TRUE(c2->inTransaction());
    w.execSQL();
    EXPECT_EQ(count(), 1); // not committed yet
    c2->rollback(td);
    EXPECT_FALSE(c2->inTransaction());
    EXPECT_EQ(count(), 1);
    c2->startTransaction(td);
    w.execSQL();
    c2->commit(td);
    EXPECT_EQ(count(), 2);
}

TEST_F(SqlLayer, ViewCreatedOnOneConnectionIsVisibleToTheOther)
{
    db.exec("INSERT INTO SAL_SUB(PROD_ID,QTY,BILL_DATE,STOCK_ID) VALUES('A1',2.5,'2004/02/29','S02')");
    TSQLQuery q1(c1.get());
    q1.SQL().add("CREATE VIEW VIEW_SALQTYS02(PROD_ID,SAL_QTY) as ");
    q1.SQL().add("SELECT PROD_ID,CAST(SUM(QTY) AS INT) FROM SAL_SUB ");
    q1.SQL().add(" WHERE BILL_DATE = '2004/02/29'");
    q1.SQL().add(" AND STOCK_ID = 'S02'");
    q1.SQL().add(" GROUP BY PROD_ID");
    q1.execSQL();
    TSQLQuery q2(c2.get());
    q2.SQL().add("SELECT SAL_QTY FROM VIEW_SALQTYS02");
    q2.open();
    EXPECT_EQ(q2.fields(0).asInteger(), 3); // the server rounds half away from zero
    q2.close();
    q2.SQL().clear();
    q2.SQL().add("SELECT RDB$VIEW_NAME FROM RDB$VIEW_RELATIONS WHERE RDB$VIEW_NAME = 'VIEW_SALQTYS02'");
    q2.open();
    EXPECT_FALSE(q2.fields(0).isNull());
}

TEST_F(SqlLayer, ProviderFeedReleasesItsStatementSoTheViewCanBeDropped)
{
    db.exec("CREATE VIEW V1(PROD_ID) AS SELECT PROD_ID FROM PRODUCT");
    db.exec("INSERT INTO PRODUCT(PROD_ID) VALUES('A1')");
    TSQLDataSet ds(c1.get());
    TDataSetProvider provider(&ds);
    provider.Options = poAllowCommandText;
    auto source = provider.open("SELECT * FROM V1");
    std::vector<TValue> row;
    ASSERT_TRUE(source->fetch(row));
    EXPECT_EQ(row[0].asString(), "A1");
    EXPECT_TRUE(ds.prepared());
    EXPECT_FALSE(source->fetch(row));
    EXPECT_FALSE(ds.prepared());
    TSQLQuery drop(c2.get()); // would wait for ever if the statement were still prepared
    drop.SQL().add("DROP VIEW V1");
    drop.execSQL();
    EXPECT_EQ(db.scalar("SELECT COUNT(*) FROM RDB$VIEW_RELATIONS WHERE RDB$VIEW_NAME = 'V1'"), "0");
}

TEST_F(SqlLayer, SharedColumnNamesGetASuffix)
{
    db.exec("INSERT INTO MOVE_MASTER(MASTERBILLID,BILL_DATE) VALUES('200406190001','2004/06/19')");
    db.exec("INSERT INTO MOVE_SUB(MASTERBILLID,PROD_ID,BILL_DATE) VALUES('200406190001','A1','2004/06/19')");
    TSQLDataSet ds(c1.get());
    ds.setCommandText("SELECT * FROM MOVE_MASTER,MOVE_SUB WHERE MOVE_MASTER.MASTERBILLID = MOVE_SUB.MASTERBILLID");
    auto source = ds.openSource(true);
    std::vector<std::string> names;
    for (const auto &f : source->fieldDefs())
        names.push_back(f.name);
    ASSERT_EQ(names.size(), 7u + 22u);
    EXPECT_EQ(names[0], "MASTERBILLID");
    EXPECT_EQ(names[7], "MASTERBILLID_1");
    EXPECT_EQ(names.back(), "BILL_DATE_1");
}

TEST_F(SqlLayer, StatementStaysPreparedWhileItsTextIsRebuiltTheSame)
{
    TSQLQuery q(c1.get());
    for (int i = 0; i < 3; ++i) {
        q.close();
        q.SQL().clear();
        q.SQL().add("SELECT Count(*) FROM PRODUCT");
        q.SQL().add(" WHERE NOW_QTY > 0");
        q.open();
        EXPECT_TRUE(q.prepared());
    }
    q.SQL().clear();
    q.SQL().add("SELECT 1 FROM RDB$DATABASE");
    EXPECT_FALSE(q.prepared()); // released as soon as the text names another statement
}

TEST_F(SqlLayer, AWrongPasswordOnTheServerGivesTheServersMessage)
{
    const QByteArray server = qgetenv("TOUCHMOVE_SERVER"), folder = qgetenv("TOUCHMOVE_SERVER_DIR");
    if (server.isEmpty() || folder.isEmpty())
        GTEST_SKIP() << "no Firebird server here (scripts/test starts one)";
    TIniFile conns(db.programDir() + "dbxconnections.ini");
    conns.writeString("Kobrel", "Database", server.toStdString() + ":" + folder.toStdString() + "/none.fdb");
    conns.writeString("Kobrel", "User_Name", "SYSDBA");
    conns.writeString("Kobrel", "Password", "not-the-password");
    TSQLConnection c(db.programDir());
    c.ConnectionName = "Kobrel";
    const std::string msg = errorOf([&] { c.open(); });
    EXPECT_NE(msg.find("password"), std::string::npos) << msg;
    EXPECT_FALSE(c.connected());
}

// A read outside an explicit transaction runs in a read-only transaction of its own, whose commit writes
// nothing to the database; inside an explicit transaction it runs in that one.
TEST_F(SqlLayer, ReadsOutsideATransactionAreReadOnly)
{
    TSQLQuery q(c1.get());
    const auto readOnly = [&] {
        q.close();
        q.SQL().clear();
        q.SQL().add("SELECT MON$READ_ONLY FROM MON$TRANSACTIONS WHERE MON$TRANSACTION_ID = CURRENT_TRANSACTION");
        q.open();
        return q.fields(0).asInteger();
    };
    EXPECT_EQ(readOnly(), 1);
    c1->startTransaction({});
    EXPECT_EQ(readOnly(), 0);
    c1->rollback({});
}

// The definition's dialect is the attachment's and every statement's: in dialect 1 a double-quoted text is a
// literal, in dialect 3 a name.
TEST_F(SqlLayer, TheDialectComesFromTheDefinition)
{
    const auto firstValue = [&](const char *dialect) {
        TIniFile(db.programDir() + "dbxconnections.ini").writeString("Kobrel", "SQLDialect", dialect);
        TSQLConnection c(db.programDir());
        c.ConnectionName = "Kobrel";
        TSQLQuery q(&c);
        q.SQL().add("SELECT \"abc\" FROM RDB$DATABASE");
        return errorOf([&] { q.open(); }).empty() ? q.fields(0).asString() : "refused";
    };
    EXPECT_EQ(firstValue("1"), "abc");
    EXPECT_EQ(firstValue("3"), "refused");
    EXPECT_EQ(firstValue(""), "refused"); // 3 when empty
    TIniFile(db.programDir() + "dbxconnections.ini").writeString("Kobrel", "SQLDialect", "three");
    TSQLConnection c(db.programDir());
    c.ConnectionName = "Kobrel";
    EXPECT_EQ(errorOf([&] { c.open(); }), "SQLDialect 'three' is not a SQL dialect (1, 2 or 3)");
}

// A transaction object that dies unfinished takes its work with it; one that is moved hands it on.
TEST_F(SqlLayer, AnUnfinishedTransactionIsRolledBackWhenItGoes)
{
    const auto insert = [&](fb::Transaction &t, const char *day) {
        fb::Statement(c1->attachment(), t,
                      std::string("INSERT INTO TEMP_MOVEID(BILL_DATE,LAST_ID) VALUES('") + day + "',1)")
            .execute(t, nullptr, nullptr);
    };
    {
        fb::Transaction t = c1->startOwnTransaction(false);
        insert(t, "2004/06/19");
        fb::Transaction moved = std::move(t);
        EXPECT_FALSE(t.active());
        EXPECT_TRUE(moved.active());
    }
    {
        fb::Transaction t = c1->startOwnTransaction(false);
        insert(t, "2004/06/20");
        t.commit();
        EXPECT_EQ(t.state(), fb::TransactionState::Committed);
    }
    {
        TSQLTransactionScope scope(*c2);
        TSQLQuery q(c2.get());
        q.SQL().add("INSERT INTO TEMP_MOVEID(BILL_DATE,LAST_ID) VALUES('2004/06/21',1)");
        q.execSQL();
    }
    EXPECT_FALSE(c2->inTransaction());
    EXPECT_EQ(db.scalar("SELECT LIST(BILL_DATE) FROM TEMP_MOVEID"), "2004/06/20");
}

// A server error keeps every code of its vector, not only the first, and its SQLSTATE.
TEST_F(SqlLayer, ServerErrorsKeepTheirWholeErrorVector)
{
    db.exec("INSERT INTO STOCK_ITEM(STOCK_ID) VALUES('S01')");
    db.exec("INSERT INTO TEMP_MOVEID(BILL_DATE,LAST_ID) VALUES('2004/06/19',1)");
    const struct {
        const char *statement;
        long first, later;
        const char *sqlState;
        const char *text;
    } cases[] = {
        {"SELECT * FROM NOPE", isc_dsql_error, isc_dsql_relation_err, "42S02", "Table unknown"},
        {"INSERT INTO STOCK_ITEM(STOCK_ID) VALUES('S01')", isc_unique_key_violation, isc_idx_key_value,
         "23000", "violation of PRIMARY"},
        {"UPDATE TEMP_MOVEID SET LAST_ID = 'x'", isc_convert_error, isc_convert_error, "22018", "conversion error"},
    };
    TSQLQuery q(c1.get());
    for (const auto &c : cases) {
        setStatement(q, {c.statement});
        const EDatabaseError e = failureOf([&] { q.execSQL(); });
        EXPECT_EQ(e.gdsCode(), c.first) << c.statement;
        EXPECT_TRUE(e.has(c.later)) << c.statement;
        EXPECT_EQ(e.sqlState(), c.sqlState) << c.statement;
        EXPECT_NE(std::string(e.what()).find(c.text), std::string::npos) << e.what();
        EXPECT_FALSE(e.isConnectionLost()) << c.statement;
    }
}

// The operator reads a short sentence for the failures of an ordinary day, the server's text below it.
TEST_F(SqlLayer, CommonServerFailuresAreToldInPlainWords)
{
    db.exec("INSERT INTO STOCK_ITEM(STOCK_ID) VALUES('S01')");
    const struct {
        const char *statement;
        const char *cause;
    } cases[] = {
        {"INSERT INTO STOCK_ITEM(STOCK_ID) VALUES('S0123456789')", "資料長度超過資料庫欄位的長度..!"},
        {"INSERT INTO TEMP_MOVEID(BILL_DATE,LAST_ID) VALUES('x',9999999999)", "數值超出資料庫欄位的範圍..!"},
        {"SELECT CAST(9999999999 AS INTEGER) FROM RDB$DATABASE", "數值超出資料庫欄位的範圍..!"},
        {"SELECT * FROM NOPE", ""},
    };
    TSQLQuery q(c1.get());
    for (const auto &c : cases) {
        setStatement(q, {c.statement});
        const bool select = std::string_view(c.statement).starts_with("SELECT");
        const EDatabaseError e = failureOf([&] { select ? q.open() : q.execSQL(); });
        const QString cause = QString::fromUtf8(c.cause);
        EXPECT_EQ(prompts::plainCause(e), cause) << c.statement;
        const QString text = prompts::errorText(e);
        EXPECT_EQ(text, cause.isEmpty() ? QString::fromUtf8(e.what()) : cause + "\n" + QString::fromUtf8(e.what()))
            << c.statement;
    }
    EXPECT_EQ(prompts::errorText(EDatabaseError("There is no active transaction")), "There is no active transaction");

    TSQLQuery mine(c1.get());
    setStatement(mine, {"SELECT CURRENT_CONNECTION FROM RDB$DATABASE"});
    mine.open();
    TSQLTransactionScope unit(*c1); // a loss outside a transaction is mended by the next statement
    TSQLQuery other(c2.get());
    setStatement(other, {"DELETE FROM MON$ATTACHMENTS WHERE MON$ATTACHMENT_ID = " + mine.fields(0).asString()});
    other.execSQL();
    EXPECT_EQ(prompts::plainCause(failureOf([&] { mine.open(); })), QStringLiteral("與門市資料庫的連線中斷了..!"));
}

// An attachment killed from another one is lost. Inside an explicit transaction the loss is raised and the
// transaction is gone with it; outside one the next statement attaches anew by itself and prepares its
// statement again, and ensureConnected() does the same without a statement.
TEST_F(SqlLayer, AKilledAttachmentIsLostAndTheConnectionAttachesAgain)
{
    TSQLQuery mine(c1.get());
    setStatement(mine, {"SELECT CURRENT_CONNECTION FROM RDB$DATABASE"});
    const auto attachmentId = [&] {
        mine.open();
        return mine.fields(0).asString();
    };
    TSQLQuery other(c2.get());
    const auto kill = [&](const std::string &id) {
        setStatement(other, {"DELETE FROM MON$ATTACHMENTS WHERE MON$ATTACHMENT_ID = " + id});
        other.execSQL();
    };
    const std::string first = attachmentId();
    {
        TSQLTransactionScope unit(*c1);
        kill(first);
        const EDatabaseError lost = failureOf([&] { mine.open(); });
        EXPECT_TRUE(lost.isConnectionLost()) << lost.what();
    }
    EXPECT_FALSE(c1->inTransaction());
    EXPECT_FALSE(EDatabaseError("There is no active transaction").isConnectionLost());

    const std::string second = attachmentId();
    EXPECT_NE(second, first);
    const std::shared_ptr<fb::Attachment> lost = c1->attachment();
    kill(second);
    c1->ensureConnected();
    EXPECT_NE(c1->attachment(), lost);
    const std::string third = attachmentId();
    EXPECT_NE(third, second);
    c1->close();
    EXPECT_FALSE(c1->connected());
    EXPECT_NE(attachmentId(), third);
}

// A watchdog on another thread cancels a running statement; the attachment stays usable.
TEST_F(SqlLayer, ARunningStatementCanBeCancelledFromAnotherThread)
{
    TSQLQuery q(c1.get());
    setStatement(q, {"SELECT COUNT(*) FROM RDB$FIELDS A, RDB$FIELDS B, RDB$FIELDS C, RDB$FIELDS D"});
    const std::shared_ptr<fb::Attachment> attachment = c1->attachment();
    std::atomic<bool> done = false;
    std::thread watchdog([&] {
        while (!done) {
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
            attachment->cancelOperation();
        }
    });
    const EDatabaseError e = failureOf([&] { q.open(); });
    done = true;
    watchdog.join();
    EXPECT_TRUE(e.has(isc_cancelled)) << e.what();
    EXPECT_FALSE(e.isConnectionLost());
    setStatement(q, {"SELECT 1 FROM RDB$DATABASE"});
    q.open();
    EXPECT_EQ(q.fields(0).asInteger(), 1);
}

// The time limits are keys of the connection definition; a value that is no number of seconds is refused.
// A statement that waits past StatementTimeout (here on a row another attachment holds) is cancelled with
// a message naming the limit, and the connection goes on.
TEST_F(SqlLayer, AStatementPastItsLimitIsCancelled)
{
    TIniFile conns(db.programDir() + "dbxconnections.ini");
    for (const char *key : {"ConnectTimeout", "StatementTimeout"})
        for (const char *value : {"abc", "0", "-5", "86401"}) {
            conns.writeString("Kobrel", key, value);
            TSQLConnection c(db.programDir());
            c.ConnectionName = "Kobrel";
            EXPECT_EQ(errorOf([&] { c.open(); }),
                      std::string(key) + " '" + value + "' is not a number of seconds (1 to 86400)");
            conns.writeString("Kobrel", key, "");
        }
    conns.writeString("Kobrel", "StatementTimeout", "1");
    db.exec("INSERT INTO TEMP_MOVEID(BILL_DATE,LAST_ID) VALUES('2004/06/19',1)");
    TSQLQuery holder(c2.get());
    c2->startTransaction({});
    setStatement(holder, {"UPDATE TEMP_MOVEID SET LAST_ID = 2"});
    holder.execSQL();

    TSQLQuery waiter(c1.get());
    setStatement(waiter, {"UPDATE TEMP_MOVEID SET LAST_ID = 3"});
    const EDatabaseError e = failureOf([&] { waiter.execSQL(); });
    EXPECT_TRUE(e.has(isc_cancelled)) << e.what();
    EXPECT_NE(std::string(e.what()).find("statement time limit of 1 s (StatementTimeout)"), std::string::npos)
        << e.what();
    EXPECT_EQ(prompts::plainCause(e), QStringLiteral("門市資料庫沒有在時限內回應,作業已取消..!"));
    c2->rollback({});
    waiter.execSQL();
    EXPECT_EQ(db.scalar("SELECT LAST_ID FROM TEMP_MOVEID"), "3");
}

// A port that accepts a connection and never answers: connecting ends at the definition's ConnectTimeout
// with the message that the database cannot be reached, naming it.
TEST_F(SqlLayer, ConnectingToAServerThatNeverAnswersEndsAtTheConnectTimeout)
{
    const int listener = socket(AF_INET, SOCK_STREAM, 0);
    ASSERT_GE(listener, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    ASSERT_EQ(bind(listener, reinterpret_cast<sockaddr *>(&address), length), 0);
    ASSERT_EQ(listen(listener, 4), 0); // the system accepts; nobody ever answers
    ASSERT_EQ(getsockname(listener, reinterpret_cast<sockaddr *>(&address), &length), 0);
    const std::string database = "127.0.0.1/" + std::to_string(ntohs(address.sin_port)) + ":/shop/POSDATA.FDB";

    TIniFile conns(db.programDir() + "dbxconnections.ini");
    conns.writeString("Kobrel", "Database", database);
    conns.writeString("Kobrel", "ConnectTimeout", "2");
    TSQLConnection c(db.programDir());
    c.ConnectionName = "Kobrel";
    QElapsedTimer timer;
    timer.start();
    try {
        c.open();
        ADD_FAILURE() << "connected to a port that never answers";
    } catch (const EConnectFailed &e) {
        EXPECT_EQ(e.database(), database);
        EXPECT_EQ(prompts::plainCause(e), QStringLiteral("無法連線到門市資料庫 %1..!").arg(QString::fromStdString(database)));
    }
    const qint64 elapsed = timer.elapsed();
    close(listener);
    std::printf("connecting to a port that never answers gave up after %lld ms (ConnectTimeout 2 s)\n", elapsed);
    EXPECT_GE(elapsed, 1900) << "it waited for the limit";
    EXPECT_FALSE(c.connected());
}

// The embedded engine's lock folder must be the user's alone.
TEST(LockFolder, OnlyAFolderOfTheUsersOwnIsUsed)
{
    QTemporaryDir parent;
    const std::string path = parent.path().toStdString() + "/locks";
    const auto mode = [&] {
        struct stat st;
        return stat(path.c_str(), &st) == 0 ? (st.st_mode & 07777) : 0u;
    };
    fb::makePrivateFolder(path);
    EXPECT_EQ(mode(), 0700u);
    chmod(path.c_str(), 0755); // the user's, readable by others: closed to them
    fb::makePrivateFolder(path);
    EXPECT_EQ(mode(), 0700u);

    const std::string refused = "The lock folder '" + path + "' of the embedded engine cannot be used: ";
    chmod(path.c_str(), 0777);
    EXPECT_EQ(errorOf([&] { fb::makePrivateFolder(path); }), refused + "others may write it (mode 0777)");
    EXPECT_EQ(mode(), 0777u);
    chmod(path.c_str(), 0700);
    if (geteuid() == 0 && chown(path.c_str(), 65534, 65534) == 0) {
        EXPECT_EQ(errorOf([&] { fb::makePrivateFolder(path); }),
                  refused + "it belongs to user 65534, not to user " + std::to_string(getuid()));
        ASSERT_EQ(chown(path.c_str(), getuid(), getgid()), 0);
    }
    const std::string link = parent.path().toStdString() + "/link";
    ASSERT_EQ(symlink(path.c_str(), link.c_str()), 0);
    EXPECT_EQ(errorOf([&] { fb::makePrivateFolder(link); }),
              "The lock folder '" + link + "' of the embedded engine cannot be used: it is a symbolic link");
}
