// The product board on its own, on a real embedded shop database under the offscreen platform, worked as the
// operator works it: the page list and its buttons, touches on the panels, Enter, Space and the moving keys,
// the search and a scanner, "確定", "離開" and the close box; and its pages against the shop's own statements.

#include "BoardOperator.h"
#include "ScreenFixture.h"

#include "data/SqlText.h"
#include "prodchk/FrmProdChk.h"
#include "prodchk/ProductOffer.h"
#include "prodchk/ProductPages.h"
#include "widgets/CodePage.h"
#include "widgets/DBCtrlGrid.h"

#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QScrollBar>
#include <QPointer>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include <gtest/gtest.h>

using prodchk::TFormProdChk;
using Codes = std::vector<std::string>;

namespace {

class Board : public ::testing::Test {
protected:
    Board()
    {
        picked.addFieldDef("PROD_ID", data::TFieldType::ftString, 20);
        picked.addFieldDef("PROD_NAME", data::TFieldType::ftString, 50);
        picked.createDataSet();
        timer.setInterval(1000);
    }
    ~Board() override
    {
        delete board.data();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    /// Builds the board as the transfer screen does: page list, first page, shown.
    TFormProdChk &open()
    {
        board = new TFormProdChk({*connection, picked, timer, prodIdList, errors});
        board->listPages();
        board->loadPage(0);
        board->show();
        return *board;
    }
    /// Whether the board has closed and freed itself.
    bool freed()
    {
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        return board.isNull();
    }
    void pick(const std::string &code)
    {
        picked.append();
        picked.fieldByName("PROD_ID").setAsString(code);
        picked.post();
    }

    TestDatabase db;
    std::unique_ptr<data::TSQLConnection> connection = db.connection();
    data::TClientDataSet picked;
    QTimer timer;
    std::string prodIdList;
    RecordingErrors errors;
    QPointer<TFormProdChk> board;
};

Codes range(int first, int last)
{
    Codes codes;
    for (int n = first; n <= last; ++n)
        codes.push_back(productCode(n));
    return codes;
}

} // namespace

TEST_F(Board, LayoutFollowsTheDesign)
{
    TFormProdChk &b = open();
    EXPECT_EQ(b.objectName(), QString("FormProdChk"));
    EXPECT_EQ(b.windowTitle(), QString("商品選擇"));
    EXPECT_EQ(b.size(), QSize(792, 563));
    EXPECT_TRUE(b.testAttribute(Qt::WA_DeleteOnClose));
    EXPECT_EQ(b.ListBox1->geometry(), QRect(1, 1, 100, 509));
    EXPECT_EQ(b.ListBox1->parentWidget(), b.Panel5);
    EXPECT_EQ(b.Panel5->geometry(), QRect(11, 11, 102, 511));
    EXPECT_EQ(b.DBCtrlGrid1->geometry(), QRect(113, 11, 668, 511));
    EXPECT_EQ(b.SpeedButton1->text(), QString("確定"));
    EXPECT_EQ(b.SpeedButton2->text(), QString("離開"));
    EXPECT_EQ(b.SpeedButton1->geometry(), QRect(88, 5, 89, 30));
    EXPECT_EQ(b.SpeedButton2->geometry(), QRect(178, 5, 89, 30));
    EXPECT_EQ(b.SpeedButton1->parentWidget(), b.Panel2);
    EXPECT_EQ(b.ClientDataSet2.packetRecords(), 50);
    EXPECT_EQ(b.focusWidget(), b.DBCtrlGrid1) << "the keys go to the board";
}

TEST_F(Board, PagesOfAHundredFillTheBoardColumnByColumn)
{
    // Products out of use or without quantity are never offered.
    db.exec("INSERT INTO PRODUCT(PROD_ID, PROD_SNAME, NOW_QTY, DEL_FLAG) VALUES ('A-GONE', 'x', 5, 'True')");
    db.exec("INSERT INTO PRODUCT(PROD_ID, PROD_SNAME, NOW_QTY, DEL_FLAG) VALUES ('A-EMPTY', 'x', 0, 'False')");
    struct Case {
        int products;
        Codes captions;
        int lastPageProducts;
    };
    const Case cases[] = {{0, {}, 0},
                          {1, {"第1頁"}, 1},
                          {100, {"第1頁"}, 100},
                          {101, {"第1頁", "第2頁"}, 1},
                          {250, {"第1頁", "第2頁", "第3頁"}, 50}};
    int made = 0;
    for (const Case &c : cases) {
        SCOPED_TRACE(c.products);
        if (c.products > made)
            addProducts(db, made + 1, c.products);
        made = c.products;
        TFormProdChk &b = open();
        EXPECT_EQ(pageCaptions(b), c.captions);
        EXPECT_EQ(b.ListBox1->currentRow(), -1) << "no caption selected";
        EXPECT_EQ(shownCodes(b), range(1, std::min(c.products, 100)));
        EXPECT_TRUE(tickedCodes(b).empty());
        if (c.products > 100) {
            const int last = int(c.captions.size()) - 1;
            choosePage(b, last);
            EXPECT_EQ(shownCodes(b), range(last * 100 + 1, c.products));
            EXPECT_EQ(b.DBCtrlGrid1->panelRect(0), QRect(0, 0, 133, 24)) << "the first panel of the first column";
        }
        EXPECT_EQ(b.DataSource1()->displayRowCount(), c.products ? c.lastPageProducts : 0);
        b.close();
        EXPECT_TRUE(freed());
    }
    EXPECT_TRUE(errors.shown.isEmpty()) << errors.shown.join("\n").toStdString();

    // Row i of a page sits in column i div 20, row i mod 20.
    TFormProdChk &b = open();
    EXPECT_EQ(b.DBCtrlGrid1->panelRect(19), QRect(0, 19 * 24, 133, 24));
    EXPECT_EQ(b.DBCtrlGrid1->panelRect(20), QRect(133, 0, 133, 24));
    EXPECT_EQ(b.DBCtrlGrid1->panelRect(99), QRect(4 * 133, 19 * 24, 133, 24));
}

TEST_F(Board, PageStatementsAreTheShopsOwnTexts)
{
    addProducts(db, 1, 250);
    TFormProdChk &b = open();
    EXPECT_EQ(b.ClientDataSet2.commandText(), "select Count(*) from PRODUCT\r\n"
                                               " WHERE NOW_QTY > 0 AND DEL_FLAG = 'False' \r\n");
    EXPECT_EQ(b.ClientDataSet1.commandText(),
              "select first 100 skip 0 PROD_ID, PROD_SNAME,NOW_QTY,DEL_FLAG from PRODUCT\r\n"
              " WHERE NOW_QTY > 0 AND DEL_FLAG = 'False' \r\n"
              " ORDER BY PROD_ID \r\n");
    b.close();

    prodIdList = "'P0001','P0150'";
    TFormProdChk &withBill = open();
    EXPECT_EQ(withBill.ClientDataSet2.commandText(), "select Count(*) from PRODUCT\r\n"
                                                      " WHERE NOW_QTY > 0 AND DEL_FLAG = 'False' \r\n"
                                                      " AND PROD_ID NOT IN ('P0001','P0150')\r\n");
    EXPECT_EQ(pageCaptions(withBill), Codes({"第1頁", "第2頁", "第3頁"}));
    choosePage(withBill, 2);
    EXPECT_EQ(withBill.ClientDataSet1.commandText(),
              "select first 100 skip 200 PROD_ID, PROD_SNAME,NOW_QTY,DEL_FLAG from PRODUCT\r\n"
              " WHERE NOW_QTY > 0 AND DEL_FLAG = 'False' \r\n"
              " AND PROD_ID NOT IN ('P0001','P0150')\r\n"
              " ORDER BY PROD_ID \r\n");
    EXPECT_EQ(shownCodes(withBill), range(203, 250)) << "248 products: the third page holds the last 48";
}

TEST(ExclusionText, SplitsIntoGroupsTheServerAccepts)
{
    auto list = [](int values) {
        std::string text;
        for (int n = 1; n <= values; ++n)
            text += (n > 1 ? "," : "") + ("'" + productCode(n) + "'");
        return text;
    };
    EXPECT_EQ(prodchk::exclusionText(""), "");
    EXPECT_EQ(prodchk::exclusionText(list(1500)), " AND PROD_ID NOT IN (" + list(1500) + ")\r\n");
    EXPECT_EQ(prodchk::exclusionText(list(1501)),
              " AND PROD_ID NOT IN (" + list(1500) + ")\r\n AND PROD_ID NOT IN ('P1501')\r\n");
    // Commas and doubled quotes inside a code belong to the code.
    std::string odd;
    for (int n = 1; n <= 1500; ++n)
        odd += "'A'',B" + std::to_string(n) + "',";
    odd += "'LAST'";
    EXPECT_EQ(prodchk::exclusionText(odd), " AND PROD_ID NOT IN (" + odd.substr(0, odd.size() - 7) +
                                               ")\r\n AND PROD_ID NOT IN ('LAST')\r\n");
}

TEST_F(Board, TicksSurvivePageChangesAndEachProductIsCollectedOnce)
{
    addProducts(db, 1, 250);
    TFormProdChk &b = open();
    touchTick(b, 0);
    touchTick(b, 25);
    EXPECT_EQ(tickedCodes(b), Codes({"P0001", "P0026"}));
    EXPECT_TRUE(codesIn(picked).empty()) << "nothing is collected before the page changes";

    choosePage(b, 1);
    EXPECT_EQ(shownCodes(b).front(), "P0101");
    EXPECT_TRUE(tickedCodes(b).empty());
    EXPECT_EQ(codesIn(picked), Codes({"P0001", "P0026"}));
    touchTick(b, 99);

    choosePage(b, 0);
    EXPECT_EQ(tickedCodes(b), Codes({"P0001", "P0026"}));
    choosePage(b, 1);
    EXPECT_EQ(tickedCodes(b), Codes({"P0200"}));
    choosePage(b, 0);
    EXPECT_EQ(codesIn(picked), Codes({"P0001", "P0026", "P0200"}));

    QTest::mouseClick(b.SpeedButton1, Qt::LeftButton);
    EXPECT_EQ(codesIn(picked), Codes({"P0001", "P0026", "P0200"}));
    EXPECT_TRUE(timer.isActive()) << "the merge is on its way";
    EXPECT_EQ(timer.interval(), 1000);
    EXPECT_TRUE(freed());
    EXPECT_EQ(db.scalar("SELECT COUNT(*) FROM PRODUCT WHERE DEL_FLAG <> 'False'"), "0")
        << "the tick never reaches the database";
    EXPECT_TRUE(errors.shown.isEmpty()) << errors.shown.join("\n").toStdString();
}

TEST_F(Board, ProductsPickedBeforeShowTickedOnEveryPage)
{
    addProducts(db, 1, 150);
    pick("P0002");
    pick("P0120");
    TFormProdChk &b = open();
    EXPECT_EQ(tickedCodes(b), Codes({"P0002"}));
    choosePage(b, 1);
    EXPECT_EQ(tickedCodes(b), Codes({"P0120"}));
    EXPECT_EQ(codesIn(picked), Codes({"P0002", "P0120"}));
}

TEST_F(Board, EnterAndSpaceToggleTheCurrentPanelAndTheKeysMoveOnTheBoard)
{
    addProducts(db, 1, 100);
    TFormProdChk &b = open();
    auto *grid = b.DBCtrlGrid1;
    data::TClientDataSet &shown = *b.DataSource1();
    for (Qt::Key key : {Qt::Key_Return, Qt::Key_Enter, Qt::Key_Space}) {
        SCOPED_TRACE(key);
        QTest::keyClick(grid, key);
        EXPECT_EQ(tickedCodes(b), Codes({"P0001"}));
        QTest::keyClick(grid, key);
        EXPECT_TRUE(tickedCodes(b).empty()) << "twice restores";
    }
    EXPECT_EQ(shown.displayRowCount(), 100) << "the keys add no rows";

    struct Move {
        Qt::Key key;
        int row;
    };
    const Move moves[] = {{Qt::Key_Down, 1},  {Qt::Key_Right, 21}, {Qt::Key_Right, 41}, {Qt::Key_Up, 40},
                          {Qt::Key_Left, 20}, {Qt::Key_End, 99},   {Qt::Key_Home, 0},   {Qt::Key_PageDown, 99},
                          {Qt::Key_Down, 99}, {Qt::Key_PageUp, 0}, {Qt::Key_Up, 0}};
    for (const Move &m : moves) {
        QTest::keyClick(grid, m.key);
        EXPECT_EQ(shown.currentDisplayRow(), m.row) << "key " << m.key;
    }
    QTest::keyClick(grid, Qt::Key_End);
    QTest::keyClick(grid, Qt::Key_Space);
    EXPECT_EQ(tickedCodes(b), Codes({"P0100"}));

    // The current panel is light yellow, the others white; a ticked box has its red tick.
    const QImage shot = grid->grab().toImage();
    const QPoint inside(2, 12);
    EXPECT_EQ(shot.pixelColor(grid->panelRect(99).topLeft() + inside), QColor(255, 255, 128));
    EXPECT_EQ(shot.pixelColor(grid->panelRect(0).topLeft() + inside), QColor(Qt::white));
    auto reds = [&](int row) {
        int n = 0;
        const QRect box = grid->checkBoxRect(row);
        for (int x = box.left(); x <= box.right(); ++x)
            for (int y = box.top(); y <= box.bottom(); ++y)
                n += shot.pixelColor(x, y).red() > 180 && shot.pixelColor(x, y).green() < 80;
        return n;
    };
    EXPECT_GT(reds(99), 5);
    EXPECT_EQ(reds(0), 0);
}

TEST_F(Board, ATouchAnywhereOnAPanelTogglesItsTickAndAnEmptyBoardStillConfirms)
{
    addProducts(db, 1, 30);
    TFormProdChk &b = open();
    widgets::TDBCtrlGrid *grid = b.DBCtrlGrid1;
    const std::pair<const char *, QPoint> places[] = {{"the box", grid->checkBoxRect(3).center()},
                                                      {"the name", grid->textRect(3).center()},
                                                      {"the code", grid->codeRect(3).center()},
                                                      {"the far corner", grid->panelRect(3).bottomRight()}};
    bool ticked = false;
    for (const auto &[where, at] : places) {
        QTest::mouseClick(grid, Qt::LeftButton, {}, at);
        ticked = !ticked;
        EXPECT_EQ(tickedCodes(b), ticked ? Codes({"P0004"}) : Codes()) << where;
        EXPECT_EQ(b.DataSource1()->currentDisplayRow(), 3) << "the touched panel becomes current";
    }
    QTest::mouseClick(grid, Qt::LeftButton, {}, grid->textRect(5).center());
    EXPECT_EQ(tickedCodes(b), Codes({"P0006"}));
    EXPECT_EQ(b.DataSource1()->currentDisplayRow(), 5);
    QTest::mouseClick(grid, Qt::LeftButton, {}, QPoint(2 * 133 + 10, 15 * 24 + 8));
    EXPECT_EQ(tickedCodes(b), Codes({"P0006"})) << "an empty panel place does nothing";
    b.close();

    db.exec("DELETE FROM PRODUCT");
    TFormProdChk &empty = open();
    EXPECT_TRUE(pageCaptions(empty).empty());
    EXPECT_TRUE(shownCodes(empty).empty());
    QTest::keyClick(empty.DBCtrlGrid1, Qt::Key_Return);
    EXPECT_EQ(empty.DataSource1()->displayRowCount(), 0);
    QTest::mouseClick(empty.SpeedButton1, Qt::LeftButton);
    EXPECT_TRUE(timer.isActive());
    EXPECT_TRUE(freed());
    EXPECT_TRUE(errors.shown.isEmpty()) << errors.shown.join("\n").toStdString();
}

TEST_F(Board, LeavingWithoutConfirmingPutsThePickedSetBack)
{
    addProducts(db, 1, 250);
    const std::vector<std::pair<const char *, std::function<void(TFormProdChk &)>>> ways = {
        {"the close box", [](TFormProdChk &b) { b.close(); }},
        {"離開", [](TFormProdChk &b) { QTest::mouseClick(b.SpeedButton2, Qt::LeftButton); }},
        {"Escape", [](TFormProdChk &b) { QTest::keyClick(b.DBCtrlGrid1, Qt::Key_Escape); }}};
    pick("P0250"); // merged earlier, or waiting for a later merge
    for (const auto &[name, leave] : ways) {
        SCOPED_TRACE(name);
        TFormProdChk &b = open();
        touchTick(b, 0);
        choosePage(b, 1);
        touchTick(b, 1);
        EXPECT_EQ(codesIn(picked), Codes({"P0250", "P0001"}));
        leave(b);
        EXPECT_TRUE(freed());
        EXPECT_EQ(codesIn(picked), Codes({"P0250"}));
        EXPECT_FALSE(timer.isActive()) << "no merge";
    }
    EXPECT_TRUE(errors.shown.isEmpty()) << errors.shown.join("\n").toStdString();
}

TEST_F(Board, UntickingAPickedProductTakesItOutAgain)
{
    addProducts(db, 1, 250);
    TFormProdChk &b = open();
    touchTick(b, 0);
    touchTick(b, 1);
    choosePage(b, 1);
    choosePage(b, 0);
    EXPECT_EQ(tickedCodes(b), Codes({"P0001", "P0002"}));
    touchTick(b, 0);
    choosePage(b, 2);
    EXPECT_EQ(codesIn(picked), Codes({"P0002"}));

    choosePage(b, 0);
    QTest::keyClick(b.DBCtrlGrid1, Qt::Key_Home);
    QTest::keyClick(b.DBCtrlGrid1, Qt::Key_Down);
    QTest::keyClick(b.DBCtrlGrid1, Qt::Key_Space); // unticks P0002
    QTest::mouseClick(b.SpeedButton1, Qt::LeftButton);
    EXPECT_TRUE(codesIn(picked).empty());
    EXPECT_TRUE(timer.isActive());
}

TEST_F(Board, ConfirmingThroughTheModalRunFreesTheBoard)
{
    addProducts(db, 1, 10);
    TFormProdChk &b = open();
    b.hide();
    ScriptedDialogRunner runner;
    runner.scripts.push_back([](QDialog &d) {
        auto &shown = static_cast<TFormProdChk &>(d);
        touchTick(shown, 9);
        QTest::mouseClick(shown.SpeedButton1, Qt::LeftButton);
    });
    runner.runModal(b);
    EXPECT_TRUE(board.isNull()) << "freed as soon as its modal run ends";
    EXPECT_EQ(codesIn(picked), Codes({"P0010"}));
    EXPECT_TRUE(timer.isActive());
}

TEST_F(Board, ADatabaseFailureWhileChangingPageKeepsTheCollectedTicksAndThePage)
{
    addProducts(db, 1, 250);
    TFormProdChk &b = open();
    touchTick(b, 0);
    choosePage(b, 1);
    touchTick(b, 0);
    ASSERT_EQ(codesIn(picked), Codes({"P0001"}));

    db.exec("ALTER TABLE PRODUCT ALTER COLUMN PROD_SNAME TO PROD_SNAME2");
    choosePage(b, 2);
    ASSERT_EQ(errors.shown.size(), 1);
    EXPECT_TRUE(errors.shown[0].contains("PROD_SNAME")) << errors.shown[0].toStdString();
    EXPECT_EQ(codesIn(picked), Codes({"P0001", "P0101"})) << "the page left was collected first";
    EXPECT_EQ(shownCodes(b).front(), "P0101") << "the board keeps its page";
    EXPECT_EQ(tickedCodes(b), Codes({"P0101"}));
    EXPECT_EQ(b.ListBox1->currentRow(), 1) << "and the list shows that page";

    db.exec("ALTER TABLE PRODUCT ALTER COLUMN PROD_SNAME2 TO PROD_SNAME");
    choosePage(b, 2);
    EXPECT_EQ(shownCodes(b).front(), "P0201");
    EXPECT_EQ(errors.shown.size(), 1);
    QTest::mouseClick(b.SpeedButton1, Qt::LeftButton);
    EXPECT_EQ(codesIn(picked), Codes({"P0001", "P0101"}));
}

TEST_F(Board, AFailingCollectionOnConfirmIsShownAndTheMergeStartsNevertheless)
{
    addProducts(db, 1, 10);
    TFormProdChk &b = open();
    touchTick(b, 0);
    picked.close(); // the picked set cannot take the product
    QTest::mouseClick(b.SpeedButton1, Qt::LeftButton);
    ASSERT_EQ(errors.shown.size(), 1);
    EXPECT_TRUE(errors.shown[0].contains("closed dataset")) << errors.shown[0].toStdString();
    EXPECT_TRUE(timer.isActive());
    EXPECT_TRUE(freed());
}

namespace {

/// The pages the shop's own statements give on the same data: the codes of each, as many as its count gives.
std::vector<Codes> pagesOfTheShopsStatements(TestDatabase &db, const std::string &prodIdList)
{
    const int products = std::stoi(db.scalar(prodchk::countStatement(prodIdList)));
    const auto connection = db.connection();
    data::TSQLQuery query(connection.get());
    std::vector<Codes> pages;
    for (int page = 0; page * prodchk::PageSize < products; ++page) {
        data::setStatement(query, {prodchk::pageStatement(page, prodIdList)});
        query.open();
        Codes codes;
        for (; !query.eof(); query.next())
            codes.push_back(query.fieldByName("PROD_ID").asString());
        pages.push_back(codes);
    }
    return pages;
}

std::string quotedList(const Codes &codes)
{
    std::string list;
    for (const std::string &code : codes) {
        list += list.empty() ? "'" : ",'";
        for (char c : code)
            list += c == '\'' ? "''" : std::string(1, c);
        list += "'";
    }
    return list;
}

/// 450 numbered products and codes that sort every way the server sorts them: blanks inside and in front,
/// lower case, a quote, bytes of code page 950, 20 characters; and two products that are not offered.
void addOddShop(TestDatabase &db)
{
    addProducts(db, 1, 450);
    for (const char *code : {"A B", "a", "Z'Q", "ABCDEFGHIJKLMNOPQRST", "P0100A", " P0100", "!"})
        addProduct(db, code, "odd");
    addProduct(db, *widgets::encodeText(QStringLiteral("乙醇")), "big5");
    db.exec("INSERT INTO PRODUCT(PROD_ID, PROD_SNAME, NOW_QTY, DEL_FLAG) VALUES ('P0451', 'gone', 5, 'True')");
    db.exec("INSERT INTO PRODUCT(PROD_ID, PROD_SNAME, NOW_QTY, DEL_FLAG) VALUES ('P0452', 'none', 0, 'False')");
}

/// Bills of every size the board meets, as their exclusion lists: empty, small, past the size from which the
/// board leaves the bill out itself, and long enough to take the server two parameters.
std::vector<std::pair<std::string, std::string>> billsOfEverySize()
{
    Codes past = {"ABCDEFGHIJKLMNOPQRST", " P0100", "P0010   ", "P0010", "a", "!", "P0451", "P0452"};
    for (int n = 3; n <= 450; n += 3)
        past.push_back(productCode(n));
    for (int n = 1; n <= 140; ++n)
        past.push_back("X" + std::to_string(n));
    Codes longBill = {*widgets::encodeText(QStringLiteral("乙醇")), "ABCDEFGHIJKLMNOPQRST", "Z'Q"};
    for (int n = 2; n <= 450; n += 2)
        longBill.push_back(productCode(n));
    for (int n = 1; n <= 1500; ++n)
        longBill.push_back("Y" + std::to_string(n));
    return {{"empty", ""},
            {"small", quotedList({"P0002", "a", "Z'Q", "P0452", "NOPE"})},
            {"past the threshold", quotedList(past)},
            {"two parameters long", quotedList(longBill)}};
}

} // namespace

class BoardPages : public Board {
protected:
    /// Opens the board on each bill and compares every page with the shop's statements on the same data.
    void expectTheShopsPages()
    {
        for (const auto &[name, list] : billsOfEverySize()) {
            SCOPED_TRACE(name);
            prodIdList = list;
            const std::vector<Codes> expected = pagesOfTheShopsStatements(db, list);
            ASSERT_GE(expected.size(), 3u);
            TFormProdChk &b = open();
            EXPECT_EQ(everyPage(b), expected);
            const bool shopsStatements = b.ClientDataSet1.commandText().starts_with("select first 100 skip");
            EXPECT_EQ(shopsStatements, int(prodchk::listedCodes(list).size()) <= prodchk::LiteralExclusionLimit);
            b.close();
            ASSERT_TRUE(freed());
        }
        EXPECT_TRUE(errors.shown.isEmpty()) << errors.shown.join("\n").toStdString();
    }
};

TEST_F(BoardPages, AreTheShopsOwnWhateverTheBillsSize)
{
    addOddShop(db);
    expectTheShopsPages();
}

TEST_F(BoardPages, AreTheShopsOwnWithCodesInACharColumn)
{
    // Codes come back padded with blanks; the bill's codes come as the line table holds them.
    db.exec("DROP TABLE PRODUCT");
    db.exec("CREATE TABLE PRODUCT (PROD_ID CHAR(20) NOT NULL PRIMARY KEY, PROD_NAME VARCHAR(50), "
            "PROD_SNAME VARCHAR(20), NOW_QTY DOUBLE PRECISION, DEL_FLAG CHAR(5) DEFAULT 'False')");
    addOddShop(db);
    ASSERT_EQ(db.scalar("SELECT PROD_ID FROM PRODUCT WHERE PROD_ID = 'P0001'"), "P0001               ");
    expectTheShopsPages();
}

TEST_F(Board, TheCodeLineTellsProductsOfOneShortNameApart)
{
    const std::string chocolate = *widgets::encodeText(QStringLiteral("竹林巧克力牛奶"));
    for (const char *code : {"Q0001", "Q0002", "Q0003"})
        addProduct(db, code, chocolate);
    TFormProdChk &b = open();
    const QImage shot = b.DBCtrlGrid1->grab().toImage();
    auto ink = [&shot](const QRect &area) {
        std::vector<bool> dark;
        for (int y = area.top(); y <= area.bottom(); ++y)
            for (int x = area.left(); x <= area.right(); ++x)
                dark.push_back(qGray(shot.pixel(x, y)) < 200);
        return dark;
    };
    const auto dark = [](const std::vector<bool> &v) { return std::count(v.begin(), v.end(), true); };
    widgets::TDBCtrlGrid &grid = *b.DBCtrlGrid1;
    // Rows 1 and 2: neither is the current row, painted in its own colour.
    EXPECT_EQ(ink(grid.textRect(1)), ink(grid.textRect(2))) << "the same short name";
    EXPECT_GT(dark(ink(grid.codeRect(1))), 10);
    EXPECT_NE(ink(grid.codeRect(1)), ink(grid.codeRect(2))) << "each with its own code";
}

TEST_F(Board, TheTickedCountIsWhatConfirmingHandsOver)
{
    addProducts(db, 1, 250);
    pick("P0007"); // picked before and still offered
    pick("P0003"); // on the bill by now: the merge passes it over
    prodIdList = "'P0003'";
    TFormProdChk &b = open();
    auto shown = [&b] { return b.Label1->text(); };
    EXPECT_EQ(shown(), "已選 1 項");
    touchTick(b, 0);
    touchTick(b, 1);
    EXPECT_EQ(shown(), "已選 3 項");
    choosePage(b, 1);
    touchTick(b, 0);
    EXPECT_EQ(shown(), "已選 4 項") << "ticked on any page";
    choosePage(b, 0);
    touchTick(b, 0);
    EXPECT_EQ(shown(), "已選 3 項") << "unticked";
    QTest::keyClick(b.DBCtrlGrid1, Qt::Key_Space);
    EXPECT_EQ(shown(), "已選 4 項") << "ticked by a key";
    QTest::keyClick(b.DBCtrlGrid1, Qt::Key_Space);
    QTest::mouseClick(b.SpeedButton1, Qt::LeftButton);
    EXPECT_EQ(codesIn(picked), Codes({"P0007", "P0003", "P0002", "P0102"}));
}

TEST_F(Board, PageButtonsStepThroughThePagesAndEveryCaptionShowsWhole)
{
    addProducts(db, 1, 2550);
    TFormProdChk &b = open();
    auto step = [&b](QToolButton *button) { QTest::mouseClick(button, Qt::LeftButton); };
    EXPECT_FALSE(b.SpeedButton3->isEnabled()) << "上一頁 on the first page";
    step(b.SpeedButton4);
    EXPECT_EQ(shownCodes(b).front(), "P0101");
    EXPECT_EQ(b.ListBox1->currentRow(), 1);
    EXPECT_TRUE(b.SpeedButton3->isEnabled());
    step(b.SpeedButton3);
    EXPECT_EQ(shownCodes(b).front(), "P0001");
    EXPECT_EQ(b.ListBox1->currentRow(), 0);
    EXPECT_FALSE(b.SpeedButton3->isEnabled());

    choosePage(b, 25);
    EXPECT_FALSE(b.SpeedButton4->isEnabled()) << "下一頁 on the last page";
    step(b.SpeedButton4);
    EXPECT_EQ(shownCodes(b).front(), "P2501");
    step(b.SpeedButton3);
    EXPECT_EQ(shownCodes(b).front(), "P2401");
    EXPECT_EQ(b.ListBox1->currentRow(), 24);
    EXPECT_TRUE(b.ListBox1->visualItemRect(b.ListBox1->item(24)).intersects(b.ListBox1->viewport()->rect()))
        << "the page shown is in view";

    // Beside the scroll bar of a long list there is room for captions up to "第9999頁".
    QCoreApplication::processEvents();
    ASSERT_TRUE(b.ListBox1->verticalScrollBar()->isVisible());
    EXPECT_LE(b.ListBox1->fontMetrics().horizontalAdvance(QStringLiteral("第9999頁")),
              b.ListBox1->viewport()->width());
    EXPECT_TRUE(errors.shown.isEmpty()) << errors.shown.join("\n").toStdString();
}

TEST_F(Board, TheSearchFindsACodeOrPartOfAShortNameAndKeepsTheTicks)
{
    addProducts(db, 1, 250);
    const std::string chocolate = *widgets::encodeText(QStringLiteral("竹林巧克力牛奶"));
    ASSERT_NE(chocolate.find('J'), std::string::npos) << "a second byte that reads as a Latin letter";
    addProduct(db, "Q0001", chocolate);
    addProduct(db, "Q0002", chocolate);
    addProduct(db, "Q0003", *widgets::encodeText(QStringLiteral("巧克力")));
    prodIdList = "'Q0003'";
    TFormProdChk &b = open();
    touchTick(b, 0); // P0001

    const std::pair<const char *, Codes> searches[] = {
        {"克力", {"Q0001", "Q0002"}},
        {"P0150", {"P0150"}},
        {" p015 ", range(150, 159)},
        {"s 25", {"P0025", "P0250"}},
        {"j", {}},
        {"'", {}},
        {"ZZZ", {}},
    };
    for (const auto &[text, found] : searches) {
        SCOPED_TRACE(text);
        b.Edit1->setText(QString::fromUtf8(text));
        EXPECT_EQ(shownCodes(b), found);
        EXPECT_EQ(pageCaptions(b), found.empty() ? Codes() : Codes({"第1頁"}));
    }
    EXPECT_FALSE(b.SpeedButton4->isEnabled());

    b.Edit1->setText("S 1"); // S 1, S 10 … S 19, S 100 … S 199
    EXPECT_EQ(pageCaptions(b), Codes({"第1頁", "第2頁"}));
    choosePage(b, 1);
    EXPECT_EQ(shownCodes(b), range(189, 199)) << "the same order and pages";
    touchTick(b, 10); // P0199

    b.Edit1->clear();
    EXPECT_EQ(pageCaptions(b), Codes({"第1頁", "第2頁", "第3頁"})) << "all again";
    EXPECT_EQ(tickedCodes(b), Codes({"P0001"}));
    EXPECT_EQ(b.Label1->text(), "已選 2 項");
    QTest::mouseClick(b.SpeedButton1, Qt::LeftButton);
    EXPECT_EQ(codesIn(picked), Codes({"P0001", "P0199"}));
    EXPECT_TRUE(errors.shown.isEmpty()) << errors.shown.join("\n").toStdString();
}

TEST_F(Board, AScannersCodeAndEnterLandInTheSearch)
{
    addProducts(db, 1, 250);
    TFormProdChk &b = open();
    ASSERT_EQ(b.focusWidget(), b.DBCtrlGrid1);
    scan(b, "P0200");
    EXPECT_EQ(b.Edit1->text(), "P0200");
    EXPECT_EQ(shownCodes(b), Codes({"P0200"}));
    EXPECT_TRUE(tickedCodes(b).empty()) << "the scanner's Enter ticks nothing";
    EXPECT_EQ(b.focusWidget(), b.DBCtrlGrid1) << "the keys are back on the board";
    QTest::keyClick(b.DBCtrlGrid1, Qt::Key_Space);
    EXPECT_EQ(tickedCodes(b), Codes({"P0200"}));

    scan(b, "P0201");
    EXPECT_EQ(b.Edit1->text(), "P0201") << "a new code starts a new search";
    EXPECT_EQ(shownCodes(b), Codes({"P0201"}));
    scan(b, "NOSUCH");
    EXPECT_TRUE(shownCodes(b).empty());
    EXPECT_TRUE(pageCaptions(b).empty());
    EXPECT_EQ(b.Label1->text(), "已選 1 項");
    QTest::mouseClick(b.SpeedButton1, Qt::LeftButton);
    EXPECT_EQ(codesIn(picked), Codes({"P0200"}));
}

TEST_F(Board, TilesPageListAndButtonsGrowWithTheTerminalAndATouchStillHitsItsTile)
{
    addProducts(db, 1, 3000); // more pages than the list shows at once
    TFormProdChk &b = open();
    widgets::TDBCtrlGrid *grid = b.DBCtrlGrid1;
    const QScrollBar *pageBar = b.ListBox1->verticalScrollBar();
    const auto itemHeight = [&] { return b.ListBox1->visualItemRect(b.ListBox1->item(0)).height(); };
    QSize tile = grid->panelRect(0).size();
    int item = itemHeight();
    int button = b.SpeedButton1->height();
    EXPECT_EQ(tile, QSize(133, 24)) << "the design at scale 1";
    EXPECT_GE(item, 21);
    b.ListBox1->setCurrentRow(1); // the second page is shown
    for (const QSize terminal : {QSize(1024, 768), QSize(1280, 800), QSize(1920, 1080)}) {
        SCOPED_TRACE(testing::Message() << terminal.width() << "x" << terminal.height());
        const auto scale = widgets::DesignScale::fitting(terminal, {792, 566}); // the transfer screen's
        b.setScale(scale);
        QCoreApplication::processEvents();
        EXPECT_EQ(b.size(), scale.px(TFormProdChk::DesignSize));
        EXPECT_EQ(grid->geometry(), scale.px(QRect(113, 11, 668, 511)));
        EXPECT_GT(grid->panelRect(0).width(), tile.width());
        EXPECT_GT(grid->panelRect(0).height(), tile.height());
        EXPECT_GT(itemHeight(), item);
        EXPECT_GT(b.SpeedButton1->height(), button);
        // The whole board of 5 × 20 tiles stays inside its area.
        EXPECT_TRUE(grid->rect().contains(grid->panelRect(99))) << grid->panelRect(99).bottomRight().y();
        EXPECT_EQ(b.ListBox1->currentRow(), 1) << "the page list still shows which page is on the board";
        // The page list's scroll bar, the way to the far pages, is whole and as wide as designed.
        EXPECT_TRUE(pageBar->isVisible());
        EXPECT_EQ(pageBar->visibleRegion().boundingRect(), pageBar->rect());
        EXPECT_EQ(pageBar->width(), scale.px(19));
        EXPECT_TRUE(grid->panelRect(3).contains(grid->checkBoxRect(3)));
        tile = grid->panelRect(0).size();
        item = itemHeight();
        button = b.SpeedButton1->height();

        // A touch lands on the tile under the finger, at any scale.
        const Codes before = tickedCodes(b);
        QTest::mouseClick(grid, Qt::LeftButton, {}, grid->panelRect(27).center());
        EXPECT_EQ(b.DataSource1()->currentDisplayRow(), 27);
        EXPECT_NE(tickedCodes(b), before);
    }
    for (int target : {tile.height(), item, button})
        EXPECT_GE(target, widgets::DesignScale::FingerPixels) << "finger-sized on the large screen";
}
