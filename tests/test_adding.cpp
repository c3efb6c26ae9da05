// Adding products by hand on the real transfer screen and a real embedded shop database under the offscreen
// platform: "增加商品" opens the product board through the dialog runner, "確定" starts the merge timer and,
// a second later, the picked products arrive in the line table.

#include "BoardOperator.h"
#include "ScreenFixture.h"

#include "data/DbError.h"
#include "prodchk/FrmProdChk.h"
#include "transfer/core/LeftOut.h"
#include "transfer/core/LineTable.h"
#include "transfer/core/QuantityCheck.h"
#include "widgets/CodePageEdit.h"
#include "widgets/DBGrid.h"
#include "widgets/ImageButton.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include <gtest/gtest.h>

using prodchk::TFormProdChk;
using transfer::TFormTouchMove;
using Codes = std::vector<std::string>;

namespace {

/// One line of the line table as the test reads it; an empty value reads "".
struct Line {
    std::string sno, code, name, mainStock, branchStock, sold, toMove;
    bool operator==(const Line &) const = default;
};

std::ostream &operator<<(std::ostream &out, const Line &l)
{
    return out << "{" << l.sno << " " << l.code << " '" << l.name << "' " << l.mainStock << " " << l.branchStock
               << " " << l.sold << " " << l.toMove << "}";
}

class Adding : public ::testing::Test, public ScreenFixture {
protected:
    void SetUp() override
    {
        db.exec("INSERT INTO STORE_CHOISE(STORE_ID) VALUES('K001')");
        db.exec("INSERT INTO STOCK_ITEM(STOCK_ID) VALUES('S01')");
        db.exec("INSERT INTO STOCK_ITEM(STOCK_ID) VALUES('S02')");
        addProducts(db, 1, 13);
        addStock(1, 13);
        // P0011 has no stock row in the branch, P0012 none in the main warehouse.
        db.exec("DELETE FROM STORE_QTY WHERE (STOCK_ID = 'S02' AND PROD_ID = 'P0011') OR "
                "(STOCK_ID = 'S01' AND PROD_ID = 'P0012')");
        TFormTouchMove &s = screen();
        s.bsSkinEdit2->setText(" S01 ");
        s.bsSkinEdit1->setText("S02  ");
        s.Edit_Rdate->setText("2004/03/02");
        s.show();
    }

    /// Main warehouse 30 + n (as 30n.5 in the database, truncated in the line), branch n.
    void addStock(int first, int last)
    {
        for (const char *sql : {"INSERT INTO STORE_QTY(STOCK_ID, PROD_ID, NOW_QTY) SELECT 'S01', PROD_ID, "
                                "30.5 + CAST(SUBSTRING(PROD_ID FROM 2) AS INT) FROM PRODUCT",
                                "INSERT INTO STORE_QTY(STOCK_ID, PROD_ID, NOW_QTY) SELECT 'S02', PROD_ID, "
                                "CAST(SUBSTRING(PROD_ID FROM 2) AS INT) FROM PRODUCT"})
            db.exec(std::string(sql) + " WHERE PROD_ID BETWEEN '" + productCode(first) + "' AND '" +
                    productCode(last) + "'");
    }

    /// Lines 1..n for products 1..n, as a proposal of n candidates leaves them: stored, columns locked.
    void proposalOf(int n)
    {
        auto &lines = screen().store.ClientDataSet2;
        for (int i = 1; i <= n; ++i) {
            lines.append();
            lines.fieldByName("Sno").setAsInteger(i);
            lines.fieldByName("PROD_ID").setAsString(productCode(i));
            lines.fieldByName("T_QTY").setAsInteger(30 + i);
            lines.fieldByName("M_QTY").setAsInteger(1);
            lines.post();
        }
        lines.first();
        screen().CandidateCount = n;
        transfer::LineTable(screen().store.ClientDataSet2).lockFixedColumns(true);
    }

