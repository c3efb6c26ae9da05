// The transfer screen's stocking date, date dialog, proposal and quantity entry, driven as the operator does
// under the offscreen platform on a real embedded shop database: menu items triggered, the date dialog
// operated through the scripted runner, "條件確定" pressed, quantities typed into the real grid.

#include "ScreenFixture.h"

#include "data/DbError.h"
#include "data/IniFile.h"
#include "datedlg/GetDateTime.h"
#include "transfer/core/LeftOut.h"
#include "transfer/core/Proposal.h"
#include "transfer/core/QuantityCheck.h"
#include "widgets/CodePageEdit.h"
#include "widgets/DBGrid.h"
#include "widgets/DataSetModel.h"
#include "widgets/ImageButton.h"
#include "widgets/NumPad.h"

#include <QApplication>
#include <QCalendarWidget>
#include <QInputMethodEvent>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>
#include <QToolButton>

#include <gtest/gtest.h>

#include <optional>
#include <utility>

using transfer::TFormTouchMove;

namespace {

class Stocking : public ::testing::Test, public ScreenFixture {
protected:
    void SetUp() override
    {
        DateConfirmed = false;
        db.exec("INSERT INTO STOCK_ITEM(STOCK_ID) VALUES('S01')");
        db.exec("INSERT INTO STOCK_ITEM(STOCK_ID) VALUES('S02')");
    }

    /// A product stocked in both warehouses and sold by the branch on 2004/02/29.
    void item(const std::string &prod, int branch, int sold, int main)
    {
        db.exec("INSERT INTO PRODUCT(PROD_ID,PROD_NAME) VALUES('" + prod + "','Name " + prod + "')");
        db.exec("INSERT INTO STORE_QTY(STOCK_ID,PROD_ID,NOW_QTY) VALUES('S02','" + prod + "'," + std::to_string(branch) + ")");
        db.exec("INSERT INTO STORE_QTY(STOCK_ID,PROD_ID,NOW_QTY) VALUES('S01','" + prod + "'," + std::to_string(main) + ")");
        db.exec("INSERT INTO SAL_SUB(PROD_ID,QTY,BILL_DATE,STOCK_ID) VALUES('" + prod + "'," + std::to_string(sold) +
                ",'2004/02/29','S02')");
    }

    /// The screen shown and active, with the warehouses filled in and the stocking date 2004/03/07
    /// chosen as "前一日調撥" on 2004/03/06.
    TFormTouchMove &readyScreen(const QString &branch = "S02")
    {
        clock.moment = QDateTime(QDate(2004, 3, 6), QTime(8, 0));
        TFormTouchMove &s = screen();
        s.bsSkinEdit1->setText(branch);
        s.bsSkinEdit2->setText("S01");
        s.show();
        s.activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(&s));
        s.N2->trigger();
        return s;
    }

    /// Screen with the lines P1 (main 10, move 2), P2 (main 4, move 4) and P3 (main 6, move 6).
    TFormTouchMove &proposedScreen()
    {
        item("P1", 3, 5, 10);
        item("P2", 0, 7, 4);
        item("P3", 0, 9, 6);
        TFormTouchMove &s = readyScreen();
        QTest::mouseClick(s.bsSkinButton1, Qt::LeftButton);
        EXPECT_EQ(s.store.ClientDataSet2.recordCount(), 3);
        EXPECT_TRUE(errors.shown.isEmpty()) << errors.shown.join("\n").toStdString();
        return s;
    }

    int lineOf(TFormTouchMove &s, const std::string &prod)
    {
        auto *model = s.bsSkinDBGrid1->dataSetModel();
        for (int row = 0; row < model->rowCount(); ++row)
            if (model->index(row, 1).data().toString() == QString::fromStdString(prod))
                return row;
        ADD_FAILURE() << prod << " is not in the grid";
        return 0;
    }

    QString cell(TFormTouchMove &s, int row, int column)
    {
        return s.bsSkinDBGrid1->dataSetModel()->index(row, column).data().toString();
    }

