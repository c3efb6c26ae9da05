// The transfer screen's start-up and shutdown, its layout and the line table's lock, driven on a real
// embedded shop database under the offscreen platform.

#include "ScreenFixture.h"

#include "data/ClientDataSet.h"
#include "data/DbError.h"
#include "data/IniFile.h"
#include "transfer/core/LineTable.h"
#include "transfer/core/QuantityCheck.h"
#include "widgets/CodePageEdit.h"
#include "widgets/DBGrid.h"
#include "widgets/DataSetModel.h"
#include "widgets/ImageButton.h"
#include "widgets/NumPad.h"
#include "widgets/SkinMessage.h"

#include <QCalendarWidget>
#include <QDir>
#include <QScreen>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <QHeaderView>

#include <gtest/gtest.h>

#include <optional>

using transfer::TFormTouchMove;

namespace {

// 總倉 and 王小明 in code page 950.
const std::string MainName = "\xc1\x60\xad\xdc";
const std::string SalesName = "\xa4\xfd\xa4\x70\xa9\xfa";

std::string readFile(const std::string &path)
{
    QFile f(QString::fromStdString(path));
    return f.open(QIODevice::ReadOnly) ? f.readAll().toStdString() : std::string("(missing)");
}

void writeFile(const std::string &path, const std::string &bytes)
{
    QFile f(QString::fromStdString(path));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes.data(), qint64(bytes.size()));
}

class Screen : public ::testing::Test, public ScreenFixture {
protected:
    std::string settings() const { return db.programDir() + "FormTouchMove.INI"; }
};

/// The terminals the screen is drawn for.
const QSize TerminalSizes[] = {{1024, 768}, {1280, 800}, {1920, 1080}};

/// Resizes a shown window and lets the platform deliver the resize.
void resizeShown(QWidget &window, const QSize &size)
{
    window.resize(size);
    for (int i = 0; i < 5 && window.size() != size; ++i)
        QCoreApplication::processEvents();
    QCoreApplication::processEvents();
}

/// The height of the condition menu's first item.
int menuItemHeight(TFormTouchMove &s)
{
    s.bsSkinPopupMenu1->ensurePolished();
    return s.bsSkinPopupMenu1->actionGeometry(s.N1).height();
}

} // namespace

TEST_F(Screen, FreshStartShowsTheEmptyScreen)
{
    db.exec("INSERT INTO STORE_CHOISE(STORE_ID) VALUES('K001')");
    db.exec("INSERT INTO STORE_CHOISE(STORE_ID) VALUES('K999')");
    TFormTouchMove &s = screen();

    EXPECT_EQ(s.windowTitle(), QString("調撥作業"));
    EXPECT_EQ(s.size(), QSize(792, 566));
    EXPECT_EQ(s.StoreID, "K001  ") << "the first row, CHAR with its trailing blanks";
    EXPECT_TRUE(s.store.SQLConnection1.connected());
    EXPECT_FALSE(s.store.SQLConnection2.connected()) << "the second connection opens at its first use";
    EXPECT_TRUE(errors.shown.isEmpty()) << errors.shown.join("\n").toStdString();

    EXPECT_EQ(s.SkinEdit_Date->text(), QString("2004/03/01"));
    EXPECT_TRUE(s.Edit_Rdate->text().isEmpty());
    EXPECT_TRUE(s.Edit_Rdate->isReadOnly());
    EXPECT_TRUE(s.bsSkinEdit1->text().isEmpty());
    EXPECT_TRUE(s.bsSkinEdit2->text().isEmpty());
    EXPECT_TRUE(s.bsSkinStdLabel4->text().isEmpty());
    EXPECT_FALSE(s.Timer1->isActive());
    EXPECT_EQ(s.Timer1->interval(), 1000);
    EXPECT_TRUE(s.bsSkinDBGrid1->showHint());

    const QStringList items = [&] {
        QStringList l;
        for (QAction *a : s.bsSkinPopupMenu1->actions())
            l << a->text();
        return l;
    }();
    EXPECT_EQ(items, QStringList({"當日調撥", "前一日調撥", "前二日調撥", "指定備貨日"}));
    EXPECT_EQ(s.bsSkinMenuSpeedButton1->text(), QString("條件選擇"));
    EXPECT_EQ(s.bsSkinButton1->text(), QString("條件確定"));
    EXPECT_EQ(s.bsSkinButton2->text(), QString("增加商品"));
    EXPECT_EQ(s.fcImageBtn2->text(), QString(" 調撥確認"));
    EXPECT_EQ(s.fcImageBtn1->text(), QString(" 預覽列印"));
    EXPECT_EQ(s.bsSkinMonthCalendar1->firstDayOfWeek(), Qt::Sunday);

    auto *model = s.bsSkinDBGrid1->dataSetModel();
    ASSERT_EQ(model->columnCount(), 7);
    EXPECT_EQ(model->rowCount(), 0);
    const char *captions[] = {"序", "商品代號", "商品名稱", "總倉數", "現有數", "銷售數", "應補數"};
    const int widths[] = {30, 90, 140, 50, 50, 50, 50};
    for (int i = 0; i < 7; ++i) {
        EXPECT_EQ(model->headerData(i, Qt::Horizontal).toString(), QString(captions[i]));
        EXPECT_EQ(s.bsSkinDBGrid1->columnWidth(i), widths[i]);
    }
    EXPECT_EQ(s.store.TempCDS.fieldCount(), 6);
    EXPECT_EQ(s.store.TempCDS.recordCount(), 0);
}