    /// Presses "增加商品"; `operate` works the board while it is open.
    void pressAddProducts(std::function<void(TFormProdChk &)> operate)
    {
        dialogs.scripts.push_back([operate](QDialog &d) { operate(dynamic_cast<TFormProdChk &>(d)); });
        QTest::mouseClick(screen().bsSkinButton2, Qt::LeftButton);
    }
    /// Ticks the products of the codes on the board's first page and presses "確定".
    void pickAndConfirm(const Codes &codes)
    {
        pressAddProducts([codes](TFormProdChk &b) {
            const Codes shown = shownCodes(b);
            for (const std::string &code : codes) {
                const auto at = std::find(shown.begin(), shown.end(), code);
                ASSERT_NE(at, shown.end()) << code << " is not offered";
                touchTick(b, int(at - shown.begin()));
            }
            QTest::mouseClick(b.SpeedButton1, Qt::LeftButton);
        });
    }
    /// Waits for the merge timer to fire and its merge to end.
    void waitForMerge()
    {
        ASSERT_TRUE(screen().Timer1->isActive()) << "no merge is on its way";
        EXPECT_TRUE(QTest::qWaitFor([this] { return !screen().Timer1->isActive(); }, 3000));
    }

    std::vector<Line> lines()
    {
        std::vector<Line> out;
        auto &t = screen().store.ClientDataSet2;
        for (int row = 0; row < t.displayRowCount(); ++row) {
            auto v = [&](int field) { return t.displayValue(row, field).asString(); };
            out.push_back({v(0), v(1), v(2), v(3), v(4), v(5), v(6)});
        }
        return out;
    }
    bool fixedColumnsLocked()
    {
        auto &t = screen().store.ClientDataSet2;
        for (int i = 0; i < transfer::FixedColumnCount; ++i)
            if (!t.fields(i).readOnly())
                return false;
        return !t.fieldByName("M_QTY").readOnly();
    }
    void expectNoErrors() { EXPECT_TRUE(errors.shown.isEmpty()) << errors.shown.join("\n").toStdString(); }
};

} // namespace

TEST_F(Adding, WithoutAStockingDateTheButtonDoesNothing)
{
    TFormTouchMove &s = screen();
    s.Edit_Rdate->clear();
    proposalOf(2);
    QTest::mouseClick(s.bsSkinButton2, Qt::LeftButton);
    EXPECT_EQ(dialogs.ran, 0);
    EXPECT_TRUE(s.ProdIdList.empty());
    EXPECT_EQ(s.PageSize, 0);
    EXPECT_TRUE(messages.shown().empty());
    expectNoErrors();
}

TEST_F(Adding, TheBoardOpensOnlyForWarehouseCodesThatNameTwoWarehouses)
{
    TFormTouchMove &s = screen();
    QStringList told;
    for (const auto &[branch, main] : {std::pair{"s02", "S01"}, {"S02", "S99"}, {" S01", "S01 "}, {"", "S01"}}) {
        s.bsSkinEdit1->setText(branch);
        s.bsSkinEdit2->setText(main);
        messages = prompts::ScriptedMessageBox();
        QTest::mouseClick(s.bsSkinButton2, Qt::LeftButton);
        EXPECT_EQ(dialogs.ran, 0) << branch << " / " << main;
        ASSERT_EQ(messages.shown().size(), 1u) << branch << " / " << main;
        EXPECT_EQ(messages.shown()[0].kind, prompts::MsgKind::Warning);
        told += messages.texts();
    }
    EXPECT_TRUE(told[0].contains("「S02」")) << told[0].toStdString();
    EXPECT_TRUE(told[1].contains("S99")) << told[1].toStdString();
    EXPECT_TRUE(told[2].contains("不可相同")) << told[2].toStdString();
    expectNoErrors();
}