    /// Keys go where the operator's keys would: to the widget with the focus (the cell editor once open).
    void key(Qt::Key k)
    {
        QWidget *target = QApplication::focusWidget();
        ASSERT_NE(target, nullptr);
        QTest::keyClick(target, k);
    }
    /// Characters beyond ASCII come as an input method commits them.
    void type(const QString &text)
    {
        for (QChar c : text) {
            QWidget *target = QApplication::focusWidget();
            ASSERT_NE(target, nullptr);
            if (c.unicode() < 0x80) {
                QTest::keyClicks(target, QString(c));
            } else {
                QInputMethodEvent commit;
                commit.setCommitString(QString(c));
                QApplication::sendEvent(target, &commit);
            }
        }
    }
    /// Enter as the operator presses it: the screen queues the move, which runs from the event loop.
    void enter()
    {
        key(Qt::Key_Return);
        QCoreApplication::processEvents();
    }
    void goToCell(TFormTouchMove &s, int row, int column)
    {
        s.bsSkinDBGrid1->setFocus();
        s.bsSkinDBGrid1->setCurrentIndex(s.bsSkinDBGrid1->model()->index(row, column));
        ASSERT_EQ(s.bsSkinDBGrid1->currentIndex(), s.bsSkinDBGrid1->model()->index(row, column));
    }
};

// ---- the stocking-date menu ---------------------------------------------------------------------------

TEST_F(Stocking, MenuItemsSetTodayTomorrowAndTheDayAfterAcrossMonthAndYearEnds)
{
    clock.moment = QDateTime(QDate(2004, 2, 28), QTime(23, 59, 59));
    TFormTouchMove &s = screen();
    const QDate calendarBefore = s.bsSkinMonthCalendar1->selectedDate();
    struct Case {
        QAction *item;
        const char *expected;
    };
    for (const Case &c : {Case{s.N1, "2004/02/28"}, Case{s.N2, "2004/02/29"}, Case{s.N3, "2004/03/01"}}) {
        c.item->trigger();
        EXPECT_EQ(s.Edit_Rdate->text(), QString(c.expected)) << c.item->text().toStdString();
    }
    clock.moment = QDateTime(QDate(2004, 12, 31), QTime(0, 0));
    s.N2->trigger();
    EXPECT_EQ(s.Edit_Rdate->text(), QString("2005/01/01"));
    s.N3->trigger();
    EXPECT_EQ(s.Edit_Rdate->text(), QString("2005/01/02"));
    EXPECT_EQ(s.bsSkinMonthCalendar1->selectedDate(), calendarBefore) << "choosing a date moves no calendar";
    EXPECT_EQ(s.store.ClientDataSet2.recordCount(), 0);
    EXPECT_TRUE(errors.shown.isEmpty());
}

// ---- the date dialog from the screen ------------------------------------------------------------------

TEST_F(Stocking, DialogOpensOnTodayAndATypedDayBecomesTheStockingDate)
{
    TFormTouchMove &s = screen();
    s.N1->trigger(); // 2004/03/01
    QString opened;
    dialogs.scripts.push_back([&](QDialog &d) {
        auto &dlg = static_cast<TFrmGetDateTime &>(d);
        opened = dlg.Edit1->text();
        dlg.Edit1->selectAll();
        QTest::keyClicks(dlg.Edit1, "2004/03/17");
        QTest::mouseClick(dlg.BTCMDOK, Qt::LeftButton);
    });
    s.N4->trigger();
    EXPECT_EQ(dialogs.ran, 1);
    EXPECT_EQ(opened, QString("2004/03/01"));
    EXPECT_EQ(s.Edit_Rdate->text(), QString("2004/03/17"));

    // A day in the past is as good as any; the next opening starts on today again.
    dialogs.scripts.push_back([&](QDialog &d) {
        auto &dlg = static_cast<TFrmGetDateTime &>(d);
        opened = dlg.Edit1->text();
        dlg.MonthCalendar1->setSelectedDate(QDate(2003, 12, 5));
        emit dlg.MonthCalendar1->clicked(QDate(2003, 12, 5));
        QTest::mouseClick(dlg.BTCMDOK, Qt::LeftButton);
    });
    s.N4->trigger();
    EXPECT_EQ(opened, QString("2004/03/01"));
    EXPECT_EQ(s.Edit_Rdate->text(), QString("2003/12/05"));
    EXPECT_EQ(s.Edit_Rdate->text().size(), 10);
}