TEST_F(Screen, FirstRunWritesTheSettingsAndThePickedSetAtClose)
{
    screen();
    EXPECT_EQ(readFile(settings()), "(missing)");
    closeScreen();

    const data::TIniFile ini(settings());
    ASSERT_TRUE(ini.sectionExists("System"));
    const auto keys = ini.sectionValues("System");
    ASSERT_EQ(keys.size(), 3u);
    EXPECT_EQ(keys[0], std::make_pair(std::string("SSTOCKID"), std::string()));
    EXPECT_EQ(keys[1], std::make_pair(std::string("TSTOCKID"), std::string()));
    EXPECT_EQ(keys[2], std::make_pair(std::string("SalesID"), std::string()));

    data::TClientDataSet picked;
    picked.loadFromFile(db.programDir() + "aaa.cds");
    EXPECT_EQ(picked.fieldCount(), 6);
    EXPECT_EQ(picked.recordCount(), 0);
}

TEST_F(Screen, SettingsComeBackByteForByteAndKeepTheRestOfTheFile)
{
    // The salesperson text holds a byte pair that is no character of the code page and ends in half a
    // character: both show as replacement marks and must survive.
    const std::string odd = "A01_" + SalesName + "\x81\x30\xa4";
    writeFile(settings(), "; kept comment\r\n[Other]\r\nKey=1\r\n[System]\r\nSSTOCKID=S01" + MainName +
                              "\r\nTSTOCKID=S02\r\nSalesID=" + odd + "\r\n");
    TFormTouchMove &s = screen();
    EXPECT_EQ(s.bsSkinEdit2->text(), QString("S01總倉"));
    EXPECT_EQ(s.bsSkinEdit1->text(), QString("S02"));
    EXPECT_TRUE(s.bsSkinStdLabel4->text().startsWith(QString("A01_王小明")));
    EXPECT_EQ(s.bsSkinStdLabel4->text().count(QChar::ReplacementCharacter), 2);

    s.bsSkinEdit1->setText("S03");
    closeScreen();

    const std::string text = readFile(settings());
    EXPECT_NE(text.find("; kept comment"), std::string::npos);
    EXPECT_NE(text.find("[Other]"), std::string::npos);
    const data::TIniFile ini(settings());
    EXPECT_EQ(ini.readString("System", "SSTOCKID", "?"), "S01" + MainName);
    EXPECT_EQ(ini.readString("System", "TSTOCKID", "?"), "S03");
    EXPECT_EQ(ini.readString("System", "SalesID", "?"), odd);
    EXPECT_EQ(ini.readString("Other", "Key", "?"), "1");
}

