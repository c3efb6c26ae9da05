// The date dialog driven as the operator does: typing, touching the calendar, pressing the buttons.

#include "datedlg/GetDateTime.h"

#include <QAbstractItemModel>
#include <QApplication>
#include <QCalendarWidget>
#include <QLineEdit>
#include <QTableView>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include <gtest/gtest.h>

#include <functional>

namespace {

class FixedClock : public data::IClock {
public:
    QDateTime now() const override { return moment; }
    QDateTime moment{QDate(2004, 3, 1), QTime(9, 30)};
};

/// Runs the dialog modally while `operate` works it once the modal loop is running.
bool runDialog(std::function<void(TFrmGetDateTime &)> operate)
{
    QTimer::singleShot(0, [operate] {
        if (FrmGetDateTime)
            operate(*FrmGetDateTime);
    });
    widgets::ModalDialogRunner runner;
    return ExecuteDialog(runner);
}

void typeInto(QLineEdit *edit, const QString &text)
{
    edit->selectAll();
    QTest::keyClick(edit, Qt::Key_Delete);
    QTest::keyClicks(edit, text);
}

/// Clicks the cell of day `day` of the month the calendar shows.
void clickDay(QCalendarWidget *calendar, int day)
{
    auto *view = calendar->findChild<QTableView *>();
    ASSERT_NE(view, nullptr);
    QAbstractItemModel *model = view->model();
    bool inMonth = false;
    for (int row = 1; row < model->rowCount(); ++row) {
        for (int col = 0; col < model->columnCount(); ++col) {
            const int shown = model->index(row, col).data().toInt();
            if (shown == 1)
                inMonth = true; // days before the first 1 belong to the month before
            if (inMonth && shown == day) {
                const QModelIndex cell = model->index(row, col);
                QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, view->visualRect(cell).center());
                return;
            }
        }
    }
    FAIL() << "day " << day << " not shown";
}

class DateDialog : public ::testing::Test {
protected:
    void SetUp() override
    {
        DateConfirmed = false;
        PrepareDialog(clock);
        ASSERT_TRUE(FrmGetDateTime);
    }
    void TearDown() override
    {
        delete FrmGetDateTime.data();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    FixedClock clock;
};

TEST_F(DateDialog, OpensOnTodayInFieldAndCalendar)
{
    EXPECT_EQ(FrmGetDateTime->objectName(), "FrmGetDateTime");
    EXPECT_EQ(FrmGetDateTime->Edit1->text(), "2004/03/01");
    EXPECT_EQ(FrmGetDateTime->MonthCalendar1->selectedDate(), QDate(2004, 3, 1));
    EXPECT_EQ(FrmGetDateTime->MonthCalendar1->firstDayOfWeek(), Qt::Sunday);
    EXPECT_EQ(FrmGetDateTime->BTCMDOK->text(), "確定&Y");
    EXPECT_EQ(FrmGetDateTime->BDCMDNOT->text(), "取消&C");
    EXPECT_EQ(FrmGetDateTime->size(), QSize(295, 225 + TFrmGetDateTime::CalendarExtra));
}

TEST_F(DateDialog, TypedDateMovesTheCalendarAndClickedDayIsWrittenWithTwoDigitFields)
{
    TFrmGetDateTime &dlg = *FrmGetDateTime;
    typeInto(dlg.Edit1, "2004/03/2");
    EXPECT_EQ(dlg.MonthCalendar1->selectedDate(), QDate(2004, 3, 1)) << "an unfinished text is ignored";
    QTest::keyClick(dlg.Edit1, Qt::Key_8);
    EXPECT_EQ(dlg.MonthCalendar1->selectedDate(), QDate(2004, 3, 28));

    typeInto(dlg.Edit1, "2004/3/5");
    EXPECT_EQ(dlg.MonthCalendar1->selectedDate(), QDate(2004, 3, 28)) << "only YYYY/MM/DD is read";

    clickDay(dlg.MonthCalendar1, 5);
    EXPECT_EQ(dlg.MonthCalendar1->selectedDate(), QDate(2004, 3, 5));
    EXPECT_EQ(dlg.Edit1->text(), "2004/03/05");
}

TEST_F(DateDialog, DayThatDoesNotExistIsIgnoredAndConfirmReturnsThePreviousDay)
{
    const bool confirmed = runDialog([](TFrmGetDateTime &dlg) {
        typeInto(dlg.Edit1, "2004/02/10");
        typeInto(dlg.Edit1, "2004/02/30");
        QTest::mouseClick(dlg.BTCMDOK, Qt::LeftButton);
    });
    EXPECT_TRUE(confirmed);
    ASSERT_TRUE(FrmGetDateTime) << "the dialog is readable after its modal run";
    EXPECT_EQ(FrmGetDateTime->MonthCalendar1->selectedDate(), QDate(2004, 2, 10));
    EXPECT_EQ(FrmGetDateTime->Edit1->text(), "2004/02/30");

    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_FALSE(FrmGetDateTime) << "the dialog frees itself once back in the event loop";
}

TEST_F(DateDialog, CancelAndCloseBoxAnswerFalse)
{
    DateConfirmed = true;
    EXPECT_FALSE(runDialog([](TFrmGetDateTime &dlg) {
        clickDay(dlg.MonthCalendar1, 20);
        QTest::mouseClick(dlg.BDCMDNOT, Qt::LeftButton);
    }));

    PrepareDialog(clock);
    DateConfirmed = true;
    EXPECT_FALSE(runDialog([](TFrmGetDateTime &dlg) { dlg.close(); }));

    PrepareDialog(clock);
    DateConfirmed = true;
    EXPECT_FALSE(runDialog([](TFrmGetDateTime &dlg) { QTest::keyClick(&dlg, Qt::Key_Escape); }));
}

TEST_F(DateDialog, EveryOpeningStartsOnTodayWhateverWasChosenBefore)
{
    EXPECT_TRUE(runDialog([](TFrmGetDateTime &dlg) {
        clickDay(dlg.MonthCalendar1, 17);
        QTest::mouseClick(dlg.BTCMDOK, Qt::LeftButton);
    }));
    EXPECT_EQ(FrmGetDateTime->MonthCalendar1->selectedDate(), QDate(2004, 3, 17));

    clock.moment = QDateTime(QDate(2004, 3, 2), QTime(8, 0));
    PrepareDialog(clock);
    EXPECT_EQ(FrmGetDateTime->Edit1->text(), "2004/03/02");
    EXPECT_EQ(FrmGetDateTime->MonthCalendar1->selectedDate(), QDate(2004, 3, 2));
}

TEST_F(DateDialog, ConfirmsByItsAccelerator)
{
    const bool confirmed = runDialog([](TFrmGetDateTime &dlg) {
        dlg.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&dlg));
        QTest::keyClick(dlg.Edit1, Qt::Key_Y, Qt::AltModifier);
        QPointer<TFrmGetDateTime> alive(&dlg);
        // The button clicks after its animation; closing a dialog still open keeps a failing case from hanging.
        if (!QTest::qWaitFor([&] { return !alive || !alive->isVisible(); }, 2000))
            alive->close();
    });
    EXPECT_TRUE(confirmed);
}

} // namespace