TEST_F(Adding, PickedProductsArriveAfterTheCandidatesReadyForEntry)
{
    TFormTouchMove &s = screen();
    proposalOf(5);
    pickAndConfirm({"P0008", "P0006"});
    EXPECT_EQ(dialogs.ran, 1);
    EXPECT_EQ(s.ProdIdList, "'P0001','P0002','P0003','P0004','P0005'");
    EXPECT_EQ(s.PageSize, 100);
    EXPECT_EQ(lines().size(), 5u) << "nothing arrives before the timer fires";

    waitForMerge();
    const std::vector<Line> all = lines();
    const std::vector<Line> added(all.begin() + 5, all.end());
    EXPECT_EQ(added, std::vector<Line>({{"6", "P0006", "Name 6", "36", "6", "0", "0"},
                                        {"7", "P0008", "Name 8", "38", "8", "0", "0"}}))
        << "numbered after the 5 candidates, in the board's order";
    EXPECT_EQ(s.store.ClientDataSet2.state(), data::TDataSetState::dsBrowse) << "every line is stored";
    EXPECT_TRUE(fixedColumnsLocked());
    EXPECT_EQ(codesIn(s.store.TempCDS), Codes({"P0006", "P0008"}));

    // A later merge continues after the highest number, and the board no longer offers the bill's products.
    pressAddProducts([](TFormProdChk &b) {
        EXPECT_EQ(shownCodes(b), Codes({"P0007", "P0009", "P0010", "P0011", "P0012", "P0013"}));
        EXPECT_TRUE(tickedCodes(b).empty());
        touchTick(b, 0);
        QTest::mouseClick(b.SpeedButton1, Qt::LeftButton);
    });
    EXPECT_EQ(s.ProdIdList, "'P0001','P0002','P0003','P0004','P0005','P0006','P0008'");
    waitForMerge();
    ASSERT_EQ(lines().size(), 8u);
    EXPECT_EQ(lines()[7], (Line{"8", "P0007", "Name 7", "37", "7", "0", "0"}));
    EXPECT_TRUE(messages.shown().empty());
    expectNoErrors();
}

TEST_F(Adding, APickedProductAlreadyOnTheBillIsNotAddedTwice)
{
    TFormTouchMove &s = screen();
    proposalOf(5);
    for (const char *code : {"P0002", "P0009"}) { // on the bill, and picked before but not merged yet
        s.store.TempCDS.append();
        s.store.TempCDS.fieldByName("PROD_ID").setAsString(code);
        s.store.TempCDS.post();
    }
    pressAddProducts([](TFormProdChk &b) {
        EXPECT_EQ(tickedCodes(b), Codes({"P0009"})) << "waiting products show ticked";
        touchTick(b, 1); // P0007
        QTest::mouseClick(b.SpeedButton1, Qt::LeftButton);
    });
    waitForMerge();
    Codes codes;
    for (const Line &l : lines())
        codes.push_back(l.sno + ":" + l.code);
    EXPECT_EQ(codes, Codes({"1:P0001", "2:P0002", "3:P0003", "4:P0004", "5:P0005", "6:P0009", "7:P0007"}));
    expectNoErrors();
}

TEST_F(Adding, AProductWithoutStockRowsGetsEmptyValuesAndARefusedLineEndsTheMerge)
{
    TFormTouchMove &s = screen();
    proposalOf(5);
    pickAndConfirm({"P0011", "P0012", "P0013"});
    waitForMerge();
    const std::vector<Line> all = lines();
    const std::vector<Line> added(all.begin() + 5, all.end());
    EXPECT_EQ(added, std::vector<Line>({{"6", "P0011", "Name 11", "41", "", "0", "0"},
                                        {"7", "P0012", "", "", "12", "0", "0"}}))
        << "no branch row: empty 現有數; no main row: empty name and 總倉數; P0013 not reached";
    ASSERT_EQ(messages.texts(), QStringList({transfer::QuantityTooLargeMessage}));
    EXPECT_EQ(s.store.ClientDataSet2.state(), data::TDataSetState::dsInsert) << "the refused line stays pending";
    EXPECT_TRUE(fixedColumnsLocked()) << "locked again after a merge that ended early";
    EXPECT_TRUE(s.StatusLine->text().startsWith(QStringLiteral("加入 "))) << s.StatusLine->text().toStdString();
    expectNoErrors();

    // The operator drops the refused line; the next opening refuses nothing and the merge adds it again.
    s.bsSkinDBGrid1->cancelEdit();
    EXPECT_EQ(lines().size(), 6u);
    pressAddProducts([](TFormProdChk &b) {
        EXPECT_EQ(tickedCodes(b), Codes({"P0012", "P0013"}));
        b.close();
    });
    EXPECT_FALSE(s.Timer1->isActive());
    EXPECT_EQ(codesIn(s.store.TempCDS), Codes({"P0011", "P0012", "P0013"}));
}