TEST_F(Screen, SettingsFileWithoutItsSectionOrWithOddLinesGivesEmptyFields)
{
    writeFile(settings(), "garbage without equals\n[system2]\nSSTOCKID=X\n=\n[\n");
    TFormTouchMove &s = screen();
    EXPECT_TRUE(s.bsSkinEdit2->text().isEmpty());
    EXPECT_TRUE(s.bsSkinEdit1->text().isEmpty());
    EXPECT_TRUE(errors.shown.isEmpty());
    closeScreen();
    EXPECT_EQ(data::TIniFile(settings()).readString("System", "SSTOCKID", "?"), "");
}

TEST_F(Screen, SettingsFollowTheProgramFolderNotTheWorkingFolder)
{
    const QString before = QDir::currentPath();
    QDir::setCurrent(QDir::tempPath());
    screen();
    closeScreen();
    QDir::setCurrent(before);
    EXPECT_NE(readFile(settings()), "(missing)");
    EXPECT_FALSE(QFile::exists(QDir::tempPath() + "/FormTouchMove.INI"));
}

TEST_F(Screen, AFailingCreateStepIsShownAndTheScreenOpensNevertheless)
{
    db.exec("DROP TABLE STORE_CHOISE");
    TFormTouchMove &s = screen();
    ASSERT_EQ(errors.shown.size(), 1);
    EXPECT_TRUE(errors.shown[0].contains("STORE_CHOISE")) << errors.shown[0].toStdString();
    EXPECT_TRUE(s.StoreID.empty());
    EXPECT_FALSE(s.store.ClientDataSet2.active()) << "the steps after the failing one are skipped";
}

TEST_F(Screen, AFirstConnectionThatCannotBeOpenedStopsTheStart)
{
    QFile::remove(QString::fromStdString(db.programDir() + "dbxconnections.ini"));
    try {
        screen();
        FAIL() << "the screen was built without its connection";
    } catch (const data::EDatabaseError &e) {
        EXPECT_EQ(std::string(e.what()),
                  "Driver/Connection Registry File '" + db.programDir() + "dbxconnections.ini' not found");
    }
}

TEST_F(Screen, AWrongPasswordOrAMissingDatabaseStopsTheStartWithTheServersMessage)
{
    data::TIniFile defs(db.programDir() + "dbxconnections.ini");
    defs.writeString("Kobrel", "Database", db.programDir() + "nothere.fdb");
    try {
        screen();
        FAIL() << "the screen was built on a database that does not exist";
    } catch (const data::EDatabaseError &e) {
        EXPECT_NE(std::string(e.what()).find("nothere.fdb"), std::string::npos) << e.what();
    }
}

TEST_F(Screen, APickedSetThatCannotBeSavedIsShownAfterTheSettingsAndTheWindowStillCloses)
{
    QDir(QString::fromStdString(db.programDir())).mkdir("aaa.cds"); // a folder where the file should go
    TFormTouchMove &s = screen();
    s.bsSkinEdit2->setText("S01");
    s.show();
    EXPECT_TRUE(s.close());
    EXPECT_FALSE(s.isVisible());
    ASSERT_EQ(errors.shown.size(), 1);
    EXPECT_TRUE(errors.shown[0].contains("aaa.cds")) << errors.shown[0].toStdString();
    EXPECT_EQ(data::TIniFile(settings()).readString("System", "SSTOCKID", "?"), "S01");
}

