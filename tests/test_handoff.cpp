// The print-preview hand-off: the files written for the preview module, read back, and the module's loading,
// call and unloading, driven through the real screen's buttons on a real embedded shop database.

#include "PostingShop.h"
#include "ScreenFixture.h"

#include "data/IniFile.h"
#include "transfer/core/PreviewHandOff.h"
#include "widgets/CodePageEdit.h"
#include "widgets/ImageButton.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTest>

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

using transfer::TFormTouchMove;

namespace {

/// Makes a folder unwritable, also for root (immutable flag), for as long as it lives.
class ReadOnlyFolder {
public:
    explicit ReadOnlyFolder(const std::string &folder) : folder_(QString::fromStdString(folder))
    {
        if (geteuid() == 0)
            ok_ = QProcess::execute(QStringLiteral("chattr"), {QStringLiteral("+i"), folder_}) == 0;
        else
            ok_ = chmod(folder.c_str(), 0555) == 0;
    }
    ~ReadOnlyFolder()
    {
        if (geteuid() == 0)
            QProcess::execute(QStringLiteral("chattr"), {QStringLiteral("-i"), folder_});
        else
            chmod(folder_.toLocal8Bit().constData(), 0755);
    }
    bool ok() const { return ok_; }

private:
    QString folder_;
    bool ok_ = false;
};

class HandOff : public ::testing::Test, public ScreenFixture {
protected:
    HandOff()
    {
        prepareShop(db);
    }

    TFormTouchMove &s() { return screen(); }
    std::string dir() const { return db.programDir(); }
    bool exists(const char *name) const { return QFile::exists(QString::fromStdString(dir() + name)); }

    /// Posts a bill of the given lines and answers the question with Yes, which opens the preview.
    void post(const std::vector<std::pair<std::string, int>> &bill)
    {
        auto &lines = s().store.ClientDataSet2;
        for (lines.first(); !lines.eof(); lines.next()) { // lines of earlier bills move nothing more
            lines.edit();
            lines.fieldByName("M_QTY").setAsInteger(0);
            lines.post();
        }
        int sno = lines.recordCount();
        for (const auto &[id, quantity] : bill)
            addLine(lines, ++sno, id, "name of " + id, 100, quantity);
        messages.queue(prompts::MsgResult::Yes);
        QTest::mouseClick(s().fcImageBtn2, Qt::LeftButton);
    }
    void preview() { QTest::mouseClick(s().fcImageBtn1, Qt::LeftButton); }

    void load(data::TClientDataSet &set, const char *name) { set.loadFromFile(dir() + name); }
    int rowsOf(const char *name)
    {
        data::TClientDataSet set;
        load(set, name);
        return set.recordCount();
    }
};

std::vector<std::string> fieldNames(data::TClientDataSet &set)
{
    std::vector<std::string> names;
    for (int i = 0; i < set.fieldCount(); ++i)
        names.push_back(set.fields(i).fieldName());
    return names;
}

} // namespace