TEST_F(Stocking, CancelOrTheCloseBoxKeepTheStockingDateEmptyOrNot)
{
    TFormTouchMove &s = screen();
    auto pickThen = [](std::function<void(TFrmGetDateTime &)> leave) {
        return [leave](QDialog &d) {
            auto &dlg = static_cast<TFrmGetDateTime &>(d);
            dlg.Edit1->selectAll();
            QTest::keyClicks(dlg.Edit1, "2004/05/20");
            leave(dlg);
        };
    };
    dialogs.scripts.push_back(pickThen([](TFrmGetDateTime &dlg) { QTest::mouseClick(dlg.BDCMDNOT, Qt::LeftButton); }));
    s.N4->trigger();
    EXPECT_TRUE(s.Edit_Rdate->text().isEmpty());

    s.N2->trigger();
    dialogs.scripts.push_back(pickThen([](TFrmGetDateTime &dlg) { QTest::keyClick(&dlg, Qt::Key_Escape); }));
    s.N4->trigger();
    EXPECT_EQ(s.Edit_Rdate->text(), QString("2004/03/02"));

    // A confirmed use leaves its answer behind; the close box of the next use still counts as a cancel.
    dialogs.scripts.push_back(pickThen([](TFrmGetDateTime &dlg) { QTest::mouseClick(dlg.BTCMDOK, Qt::LeftButton); }));
    s.N4->trigger();
    ASSERT_EQ(s.Edit_Rdate->text(), QString("2004/05/20"));
    dialogs.scripts.push_back(pickThen([](TFrmGetDateTime &dlg) { dlg.close(); }));
    s.N4->trigger();
    EXPECT_EQ(s.Edit_Rdate->text(), QString("2004/05/20"));
    dialogs.scripts.push_back(pickThen([](TFrmGetDateTime &) {})); // left open: the runner uses the close box
    s.N4->trigger();
    EXPECT_EQ(s.Edit_Rdate->text(), QString("2004/05/20"));
    EXPECT_EQ(dialogs.ran, 5);
    EXPECT_TRUE(errors.shown.isEmpty());
}

TEST_F(Stocking, ATypedDayThatDoesNotExistLeavesTheCalendarsDayToBeTaken)
{
    TFormTouchMove &s = screen();
    dialogs.scripts.push_back([](QDialog &d) {
        auto &dlg = static_cast<TFrmGetDateTime &>(d);
        dlg.Edit1->selectAll();
        QTest::keyClicks(dlg.Edit1, "2004/02/10");
        dlg.Edit1->selectAll();
        QTest::keyClicks(dlg.Edit1, "2004/02/30");
        QTest::mouseClick(dlg.BTCMDOK, Qt::LeftButton);
    });
    s.N4->trigger();
    EXPECT_EQ(s.Edit_Rdate->text(), QString("2004/02/10"));
}

// ---- the proposal on the screen -----------------------------------------------------------------------