TEST_F(Screen, LockedFixedColumnsRefuseTypingAndTheQuantityColumnTakesIt)
{
    TFormTouchMove &s = screen();
    auto &lines = s.store.ClientDataSet2;
    lines.append();
    lines.fieldByName("Sno").setAsInteger(1);
    lines.fieldByName("PROD_ID").setAsString("A001");
    lines.fieldByName("T_QTY").setAsInteger(12);
    lines.post();
    transfer::LineTable(s.store.ClientDataSet2).lockFixedColumns(true);

    auto *model = s.bsSkinDBGrid1->dataSetModel();
    for (int c = 0; c < 6; ++c)
        EXPECT_FALSE(model->flags(model->index(0, c)) & Qt::ItemIsEditable) << "column " << c;
    EXPECT_TRUE(model->flags(model->index(0, 6)) & Qt::ItemIsEditable);
    EXPECT_THROW(lines.fieldByName("PROD_ID").setAsString("B"), data::EDatabaseError);

    transfer::LineTable(s.store.ClientDataSet2).lockFixedColumns(false);
    EXPECT_TRUE(model->flags(model->index(0, 1)) & Qt::ItemIsEditable);
}

TEST_F(Screen, QuantityRuleComparesWithEmptyBelowEveryNumber)
{
    TFormTouchMove &s = screen();
    auto &lines = s.store.ClientDataSet2;
    struct Case {
        std::optional<int> stock, quantity;
        bool refused;
    };
    const Case cases[] = {{10, 10, false}, {10, 11, true}, {10, 0, false}, {10, -3, false},
                          {10, {}, false}, {{}, 0, true},  {{}, {}, false}};
    for (const Case &c : cases) {
        lines.append();
        if (c.stock)
            lines.fieldByName("T_QTY").setAsInteger(*c.stock);
        if (c.quantity)
            lines.fieldByName("M_QTY").setAsInteger(*c.quantity);
        lines.fieldByName("PROD_ID").setAsString("P");
        const int shownBefore = int(messages.shown().size());
        if (c.refused) {
            EXPECT_THROW(lines.post(), data::EAbort);
            EXPECT_EQ(lines.state(), data::TDataSetState::dsInsert) << "the line stays pending";
            ASSERT_EQ(int(messages.shown().size()), shownBefore + 1);
            EXPECT_EQ(messages.shown().back().text, QString("數量輸入大於現有庫存量.."));
            EXPECT_EQ(messages.shown().back().kind, prompts::MsgKind::Warning);
            lines.cancel();
        } else {
            EXPECT_NO_THROW(lines.post());
            EXPECT_EQ(int(messages.shown().size()), shownBefore);
        }
    }
}

TEST_F(Screen, ProductHintDescribesTheCurrentLineInTheProductCodeColumn)
{
    TFormTouchMove &s = screen();
    auto &lines = s.store.ClientDataSet2;
    lines.append();
    lines.fieldByName("PROD_ID").setAsString("A001");
    lines.fieldByName("PROD_NAME").setAsString("Towel");
    lines.fieldByName("T_QTY").setAsInteger(12);
    lines.post();
    s.show();
    auto *grid = s.bsSkinDBGrid1;
    grid->setCurrentIndex(grid->model()->index(0, 1));
    QTest::mouseMove(grid->viewport(), QPoint(40, 5));
    EXPECT_EQ(grid->hintText(), QString("A001\r\rTowel\r\r12\r\r"));

    grid->setHintText("kept");
    grid->setCurrentIndex(grid->model()->index(0, 2));
    QTest::mouseMove(grid->viewport(), QPoint(60, 5));
    EXPECT_EQ(grid->hintText(), QString("kept")) << "another column hides the hint and leaves its text";
}