namespace {

TEST_F(DateDialog, GrowsWithTheTerminalAndShowsItsSixWeeksWhole)
{
    TFrmGetDateTime &dialog = *FrmGetDateTime;
    auto *view = dialog.MonthCalendar1->findChild<QTableView *>();
    ASSERT_NE(view, nullptr);
    dialog.show();
    int before = 0;
    for (const QSize terminal : {QSize(1024, 768), QSize(1280, 800), QSize(1920, 1080)}) {
        SCOPED_TRACE(testing::Message() << terminal.width() << "x" << terminal.height());
        // The transfer screen's scale on that terminal.
        const auto scale = widgets::DesignScale::fitting(terminal, {792, 566});
        dialog.setScale(scale);
        QCoreApplication::processEvents();
        EXPECT_EQ(dialog.size(), scale.px(TFrmGetDateTime::DesignSize));
        EXPECT_LE(dialog.height(), terminal.height() - 60) << "fits the screen with its frame";
        // The header row of day names and six weeks, the last one whole.
        const int last = view->model()->rowCount() - 1;
        ASSERT_EQ(last, 6);
        EXPECT_LE(view->rowViewportPosition(last) + view->rowHeight(last), view->viewport()->height());
        EXPECT_GT(view->rowHeight(last), before);
        EXPECT_GE(view->rowHeight(last), scale.target(20));
        EXPECT_GE(dialog.BTCMDOK->height(), scale.px(22));
        before = view->rowHeight(last);
    }
    EXPECT_GE(before, widgets::DesignScale::FingerPixels) << "a finger picks a day on the large screen";
}

TEST_F(DateDialog, TitleAndCalendarInChineseOnAChineseTerminal)
{
    EXPECT_TRUE(FrmGetDateTime->windowTitle().isEmpty()) << "no title of its own elsewhere";
    const QLocale before;
    QLocale::setDefault(QLocale(QLocale::Chinese, QLocale::TraditionalChineseScript, QLocale::Taiwan));
    delete FrmGetDateTime.data();
    PrepareDialog(clock);
    EXPECT_EQ(FrmGetDateTime->windowTitle(), QString("選擇日期"));
    EXPECT_EQ(FrmGetDateTime->MonthCalendar1->locale().dayName(1, QLocale::ShortFormat), QString("週一"));
    QLocale::setDefault(before);
}

} // namespace