TEST_F(Stocking, ProposalFillsTheGridSetsTheCalendarLocksAndFocusesTheFirstLine)
{
    TFormTouchMove &s = proposedScreen();
    auto *grid = s.bsSkinDBGrid1;
    auto *model = grid->dataSetModel();
    ASSERT_EQ(model->rowCount(), 3);
    const int p1 = lineOf(s, "P1");
    const QStringList expected = {"P1", "Name P1", "10", "3", "5", "2"};
    for (int c = 1; c < 7; ++c)
        EXPECT_EQ(cell(s, p1, c), expected[c - 1]) << "column " << c;
    EXPECT_EQ(s.CandidateCount, 3);

    EXPECT_EQ(s.bsSkinMonthCalendar1->selectedDate(), QDate(2004, 2, 29));
    EXPECT_EQ(s.bsSkinMonthCalendar1->monthShown(), 2);
    EXPECT_EQ(s.bsSkinMonthCalendar1->yearShown(), 2004);
    for (int c = 0; c < 6; ++c)
        EXPECT_FALSE(model->flags(model->index(0, c)) & Qt::ItemIsEditable) << "column " << c;
    EXPECT_TRUE(model->flags(model->index(0, 6)) & Qt::ItemIsEditable);
    EXPECT_TRUE(grid->hasFocus());
    EXPECT_EQ(s.store.ClientDataSet2.recNo(), 1);
    EXPECT_EQ(grid->currentIndex().row(), 0);
    EXPECT_EQ(s.store.ClientDataSet2.state(), data::TDataSetState::dsBrowse);
    EXPECT_TRUE(messages.shown().empty());

    // Typing into a fixed column does nothing; a second proposal replaces the lines of the first.
    goToCell(s, 0, 1);
    type("X");
    EXPECT_EQ(cell(s, 0, 1), QString::fromStdString(s.store.ClientDataSet2.fieldByName("PROD_ID").asString()));
    QTest::mouseClick(s.bsSkinButton1, Qt::LeftButton);
    EXPECT_EQ(model->rowCount(), 3);
    EXPECT_EQ(cell(s, lineOf(s, "P1"), 6), QString("2"));
    EXPECT_TRUE(errors.shown.isEmpty()) << errors.shown.join("\n").toStdString();
    EXPECT_FALSE(model->flags(model->index(2, 1)) & Qt::ItemIsEditable);
    EXPECT_EQ(grid->currentIndex().row(), 0);
}

TEST_F(Stocking, ProductsLeftOutOfTheProposalAreNamedInOneMessage)
{
    item("P1", 3, 5, 10);
    item("P2", 0, 5, 10);
    db.exec("UPDATE STORE_QTY SET NOW_QTY = 9999999999 WHERE STOCK_ID = 'S01' AND PROD_ID = 'P2'");
    TFormTouchMove &s = readyScreen();
    QTest::mouseClick(s.bsSkinButton1, Qt::LeftButton);
    EXPECT_EQ(messages.texts(), QStringList{QString::fromUtf8(transfer::LeftOutMessage) + QStringLiteral("\nP2")});
    EXPECT_EQ(s.store.ClientDataSet2.recordCount(), 1);
    EXPECT_TRUE(errors.shown.isEmpty()) << errors.shown.join("\n").toStdString();
}

TEST_F(Stocking, WithoutAStockingDateTheButtonDoesNothing)
{
    item("P1", 3, 5, 10);
    TFormTouchMove &s = screen();
    s.bsSkinEdit1->setText("S02");
    s.bsSkinEdit2->setText("S01");
    const QDate calendar = s.bsSkinMonthCalendar1->selectedDate();
    s.bsSkinButton1->click();
    EXPECT_EQ(s.store.ClientDataSet2.recordCount(), 0);
    EXPECT_EQ(s.bsSkinMonthCalendar1->selectedDate(), calendar);
    EXPECT_TRUE(messages.shown().empty());
    EXPECT_TRUE(errors.shown.isEmpty());
    EXPECT_EQ(db.scalar("SELECT COUNT(*) FROM RDB$RELATIONS WHERE RDB$RELATION_NAME = 'VIEW_SALQTYS02'"), "0");
}