TEST_F(Screen, TextThatIsNoCodePageCharacterShowsAMarkAndKeepsItsBytes)
{
    TFormTouchMove &s = screen();
    auto &lines = s.store.ClientDataSet2;
    const std::string odd = "\xa4\xfd\x81\x30"; // 王, then a pair the code page does not define
    lines.append();
    lines.fieldByName("PROD_ID").setAsString("A001");
    lines.fieldByName("PROD_NAME").setAsString(odd);
    lines.fieldByName("T_QTY").setAsInteger(12);
    lines.post();

    auto *model = s.bsSkinDBGrid1->dataSetModel();
    const QString shown = model->data(model->index(0, 2)).toString();
    EXPECT_TRUE(shown.startsWith(QString("王")));
    EXPECT_TRUE(shown.contains(QChar::ReplacementCharacter));

    // Editing the quantity of that line, and writing the shown name back unchanged, keep the name's bytes.
    EXPECT_TRUE(model->setData(model->index(0, 6), QString("5")));
    model->setData(model->index(0, 2), shown);
    lines.post();
    lines.first();
    EXPECT_EQ(lines.fieldByName("PROD_NAME").asString(), odd);
    EXPECT_EQ(lines.fieldByName("M_QTY").asInteger(), 5);
}

TEST_F(Screen, EverythingGrowsWithTheWindowAtTheTerminalsSizes)
{
    writeFile(settings(), "[System]\r\nSalesID=U01_" + SalesName + "\r\n");
    TFormTouchMove &s = screen();
    s.show();
    auto *grid = s.bsSkinDBGrid1;
    struct Look {
        int button, pictureButton, row, menuItem, key, column, panel, scrollBar;
        double fontPoints;
    };
    const auto look = [&] {
        return Look{s.bsSkinButton1->height(),
                    s.fcImageBtn2->height(),
                    grid->verticalHeader()->defaultSectionSize(),
                    menuItemHeight(s),
                    s.NumPad1->okKey->height(),
                    grid->columnWidth(2),
                    s.bsSkinPanel1->height(),
                    s.bsSkinScrollBar2->width(),
                    grid->font().pointSizeF()};
    };
    Look before = look();
    EXPECT_EQ(before.button, 25) << "at the design size, the design";
    EXPECT_EQ(before.column, 140);
    for (const QSize &size : TerminalSizes) {
        SCOPED_TRACE(testing::Message() << size.width() << "x" << size.height());
        resizeShown(s, size);
        ASSERT_EQ(s.size(), size);
        const double f = std::min(size.width() / 792.0, size.height() / 566.0);
        EXPECT_NEAR(s.scale().factor(), f, 1e-9);
        const Look now = look();
        // Everything grows by the same factor, and grows with every larger window.
        EXPECT_EQ(s.bsSkinButton1->geometry(), s.scale().px(QRect(304, 16, 97, 25)));
        EXPECT_EQ(s.fcImageBtn2->geometry(), s.scale().px(QRect(80, 168, 113, 33)));
        EXPECT_NEAR(now.button, 25 * f, 1);
        EXPECT_EQ(now.column, s.scale().px(140));
        EXPECT_EQ(now.panel, s.scale().px(49));
        EXPECT_EQ(now.scrollBar, s.scale().px(19));
        EXPECT_NEAR(now.fontPoints, 8 * f, 0.01);
        EXPECT_GT(now.button, before.button);
        EXPECT_GT(now.row, before.row);
        EXPECT_GT(now.menuItem, before.menuItem);
        EXPECT_GT(now.key, before.key);
        EXPECT_GT(now.column, before.column);
        EXPECT_GT(now.fontPoints, before.fontPoints);
        // Nothing is smaller than its design; on the large screen a finger hits every target.
        EXPECT_GE(now.row, 20);
        EXPECT_GE(now.menuItem, 20);
        if (size.height() >= 1080) {
            for (int target : {now.button, now.pictureButton, now.row, now.menuItem, now.key,
                               s.bsSkinButton3->height()})
                EXPECT_GE(target, widgets::DesignScale::FingerPixels);
        }
        // The header's controls stay where the design has them, and the salesperson's text is whole.
        EXPECT_EQ(s.bsSkinEdit2->geometry(), s.scale().px(QRect(656, 12, 121, 20)));
        EXPECT_EQ(s.bsSkinPanel4->width(), s.scale().px(271));
        const QLabel *sales = s.bsSkinStdLabel4;
        EXPECT_EQ(sales->text(), QString("U01_王小明"));
        const QRect ink = sales->fontMetrics().boundingRect(sales->text());
        EXPECT_GE(sales->width(), sales->fontMetrics().horizontalAdvance(sales->text()));
        EXPECT_GE(sales->height(), ink.height());
        EXPECT_LE(sales->geometry().bottom(), s.bsSkinPanel1->height());
        EXPECT_LE(sales->geometry().right(), s.SkinEdit_Date->x()) << "beside the date, not under it";
        before = now;
    }

    // Dialogs take the screen's scale, or less where they would not fit on the terminal with their frame.
    const QRect area = s.screen()->availableGeometry();
    for (const QSize design : {QSize(792, 563), QSize(295, 266)}) {
        const auto dialog = s.dialogScale(design);
        EXPECT_LE(dialog.factor(), s.scale().factor());
        EXPECT_TRUE(dialog.factor() == 1.0 || dialog.px(design).height() + 30 <= area.height())
            << dialog.factor() << " for " << design.height() << " on " << area.height();
    }

    // A window made smaller again draws smaller, never below the design.
    resizeShown(s, {700, 500});
    EXPECT_EQ(s.scale().factor(), 1.0);
    EXPECT_EQ(s.bsSkinButton1->height(), 25);
    EXPECT_EQ(grid->columnWidth(2), 140);
}