TEST_F(HandOff, FilesOfAPostedBillReadBack)
{
    s().bsSkinEdit2->setFocus();
    post({{"P002", 5}, {"P001", 4}});
    ASSERT_TRUE(errors.shown.isEmpty()) << errors.shown.join("\n").toStdString();
    EXPECT_EQ(moduleCalls(dir()), std::vector<std::string>({"called rpttemp.ini=1 temp.cds=1 temp2.cds=1"}))
        << "every file is complete before the module is called";
    EXPECT_FALSE(moduleLoaded(dir())) << "the module is unloaded after the call";

    data::TClientDataSet header;
    load(header, "temp2.cds");
    ASSERT_EQ(header.fieldCount(), 13);
    for (int i = 0; i < 13; ++i) {
        EXPECT_EQ(header.fields(i).fieldName(), "Field" + std::to_string(i));
        EXPECT_EQ(header.fields(i).dataType(), data::TFieldType::ftString);
        EXPECT_EQ(header.fields(i).size(), 50);
    }
    ASSERT_EQ(header.recordCount(), 1);
    header.first();
    EXPECT_EQ(header.fieldByName("Field0").asString(), "S01" + cp950("總倉"));
    EXPECT_EQ(header.fieldByName("Field1").asString(), "S02" + cp950("分倉"));
    for (int i = 2; i <= 11; ++i)
        EXPECT_TRUE(header.fields(i).isNull()) << i;
    EXPECT_EQ(header.fieldByName("Field12").asString(), cp950("中山店 調撥單"));

    data::TClientDataSet bill;
    load(bill, "temp.cds");
    EXPECT_EQ(fieldNames(bill),
              std::vector<std::string>({"MASTERBILLID", "BILL_DATE", "S_STOCKID", "T_STOCKID", "STORE_ID", "CHG_DATE",
                                        "CHG_USER", "MASTERBILLID_1", "KEYINTIME", "PROD_ID", "PROD_NAME", "PROD_SCALE",
                                        "QTY", "UNITNAME", "TEMPPRODID", "V_QTY", "V_UNIT", "PACK1_QTY", "PACK1_NAME",
                                        "PACK2_QTY", "PACK2_NAME", "PD_ITEMID", "REMARK", "STORE_ID_1", "S_STOCKID_1",
                                        "T_STOCKID_1", "CHG_DATE_1", "CHG_USER_1", "BILL_DATE_1"}));
    ASSERT_EQ(bill.recordCount(), 2);
    bill.first();
    EXPECT_EQ(bill.fieldByName("PROD_ID").asString(), "P001") << "ordered by the product code";
    EXPECT_EQ(bill.fieldByName("QTY").asInteger(), 4);
    EXPECT_EQ(bill.fieldByName("MASTERBILLID").asString(), "200403010001");
    EXPECT_EQ(bill.fieldByName("MASTERBILLID_1").asString(), "200403010001");
    EXPECT_EQ(bill.fieldByName("CHG_USER").asString(), "A01");
    EXPECT_EQ(bill.fieldByName("CHG_USER_1").asString(), "");
    EXPECT_EQ(bill.fieldByName("UNITNAME").asString(), cp950("包"));
    bill.next();
    EXPECT_EQ(bill.fieldByName("PROD_ID").asString(), "P002");

    const data::TIniFile ini(dir() + "rpttemp.ini");
    const auto keys = ini.sectionValues("rpttemp");
    const std::vector<std::pair<std::string, std::string>> expected = {
        {"path", dir() + "rtm/quorvan.rtm"}, {"tempfile", dir() + "temp.cds"}, {"tempfile2", dir() + "temp2.cds"},
        {"Filter", ""}, {"Filtered", "False"}};
    EXPECT_EQ(keys, expected);

    // The bill record set stays open on the bill rows, fed by the statement as the preview sent it.
    auto &cds = s().store.ClientDataSet1;
    EXPECT_TRUE(cds.active());
    EXPECT_EQ(cds.recordCount(), 2);
    EXPECT_EQ(cds.commandText(), "SELECT * FROM MOVE_MASTER,MOVE_SUB \r\n"
                                 "WHERE MOVE_MASTER.MASTERBILLID = MOVE_SUB.MASTERBILLID \r\n"
                                 "AND MOVE_MASTER.MASTERBILLID = '200403010001'\r\n"
                                 "ORDER BY MOVE_SUB.PROD_ID\r\n");
    auto &q = s().store.SQLQuery1;
    ASSERT_EQ(q.SQL().count(), 2);
    EXPECT_EQ(q.SQL()[0], "SELECT STOCK_ID||STOCK_NAME FROM STOCK_ITEM ");
    EXPECT_EQ(q.SQL()[1], "WHERE STOCK_ID = 'S02'");
}