// The header's codes are checked before the proposal runs, as before the board opens: a code that names no
// warehouse as stored proposes nothing (a branch typed "s02" would find no sales, stored under S02). A
// warehouse code that cannot name the branch's view is refused by the proposal itself.
TEST_F(Stocking, BranchCodesAsTypedInTheHeader)
{
    item("P1", 3, 5, 10);
    db.exec("INSERT INTO STOCK_ITEM(STOCK_ID) VALUES('S''02')");
    TFormTouchMove &s = readyScreen(" s02 ");
    const QDate calendar = s.bsSkinMonthCalendar1->selectedDate();
    s.bsSkinButton1->click();
    EXPECT_EQ(messages.texts(), QStringList{QStringLiteral("分倉代號「s02」不是倉庫代號..!\n是否為「S02」?")});
    EXPECT_EQ(s.bsSkinMonthCalendar1->selectedDate(), calendar) << "no proposal ran";
    EXPECT_EQ(db.scalar("SELECT COUNT(*) FROM RDB$RELATIONS WHERE RDB$VIEW_BLR IS NOT NULL"), "0");

    s.bsSkinEdit1->setText("分倉");
    s.bsSkinButton1->click();
    EXPECT_EQ(messages.shown().size(), 2u);
    EXPECT_TRUE(messages.texts().last().startsWith(QStringLiteral("分倉代號「分倉」不是倉庫代號..!")))
        << messages.texts().last().toStdString();

    s.bsSkinEdit1->setText("S'02");
    s.bsSkinButton1->click();
    EXPECT_EQ(messages.texts().last(), QString::fromUtf8(transfer::BranchCodeMessage));

    s.bsSkinEdit1->setText(" S02 ");
    s.bsSkinButton1->click();
    EXPECT_EQ(messages.shown().size(), 3u);
    EXPECT_EQ(s.store.ClientDataSet2.recordCount(), 1);
    EXPECT_TRUE(errors.shown.isEmpty()) << errors.shown.join("\n").toStdString();
}

// The attachments of the screen are ended once a proposal has settled its day. While the database can be
// reached the proposal goes on over a new attachment; while it cannot, the proposal stops with one message
// naming the database, and the lines of the previous proposal stay. Once the database is there again, the
// next try runs on a new attachment.
TEST_F(Stocking, AProposalWhoseAttachmentIsEndedGoesOnOrNamesTheDatabaseThatIsAway)
{
    for (const char *prod : {"P1", "P2", "P3", "P4"})
        item(prod, 0, 5, 10);
    TFormTouchMove &s = readyScreen();
    auto &lines = s.store.ClientDataSet2;
    data::TIniFile definitions(db.programDir() + "dbxconnections.ini");
    const std::string gone = db.programDir() + "gone.fdb";
    std::string databaseNow;
    QObject::connect(s.bsSkinMonthCalendar1, &QCalendarWidget::selectionChanged, &s, [&] {
        if (databaseNow.empty())
            return;
        db.exec("DELETE FROM MON$ATTACHMENTS WHERE MON$ATTACHMENT_ID <> CURRENT_CONNECTION");
        definitions.writeString("Kobrel", "Database", std::exchange(databaseNow, ""));
    });
    const auto proposeAfterTheEnd = [&](const std::string &database) {
        s.bsSkinMonthCalendar1->setSelectedDate(QDate(2004, 1, 1));
        databaseNow = database;
        s.bsSkinButton1->click();
        EXPECT_TRUE(databaseNow.empty()) << "the attachments were ended";
    };

    proposeAfterTheEnd(db.databaseFile());
    EXPECT_TRUE(errors.shown.isEmpty()) << errors.shown.join("\n").toStdString();
    EXPECT_EQ(lines.recordCount(), 4);

    proposeAfterTheEnd(gone);
    ASSERT_EQ(errors.shown.size(), 1);
    EXPECT_EQ(errors.shown[0].section('\n', 0, 0),
              QStringLiteral("無法連線到門市資料庫 %1..!").arg(QString::fromStdString(gone)));
    EXPECT_EQ(lines.recordCount(), 4) << "the lines of the previous proposal stay";
    EXPECT_EQ(lines.state(), data::TDataSetState::dsBrowse);
    EXPECT_TRUE(lines.fields(1).readOnly()) << "the fixed columns end locked";

    definitions.writeString("Kobrel", "Database", db.databaseFile());
    s.bsSkinButton1->click();
    EXPECT_EQ(errors.shown.size(), 1) << "the next try attaches anew";
    EXPECT_EQ(lines.recordCount(), 4);
    EXPECT_EQ(s.bsSkinMonthCalendar1->selectedDate(), QDate(2004, 2, 29));
}