TEST_F(Screen, TheStatusLineTellsWhatEachActionDidAndLongWorkShowsItsProgress)
{
    clock.moment = QDateTime(QDate(2004, 3, 6), QTime(8, 0));
    db.exec("INSERT INTO STORE_CHOISE(STORE_ID) VALUES('K001')");
    for (const char *stock : {"S01", "S02"})
        db.exec(std::string("INSERT INTO STOCK_ITEM(STOCK_ID) VALUES('") + stock + "')");
    for (const char *prod : {"P1", "P2", "P3"}) {
        db.exec(std::string("INSERT INTO PRODUCT(PROD_ID,PROD_NAME,PROD_SNAME,NOW_QTY,DEL_FLAG) VALUES('") + prod +
                "','Name','Short',9,'False')");
        db.exec(std::string("INSERT INTO STORE_QTY(STOCK_ID,PROD_ID,NOW_QTY) VALUES('S01','") + prod + "',10)");
        db.exec(std::string("INSERT INTO STORE_QTY(STOCK_ID,PROD_ID,NOW_QTY) VALUES('S02','") + prod + "',0)");
    }
    for (const char *prod : {"P1", "P2"})
        db.exec(std::string("INSERT INTO SAL_SUB(PROD_ID,QTY,BILL_DATE,STOCK_ID) VALUES('") + prod +
                "',4,'2004/02/29','S02')");
    writeFile(settings(), "[System]\r\nSSTOCKID=S01\r\nTSTOCKID=S02\r\nSalesID=A01_x\r\n");
    TFormTouchMove &s = screen();
    s.show();
    EXPECT_TRUE(s.StatusLine->text().isEmpty());
    // Without a stocking date the proposal does nothing, and the status line says nothing either.
    QTest::mouseClick(s.bsSkinButton1, Qt::LeftButton);
    EXPECT_TRUE(s.StatusLine->text().isEmpty()) << s.StatusLine->text().toStdString();

    // The day after tomorrow has no sales on either reference day.
    s.N3->trigger();
    QTest::mouseClick(s.bsSkinButton1, Qt::LeftButton);
    EXPECT_EQ(s.StatusLine->text(), QString("沒有需要補貨的商品 (參考銷售日 2004/02/23)"));

    // Tomorrow's proposal takes the sales of 2004/02/29: two products.
    s.N2->trigger();
    QTest::mouseClick(s.bsSkinButton1, Qt::LeftButton);
    EXPECT_EQ(s.StatusLine->text(), QString("建議 2 項 (參考銷售日 2004/02/29)"));
    EXPECT_FALSE(s.ProgressBar1->isVisible()) << "the progress shows only while the work runs";

    // The merge of picked products.
    s.store.TempCDS.append();
    s.store.TempCDS.fieldByName("PROD_ID").setAsString("P3");
    s.store.TempCDS.post();
    s.MergePickedProducts();
    EXPECT_EQ(s.StatusLine->text(), QString("加入 1 項"));
    // Pressed again, the proposal replaces its lines: it still has two, and the line added by hand stays.
    QTest::mouseClick(s.bsSkinButton1, Qt::LeftButton);
    EXPECT_EQ(s.StatusLine->text(), QString("建議 2 項 (參考銷售日 2004/02/29)"));
    EXPECT_EQ(s.store.ClientDataSet2.recordCount(), 3);

    // The posting: while the question after the writing is open, the progress is shown.
    struct Seen {
        QString text;
        bool progress;
        QString status;
    };
    std::vector<Seen> boxes;
    onMessage = [&](const QString &text) {
        boxes.push_back({text, s.ProgressBar1->isVisible(), s.StatusLine->text()});
    };
    messages.queue(prompts::MsgResult::No);
    s.fcImageBtn2->click();
    ASSERT_EQ(boxes.size(), 1u) << (boxes.empty() ? "" : boxes[0].text.toStdString());
    EXPECT_EQ(boxes[0].text, QString("資料寫入完成..!,是否列印.."));
    EXPECT_TRUE(boxes[0].progress);
    EXPECT_EQ(boxes[0].status, QString("調撥單 200403060001 已寫入，共 2 項"));
    EXPECT_EQ(s.StatusLine->text(), QString("調撥單 200403060001 已寫入，共 2 項")) << "the line without quantity is not written";
    EXPECT_FALSE(s.ProgressBar1->isVisible());
    EXPECT_TRUE(errors.shown.isEmpty()) << errors.shown.join("\n").toStdString();
}