TEST_F(HandOff, SettingsFileKeepsWhatElseItHolds)
{
    const std::string before = "; written by hand\r\n[Other]\r\nKey=1\r\n[rpttemp]\r\nextra=keep\r\npath=old\r\n";
    QFile f(QString::fromStdString(dir() + "rpttemp.ini"));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(before.data(), qint64(before.size()));
    f.close();
    preview();
    preview(); // written twice: still one of each key

    const data::TIniFile ini(dir() + "rpttemp.ini");
    const auto keys = ini.sectionValues("rpttemp");
    ASSERT_EQ(keys.size(), 6u);
    EXPECT_EQ(keys[0], std::make_pair(std::string("extra"), std::string("keep")));
    EXPECT_EQ(keys[1], std::make_pair(std::string("path"), dir() + "rtm/quorvan.rtm"));
    EXPECT_EQ(keys[5], std::make_pair(std::string("Filtered"), std::string("False")));
    EXPECT_EQ(ini.readString("Other", "Key", "?"), "1");
    f.open(QIODevice::ReadOnly);
    EXPECT_TRUE(f.readAll().startsWith("; written by hand"));
}

TEST_F(HandOff, PreviewBeforeAnyConfirmationStillWritesAndCalls)
{
    s().SStockID = "S'1"; // a quote in a code cannot break the statement
    preview();
    EXPECT_TRUE(errors.shown.isEmpty()) << errors.shown.join("\n").toStdString();
    data::TClientDataSet header;
    load(header, "temp2.cds");
    header.first();
    EXPECT_EQ(header.fieldByName("Field0").asString(), "");
    EXPECT_EQ(header.fieldByName("Field1").asString(), "");
    EXPECT_EQ(rowsOf("temp.cds"), 0);
    EXPECT_EQ(moduleCalls(dir()).size(), 1u);
}

TEST_F(HandOff, EachPreviewReplacesTheFiles)
{
    post({{"P001", 4}, {"P002", 1}});
    s().bsSkinEdit2->setText("S02");
    s().bsSkinEdit1->setText("S01");
    post({{"P'03", 6}});
    ASSERT_TRUE(errors.shown.isEmpty()) << errors.shown.join("\n").toStdString();
    data::TClientDataSet bill;
    load(bill, "temp.cds");
    ASSERT_EQ(bill.recordCount(), 1);
    bill.first();
    EXPECT_EQ(bill.fieldByName("MASTERBILLID").asString(), "200403010002");
    EXPECT_EQ(bill.fieldByName("PROD_ID").asString(), "P'03");
    data::TClientDataSet header;
    load(header, "temp2.cds");
    EXPECT_EQ(header.recordCount(), 1);
    header.first();
    EXPECT_EQ(header.fieldByName("Field0").asString(), "S02" + cp950("分倉"));
    EXPECT_EQ(moduleCalls(dir()).size(), 2u);
}