// ---- quantity entry through the grid ------------------------------------------------------------------

TEST_F(Stocking, TooLargeAQuantityIsRefusedTheLineKeepsItAndEscapeRestoresIt)
{
    TFormTouchMove &s = proposedScreen();
    auto &lines = s.store.ClientDataSet2;
    const int p1 = lineOf(s, "P1");
    goToCell(s, p1, 6);
    type("11");
    enter();
    EXPECT_EQ(messages.texts(), QStringList{QString::fromUtf8(transfer::QuantityTooLargeMessage)});
    EXPECT_EQ(messages.shown()[0].kind, prompts::MsgKind::Warning);
    EXPECT_EQ(s.bsSkinDBGrid1->currentIndex().row(), p1) << "the cursor stays on the refused line";
    EXPECT_EQ(lines.state(), data::TDataSetState::dsEdit);
    EXPECT_EQ(lines.fieldByName("M_QTY").asInteger(), 11);
    EXPECT_EQ(cell(s, p1, 6), QString("11"));
    EXPECT_TRUE(errors.shown.isEmpty()) << "the abort after the message is silent";

    key(Qt::Key_Escape);
    EXPECT_EQ(lines.state(), data::TDataSetState::dsBrowse);
    EXPECT_EQ(lines.fieldByName("M_QTY").asInteger(), 2);
    EXPECT_EQ(cell(s, p1, 6), QString("2"));
    EXPECT_EQ(s.bsSkinDBGrid1->currentIndex().row(), p1);
}

TEST_F(Stocking, EnterMovesOnLikeTabAndLeavingTheLinePostsItThroughTheCheck)
{
    TFormTouchMove &s = proposedScreen();
    auto &lines = s.store.ClientDataSet2;
    auto *grid = s.bsSkinDBGrid1;
    goToCell(s, 0, 3);
    enter();
    EXPECT_EQ(grid->currentIndex().column(), 4) << "Enter on a fixed column moves to the next column";
    enter();
    enter();
    ASSERT_EQ(grid->currentIndex().column(), 6);

    const int tQty = lines.fieldByName("T_QTY").asInteger();
    type(QString::number(tQty)); // equal to the main stock: accepted
    enter();
    EXPECT_EQ(grid->currentIndex(), grid->model()->index(1, 0)) << "past the last column to the next line";
    EXPECT_EQ(lines.state(), data::TDataSetState::dsBrowse);
    EXPECT_EQ(cell(s, 0, 6), QString::number(tQty));
    EXPECT_TRUE(messages.shown().empty());

    // Enter in the quantity cell of a line with too large a value: message, the cursor stays.
    goToCell(s, 1, 6);
    type("999");
    enter();
    EXPECT_EQ(messages.shown().size(), 1u);
    EXPECT_EQ(grid->currentIndex(), grid->model()->index(1, 6));
    // A second Enter tries again and is refused again; a correct value then lets the cursor go on.
    enter();
    EXPECT_EQ(messages.shown().size(), 2u);
    type("1");
    enter();
    EXPECT_EQ(messages.shown().size(), 2u);
    EXPECT_EQ(grid->currentIndex(), grid->model()->index(2, 0));
    EXPECT_EQ(cell(s, 1, 6), QString("1"));
    EXPECT_TRUE(errors.shown.isEmpty()) << errors.shown.join("\n").toStdString();
}