// A stock beyond the line's 32-bit fields in either warehouse: the product gets no line, not even half a one,
// the merge goes on with the others and names the products it left out once it is done.
TEST_F(Adding, AStockBeyondTheLineFieldsLeavesItsProductOutAndTheMergeGoesOn)
{
    TFormTouchMove &s = screen();
    proposalOf(5);
    db.exec("UPDATE STORE_QTY SET NOW_QTY = 9999999999 WHERE STOCK_ID = 'S01' AND PROD_ID = 'P0007'");
    db.exec("UPDATE STORE_QTY SET NOW_QTY = -2147483649 WHERE STOCK_ID = 'S02' AND PROD_ID = 'P0009'");
    pickAndConfirm({"P0007", "P0008", "P0009", "P0010"});
    waitForMerge();
    const std::vector<Line> all = lines();
    const std::vector<Line> added(all.begin() + 5, all.end());
    EXPECT_EQ(added, std::vector<Line>({{"6", "P0008", "Name 8", "38", "8", "0", "0"},
                                        {"7", "P0010", "Name 10", "40", "10", "0", "0"}}));
    EXPECT_EQ(messages.texts(),
              QStringList({QString::fromUtf8(transfer::LeftOutMessage) + QStringLiteral("\nP0007、P0009")}));
    EXPECT_EQ(s.store.ClientDataSet2.state(), data::TDataSetState::dsBrowse);
    EXPECT_TRUE(fixedColumnsLocked());
    expectNoErrors();
}

// Without a keyboard: the cancel button ends a line the check refuses, as Escape does; the remove button takes
// away a line added by hand after asking, never a line of the proposal nor one a posted bill holds.
TEST_F(Adding, TouchButtonsCancelARefusedLineAndRemoveALineAddedByHand)
{
    TFormTouchMove &s = screen();
    auto &t = s.store.ClientDataSet2;
    auto *grid = s.bsSkinDBGrid1;
    auto touch = [&](int row) {
        QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, grid->visualRect(grid->model()->index(row, 1)).center());
    };
    auto codes = [&] {
        Codes out;
        for (const Line &l : lines())
            out.push_back(l.code);
        return out;
    };
    proposalOf(3);
    pickAndConfirm({"P0011", "P0012"});
    waitForMerge();
    ASSERT_EQ(t.state(), data::TDataSetState::dsInsert) << "P0012 has no main stock: its line is refused";
    touch(0);
    EXPECT_EQ(messages.shown().size(), 2u) << "every touch elsewhere is refused again";
    EXPECT_EQ(t.state(), data::TDataSetState::dsInsert);

    QTest::mouseClick(s.bsSkinButton3, Qt::LeftButton);
    EXPECT_EQ(t.state(), data::TDataSetState::dsBrowse);
    EXPECT_EQ(codes(), Codes({"P0001", "P0002", "P0003", "P0011"}));
    touch(0);
    EXPECT_EQ(grid->currentIndex().row(), 0);
    EXPECT_EQ(messages.shown().size(), 2u);

    touch(1);
    QTest::mouseClick(s.bsSkinButton4, Qt::LeftButton);
    EXPECT_EQ(messages.shown().back().text, QString::fromUtf8(transfer::ProposedLineMessage));
    EXPECT_EQ(codes().size(), 4u);

    touch(3);
    messages.queue(prompts::MsgResult::No);
    QTest::mouseClick(s.bsSkinButton4, Qt::LeftButton);
    EXPECT_EQ(messages.shown().back().kind, prompts::MsgKind::Confirmation);
    EXPECT_TRUE(messages.shown().back().text.startsWith(QString::fromUtf8(transfer::RemoveLineQuestion)));
    EXPECT_TRUE(messages.shown().back().text.contains("P0011 ")) << messages.shown().back().text.toStdString();
    EXPECT_EQ(codes().size(), 4u);
    messages.queue(prompts::MsgResult::Yes);
    QTest::mouseClick(s.bsSkinButton4, Qt::LeftButton);
    EXPECT_EQ(codes(), Codes({"P0001", "P0002", "P0003"}));
    EXPECT_EQ(grid->currentIndex().row(), 2) << "the line before the last one removed";

    // The same products once more: P0012 refused again, and this time removed as it is.
    pressAddProducts([](TFormProdChk &b) { QTest::mouseClick(b.SpeedButton1, Qt::LeftButton); });
    waitForMerge();
    ASSERT_EQ(t.state(), data::TDataSetState::dsInsert);
    messages.queue(prompts::MsgResult::Yes);
    QTest::mouseClick(s.bsSkinButton4, Qt::LeftButton);
    EXPECT_EQ(t.state(), data::TDataSetState::dsBrowse);
    EXPECT_EQ(codes(), Codes({"P0001", "P0002", "P0003", "P0011"}));

    // Posted with a quantity: the bill holds P0011 now. A line added by hand without a quantity is no line of
    // the bill and may still go.
    t.last();
    t.edit();
    t.fieldByName("M_QTY").setAsInteger(2);
    t.post();
    transfer::LineTable(t).lockFixedColumns(false);
    t.append();
    t.fieldByName("Sno").setAsInteger(99);
    t.fieldByName("PROD_ID").setAsString("P0013");
    t.fieldByName("T_QTY").setAsInteger(10);
    t.fieldByName("M_QTY").setAsInteger(0);
    t.post();
    transfer::LineTable(t).lockFixedColumns(true);
    messages.queue(prompts::MsgResult::No); // no printing
    s.fcImageBtn2->click();
    ASSERT_EQ(db.scalar("SELECT COUNT(*) FROM MOVE_SUB"), "4");
    touch(3);
    QTest::mouseClick(s.bsSkinButton4, Qt::LeftButton);
    EXPECT_EQ(messages.shown().back().text, QString::fromUtf8(transfer::BilledLineMessage));
    EXPECT_EQ(codes().size(), 5u);
    touch(4);
    messages.queue(prompts::MsgResult::Yes);
    QTest::mouseClick(s.bsSkinButton4, Qt::LeftButton);
    EXPECT_EQ(codes(), Codes({"P0001", "P0002", "P0003", "P0011"}));
    expectNoErrors();
}