// A failure before the files are written stops the hand-off there: no file, no module.
TEST_F(HandOff, FailuresBeforeTheFilesWriteNothing)
{
    struct Case {
        const char *what;
        std::function<void()> arrange;
        std::string message;
    };
    const Case cases[] = {
        {"title file missing", [&] { QFile::remove(QString::fromStdString(dir() + "Saltfen.dat")); },
         "Cannot open file \"" + dir() + "Saltfen.dat\""},
        {"title file without rep_title", [&] { writeTitleFile(dir(), "x", false); }, "Field 'rep_title' not found\n" + dir() + "Saltfen.dat"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        c.arrange();
        errors.shown.clear();
        preview();
        ASSERT_EQ(errors.shown.size(), 1);
        EXPECT_TRUE(errors.shown[0].contains(QString::fromStdString(c.message))) << errors.shown[0].toStdString();
        EXPECT_FALSE(exists("rpttemp.ini"));
        EXPECT_FALSE(exists("temp.cds"));
        EXPECT_FALSE(exists("temp2.cds"));
        EXPECT_TRUE(moduleCalls(dir()).empty());
    }
}

TEST_F(HandOff, AFailingStatementWritesNothing)
{
    db.exec("DROP TABLE STOCK_ITEM"); // before the screen holds a statement on it, which a drop waits for
    preview();
    ASSERT_EQ(errors.shown.size(), 1);
    EXPECT_TRUE(errors.shown[0].contains("STOCK_ITEM")) << errors.shown[0].toStdString();
    EXPECT_FALSE(exists("rpttemp.ini"));
    EXPECT_TRUE(moduleCalls(dir()).empty());
}

TEST_F(HandOff, NoModuleIsReportedAfterTheFilesAreWritten)
{
    QFile::remove(QString::fromStdString(dir() + "libRptPreview.so"));
    post({{"P001", 4}});
    EXPECT_EQ(db.scalar("SELECT COUNT(*) FROM MOVE_SUB"), "1") << "a preview failure is no write failure";
    ASSERT_EQ(errors.shown.size(), 1);
    const QStringList message = errors.shown[0].split('\n');
    EXPECT_EQ(message.value(0), "Unable to Load DLL");
    EXPECT_TRUE(message.value(1).contains("libRptPreview.so") && message.value(1).contains("No such file"))
        << "the module and the system's reason: " << errors.shown[0].toStdString();
    EXPECT_TRUE(exists("rpttemp.ini"));
    EXPECT_TRUE(exists("temp.cds"));
    EXPECT_TRUE(exists("temp2.cds"));
    EXPECT_THROW(transfer::callPreviewModule(dir()), transfer::EDLLLoadError);

    // A module file that is there but no module: its name and why it would not load.
    QFile broken(QString::fromStdString(dir() + "libRptPreview.so"));
    ASSERT_TRUE(broken.open(QIODevice::WriteOnly));
    broken.write("not a module");
    broken.close();
    errors.shown.clear();
    preview();
    ASSERT_EQ(errors.shown.size(), 1);
    EXPECT_TRUE(errors.shown[0].startsWith("Unable to Load DLL\n"));
    EXPECT_TRUE(errors.shown[0].contains(QString::fromStdString(dir() + "libRptPreview.so")) &&
                !errors.shown[0].contains("No such file"))
        << errors.shown[0].toStdString();
}

// A warehouse whose name is empty in STOCK_ITEM prints as its code; one that does not exist prints nothing.
TEST_F(HandOff, AWarehouseWithoutANamePrintsItsCode)
{
    db.exec("INSERT INTO STOCK_ITEM(STOCK_ID) VALUES('S05')");
    s().SStockID = "S05";
    s().TStockID = "S06";
    preview();
    ASSERT_TRUE(errors.shown.isEmpty()) << errors.shown.join("\n").toStdString();
    data::TClientDataSet header;
    load(header, "temp2.cds");
    header.first();
    EXPECT_EQ(header.fieldByName("Field0").asString(), "S05");
    EXPECT_TRUE(header.fieldByName("Field1").isNull());
}

TEST_F(HandOff, AModuleWithoutShowFormShowsNothingAndIsUnloaded)
{
    installModuleWithoutEntry(dir());
    preview();
    EXPECT_TRUE(errors.shown.isEmpty()) << errors.shown.join("\n").toStdString();
    EXPECT_TRUE(moduleCalls(dir()).empty());
    EXPECT_FALSE(moduleLoaded(dir()));
    EXPECT_TRUE(exists("temp2.cds"));
}

TEST_F(HandOff, AReadOnlyProgramFolderIsReportedAndTheModuleNotCalled)
{
    const QString log = QDir::temp().filePath(QStringLiteral("touchmove-preview-calls-%1.log").arg(getpid()));
    QFile::remove(log);
    qputenv("PREVIEW_CALL_LOG", log.toLocal8Bit());
    {
        const ReadOnlyFolder readOnly(dir());
        if (!readOnly.ok())
            GTEST_SKIP() << "this system cannot make a folder read-only";
        preview();
    }
    qunsetenv("PREVIEW_CALL_LOG");
    ASSERT_EQ(errors.shown.size(), 1);
    EXPECT_TRUE(errors.shown[0].contains("rpttemp.ini")) << errors.shown[0].toStdString();
    EXPECT_FALSE(exists("temp.cds"));
    EXPECT_FALSE(QFile::exists(log)) << "the module was not called";
    QFile::remove(log);
}