// Typed into a real cell editor while every box runs a real modal loop, as the program's boxes do (once, a
// refused text's error box ran its loop while Qt still held the editor, and the program died).
TEST_F(Stocking, WhateverIsTypedIntoTheQuantityAndHoweverItEndsTheLineStaysValid)
{
    modalBoxes = true;
    for (const char *prod : {"P1", "P2", "P3"})
        item(prod, 0, 5, 100);
    TFormTouchMove &s = readyScreen();
    QTest::mouseClick(s.bsSkinButton1, Qt::LeftButton);
    ASSERT_EQ(s.store.ClientDataSet2.recordCount(), 3);
    auto &lines = s.store.ClientDataSet2;
    auto *grid = s.bsSkinDBGrid1;
    const QModelIndex quantity = grid->model()->index(0, 6), elsewhere = grid->model()->index(2, 1);

    struct Input {
        QString typed;
        std::optional<int> taken; ///< the quantity stored; none when the line keeps its own
        bool refused;             ///< told that it is no whole number of 32 bits
    };
    const Input inputs[] = {{"abc", {}, false},        {"1.5", 15, false}, {"99999999999", {}, true},
                            {"１２", 12, false},         {"2147483648", {}, true}, {"-3", -3, false},
                            {"0", 0, false}};
    enum End { Enter, Tab, Touch, Escape };
    const char *endNames[] = {"Enter", "Tab", "a touch elsewhere", "Escape"};

    int quantityNow = 5;
    for (const Input &in : inputs) {
        for (End end : {Enter, Tab, Touch, Escape}) {
            const std::string what = in.typed.toStdString() + " then " + endNames[end];
            const std::size_t shownBefore = messages.shown().size();
            goToCell(s, 0, 6);
            type(in.typed);
            switch (end) {
            case Enter:
                enter();
                break;
            case Tab:
                key(Qt::Key_Tab);
                break;
            case Touch:
                QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, grid->visualRect(elsewhere).center());
                break;
            case Escape:
                key(Qt::Key_Escape);
                break;
            }
            QCoreApplication::processEvents();

            const bool kept = end == Escape || in.refused;
            if (!kept && in.taken)
                quantityNow = *in.taken;
            EXPECT_EQ(lines.state(), data::TDataSetState::dsBrowse) << what;
            EXPECT_EQ(cell(s, 0, 6), QString::number(quantityNow)) << what;
            EXPECT_EQ(lines.displayValue(0, 6).asString(), std::to_string(quantityNow)) << what;
            const bool told = in.refused && end != Escape;
            ASSERT_EQ(messages.shown().size(), shownBefore + (told ? 1 : 0)) << what;
            if (told) {
                EXPECT_EQ(messages.shown().back().text, QString::fromUtf8(transfer::NumberRangeMessage)) << what;
            }
            const QModelIndex expected = kept ? quantity : end == Touch ? elsewhere : grid->model()->index(1, 0);
            EXPECT_EQ(grid->currentIndex(), expected) << what;
            EXPECT_EQ(lines.currentDisplayRow(), expected.row()) << what;
        }
    }
    EXPECT_TRUE(errors.shown.isEmpty()) << errors.shown.join("\n").toStdString();
}