TEST_F(Adding, ADatabaseErrorEndsTheMergeAndLocksTheColumnsAgain)
{
    proposalOf(3);
    pickAndConfirm({"P0004"});
    db.exec("ALTER TABLE STORE_QTY ALTER COLUMN NOW_QTY TO QTY_NOW");
    waitForMerge();
    ASSERT_EQ(errors.shown.size(), 1);
    EXPECT_TRUE(errors.shown[0].contains("NOW_QTY")) << errors.shown[0].toStdString();
    EXPECT_EQ(lines().size(), 3u);
    EXPECT_TRUE(fixedColumnsLocked());
}

TEST_F(Adding, TheBillsProductsAreNeverOfferedAndQuotesInCodesAreDoubled)
{
    TFormTouchMove &s = screen();
    db.exec("INSERT INTO PRODUCT(PROD_ID, PROD_NAME, PROD_SNAME, NOW_QTY, DEL_FLAG) "
            "VALUES ('P''Q', 'Quote', 'Q', 4, 'False')");
    pressAddProducts([](TFormProdChk &b) {
        EXPECT_EQ(b.ClientDataSet2.commandText(), "select Count(*) from PRODUCT\r\n"
                                                   " WHERE NOW_QTY > 0 AND DEL_FLAG = 'False' \r\n");
        EXPECT_EQ(shownCodes(b).size(), 14u);
    });
    EXPECT_TRUE(s.ProdIdList.empty()) << "an empty table gives the empty list";

    auto &t = s.store.ClientDataSet2;
    for (const char *code : {"P0003", "P'Q"}) {
        t.append();
        t.fieldByName("PROD_ID").setAsString(code);
        t.post();
    }
    for (int press = 0; press < 2; ++press) {
        pressAddProducts([](TFormProdChk &b) {
            EXPECT_EQ(pageCaptions(b), Codes({"第1頁"}));
            EXPECT_EQ(shownCodes(b), Codes({"P0001", "P0002", "P0004", "P0005", "P0006", "P0007", "P0008", "P0009",
                                            "P0010", "P0011", "P0012", "P0013"}));
        });
        EXPECT_EQ(s.ProdIdList, "'P0003','P''Q'") << messages.texts().join("|").toStdString();
    }
    EXPECT_EQ(dialogs.ran, 3);
    expectNoErrors();
}