TEST_F(Screen, MessageBoxesSpeakTheTerminalsLanguage)
{
    struct Case {
        const char *locale;
        QStringList texts;
    };
    const Case cases[] = {
        {"zh_TW", {"警告", "確認", "確定", "是(&Y)", "否(&N)"}},
        {"zh_HK", {"警告", "確認", "確定", "是(&Y)", "否(&N)"}},
        {"en_US", {"Warning", "Confirm", "OK", "&Yes", "&No"}},
        {"de_DE", {"Warning", "Confirm", "OK", "&Yes", "&No"}},
        {"C", {"Warning", "Confirm", "OK", "&Yes", "&No"}},
    };
    for (const Case &c : cases) {
        const auto t = widgets::SkinTexts::forLocale(QLocale(QString::fromLatin1(c.locale)));
        EXPECT_EQ(QStringList({t.warning, t.confirm, t.ok, t.yes, t.no}), c.texts) << c.locale;
    }
}

TEST_F(Screen, OpensMaximisedOrFullScreenAsTheSettingsSay)
{
    struct Case {
        const char *value; // null: no such key
        bool full;
    };
    const Case cases[] = {{nullptr, false}, {"0", false}, {"1", true}, {"yes", true}, {"maybe", false}};
    for (const auto &[value, full] : cases) {
        SCOPED_TRACE(value ? value : "(none)");
        writeFile(settings(), std::string("[System]\r\nSSTOCKID=S01\r\n") +
                                  (value ? std::string("FullScreen=") + value + "\r\n" : std::string()));
        TFormTouchMove &s = screen();
        EXPECT_EQ(s.FullScreen, full);
        s.showOnTerminal();
        QCoreApplication::processEvents();
        EXPECT_EQ(s.windowState(), full ? Qt::WindowFullScreen : Qt::WindowMaximized);
        EXPECT_GT(s.scale().factor(), 0.99);
        closeScreen();
        EXPECT_EQ(data::TIniFile(settings()).readString("System", "FullScreen", "-"), value ? value : "-")
            << "the setting is kept as it was";
    }
}