TEST_F(Stocking, ATouchOnAQuantityOpensTheKeypadWhoseOkStoresTheValueThroughTheCheck)
{
    for (const char *prod : {"P1", "P2"})
        item(prod, 0, 5, 100);
    TFormTouchMove &s = readyScreen();
    QTest::mouseClick(s.bsSkinButton1, Qt::LeftButton);
    auto &lines = s.store.ClientDataSet2;
    auto *grid = s.bsSkinDBGrid1;
    widgets::TNumPad *pad = s.NumPad1;
    auto touch = [&](int row, int column) {
        QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, grid->visualRect(grid->model()->index(row, column)).center());
    };
    auto press = [](QPushButton *key) { QTest::mouseClick(key, Qt::LeftButton); };
    auto keyIn = [&](const QString &keys) {
        for (QChar k : keys)
            press(k == QChar('-') ? pad->minusKey : pad->digitKeys[k.digitValue()]);
    };
    auto expectStored = [&](const char *quantity) {
        EXPECT_FALSE(pad->isVisible());
        EXPECT_EQ(lines.state(), data::TDataSetState::dsBrowse);
        EXPECT_EQ(cell(s, 0, 6), QString(quantity));
    };

    touch(0, 1);
    EXPECT_FALSE(pad->isVisible()) << "a fixed column opens no keypad";
    touch(0, 6);
    ASSERT_TRUE(pad->isVisible());
    EXPECT_EQ(pad->text(), QString("5"));
    const QRect cell0 = grid->visualRect(grid->model()->index(0, 6));
    EXPECT_FALSE(pad->geometry().intersects(QRect(grid->viewport()->mapTo(&s, cell0.topLeft()), cell0.size())))
        << "beside the cell, not over it";
    EXPECT_TRUE(s.rect().contains(pad->geometry()));
    for (QPushButton *key : pad->findChildren<QPushButton *>())
        EXPECT_GE(key->height(), s.fcImageBtn2->height()) << "as large as the screen's other touch targets";
    EXPECT_EQ(QApplication::focusWidget(), grid) << "the keypad leaves the keyboard with the grid";

    keyIn("12");
    EXPECT_EQ(pad->text(), QString("12")) << "the first key replaces the value shown";
    press(pad->okKey);
    expectStored("12");
    EXPECT_TRUE(messages.shown().empty());

    // More than the main stock: the check's message, the keypad stays on the value; Cancel takes it back.
    touch(0, 6);
    keyIn("999");
    press(pad->okKey);
    EXPECT_EQ(messages.texts(), QStringList{QString::fromUtf8(transfer::QuantityTooLargeMessage)});
    EXPECT_TRUE(pad->isVisible());
    EXPECT_EQ(lines.state(), data::TDataSetState::dsEdit);
    EXPECT_EQ(cell(s, 0, 6), QString("999"));
    press(pad->cancelKey);
    expectStored("12");

    // Refused, then corrected on the keypad.
    touch(0, 6);
    keyIn("999");
    press(pad->okKey);
    press(pad->backKey);
    EXPECT_EQ(pad->text(), QString("99"));
    press(pad->okKey);
    EXPECT_EQ(messages.shown().size(), 2u);
    expectStored("99");

    // Beyond 32 bits: told so, and the line keeps its value; then a negative number.
    touch(0, 6);
    keyIn("99999999999");
    press(pad->okKey);
    EXPECT_EQ(messages.shown().back().text, QString::fromUtf8(transfer::NumberRangeMessage));
    EXPECT_TRUE(pad->isVisible());
    EXPECT_EQ(lines.state(), data::TDataSetState::dsBrowse);
    EXPECT_EQ(cell(s, 0, 6), QString("99"));
    press(pad->clearKey);
    keyIn("-3");
    press(pad->okKey);
    expectStored("-3");
    EXPECT_EQ(messages.shown().size(), 3u);

    // The pointer opens no cell editor on a quantity; the keyboard does, Enter moves on and the keypad,
    // whose cell the cursor left, closes.
    touch(0, 6);
    QTest::mouseDClick(grid->viewport(), Qt::LeftButton, {}, cell0.center());
    EXPECT_TRUE(pad->isVisible());
    EXPECT_EQ(QApplication::focusWidget(), grid);
    type("7");
    enter();
    EXPECT_EQ(cell(s, 0, 6), QString("7"));
    EXPECT_EQ(grid->currentIndex(), grid->model()->index(1, 0));
    EXPECT_FALSE(pad->isVisible());
    EXPECT_TRUE(errors.shown.isEmpty()) << errors.shown.join("\n").toStdString();
}

TEST_F(Stocking, AfterALongProposalTheGridShowsItsFirstLine)
{
    for (int i = 0; i < 60; ++i)
        item("P" + std::to_string(100 + i), 0, 5, 10);
    TFormTouchMove &s = readyScreen();
    QTest::mouseClick(s.bsSkinButton1, Qt::LeftButton);
    QCoreApplication::processEvents();
    auto *grid = s.bsSkinDBGrid1;
    ASSERT_EQ(grid->model()->rowCount(), 60);
    EXPECT_EQ(grid->currentIndex().row(), 0);
    EXPECT_EQ(grid->rowAt(0), 0) << "the first line is at the top";
    EXPECT_EQ(grid->visualRect(grid->model()->index(0, 0)).top(), 0) << "and shown whole";
    EXPECT_EQ(s.bsSkinScrollBar2->value(), 0);
}

} // namespace