TEST_F(Adding, WithNoProductOutsideTheBillTheBoardIsEmptyAndConfirmingStillMerges)
{
    TFormTouchMove &s = screen();
    proposalOf(13);
    // Picked while it was in stock, not merged yet; no longer offered.
    db.exec("INSERT INTO PRODUCT(PROD_ID, PROD_NAME, PROD_SNAME, NOW_QTY, DEL_FLAG) "
            "VALUES ('P0099', 'Name 99', 'S 99', 0, 'False')");
    addStock(99, 99);
    s.store.TempCDS.append();
    s.store.TempCDS.fieldByName("PROD_ID").setAsString("P0099");
    s.store.TempCDS.post();

    pressAddProducts([](TFormProdChk &b) {
        EXPECT_TRUE(pageCaptions(b).empty());
        EXPECT_TRUE(shownCodes(b).empty());
        QTest::mouseClick(b.SpeedButton1, Qt::LeftButton);
    });
    waitForMerge();
    ASSERT_EQ(lines().size(), 14u);
    EXPECT_EQ(lines()[13], (Line{"14", "P0099", "Name 99", "129", "99", "0", "0"}));
    expectNoErrors();
}

TEST_F(Adding, LeavingTheBoardWithoutConfirmingMergesNothing)
{
    TFormTouchMove &s = screen();
    proposalOf(2);
    pressAddProducts([](TFormProdChk &b) {
        touchTick(b, 0);
        QTest::mouseClick(b.SpeedButton2, Qt::LeftButton);
    });
    EXPECT_FALSE(s.Timer1->isActive());
    EXPECT_TRUE(codesIn(s.store.TempCDS).empty());
    QTest::qWait(1200);
    EXPECT_EQ(lines().size(), 2u);
}

TEST_F(Adding, APendingLineRefusedByTheQuantityCheckKeepsTheBoardClosed)
{
    TFormTouchMove &s = screen();
    proposalOf(2);
    auto &t = s.store.ClientDataSet2;
    t.edit();
    t.fieldByName("M_QTY").setAsInteger(500);
    QTest::mouseClick(s.bsSkinButton2, Qt::LeftButton);
    EXPECT_EQ(messages.texts(), QStringList({transfer::QuantityTooLargeMessage}));
    EXPECT_EQ(dialogs.ran, 0);
    EXPECT_EQ(t.state(), data::TDataSetState::dsEdit);
    expectNoErrors();
}

TEST_F(Adding, ABillOfTwoThousandLinesStillOpensTheBoardOnTheRightProducts)
{
    TFormTouchMove &s = screen();
    addProducts(db, 14, 2100);
    addStock(14, 2100);
    auto &t = s.store.ClientDataSet2;
    for (int i = 1; i <= 2000; ++i) {
        t.append();
        t.fieldByName("Sno").setAsInteger(i);
        t.fieldByName("PROD_ID").setAsString(productCode(i));
        t.fieldByName("T_QTY").setAsInteger(10);
    }
    t.post();
    pressAddProducts([](TFormProdChk &b) {
        EXPECT_EQ(b.ClientDataSet1.commandText().find("NOT IN"), std::string::npos)
            << "a bill this long is not sent to the server as a list to compare every product with";
        EXPECT_EQ(pageCaptions(b), Codes({"第1頁"}));
        Codes rest;
        for (int n = 2001; n <= 2100; ++n)
            rest.push_back(productCode(n));
        EXPECT_EQ(shownCodes(b), rest);
        touchTick(b, 99);
        QTest::mouseClick(b.SpeedButton1, Qt::LeftButton);
    });
    EXPECT_EQ(std::count(s.ProdIdList.begin(), s.ProdIdList.end(), ','), 1999);
    waitForMerge();
    ASSERT_EQ(lines().size(), 2001u);
    EXPECT_EQ(lines().back(), (Line{"2001", "P2100", "Name 2100", "2130", "2100", "0", "0"}));
    expectNoErrors();
}

TEST_F(Adding, ADatabaseErrorWhilePreparingTheBoardIsShownAndTheBoardIsNotOpened)
{
    db.exec("ALTER TABLE PRODUCT ALTER COLUMN PROD_SNAME TO PROD_SNAME2");
    QTest::mouseClick(screen().bsSkinButton2, Qt::LeftButton);
    ASSERT_EQ(errors.shown.size(), 1);
    EXPECT_TRUE(errors.shown[0].contains("PROD_SNAME")) << errors.shown[0].toStdString();
    EXPECT_EQ(dialogs.ran, 0);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    for (QWidget *w : QApplication::topLevelWidgets())
        EXPECT_EQ(qobject_cast<TFormProdChk *>(w), nullptr) << "the board that was not shown is gone";
}
