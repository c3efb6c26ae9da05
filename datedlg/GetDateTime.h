#pragma once
// TFrmGetDateTime: the small modal window in which the operator picks one calendar day, by touching it in
// the month calendar or by typing it as "YYYY/MM/DD". The caller takes the calendar's day after a confirm.

#include "data/DateText.h"
#include "widgets/DesignScale.h"
#include "widgets/DialogRunner.h"

#include <QDialog>
#include <QPointer>

class QCalendarWidget;
class QFrame;
class QLineEdit;
class QTimeEdit;
class QToolButton;

class TFrmGetDateTime : public QDialog {
    Q_OBJECT
public:
    /// How much taller than its first design the calendar is, in design units: room for six weeks.
    static constexpr int CalendarExtra = 41;
    /// The dialog's size in design units.
    static constexpr QSize DesignSize{295, 225 + CalendarExtra};

    /// `clock` says what today is; it must outlive the dialog. The dialog frees itself when it closes. It
    /// is drawn at its design size until given a scale.
    explicit TFrmGetDateTime(const data::IClock &clock, QWidget *parent = nullptr);

    /// Draws the dialog at `scale` (the transfer screen's, so that both grow alike).
    void setScale(const widgets::DesignScale &scale);
    const widgets::DesignScale &scale() const { return design_.scale(); }

    QFrame *Panel1;
    QFrame *Panel2;
    QFrame *Panel3;
    QFrame *Panel5;
    QFrame *Panel6;
    QFrame *Panel7;
    QToolButton *BTCMDOK;
    QToolButton *BDCMDNOT;
    QLineEdit *Edit1;
    QTimeEdit *dxTimeEdit1;
    QCalendarWidget *MonthCalendar1;

    void done(int result) override;

private:
    void FormCreate();
    void MonthCalendar1Click();
    void Edit1Change();
    void BTCMDOK1Click();
    void BDCMDNOTClick();
    void FormClose();

    const data::IClock &clock_;
    widgets::DesignLayout design_;
    bool answered_ = false;
};

/// The answer of the last use of the dialog: true after "確定", false after a cancel or the close box.
extern bool DateConfirmed;
/// The current dialog; null once it has been freed.
extern QPointer<TFrmGetDateTime> FrmGetDateTime;

/// Creates a fresh dialog into FrmGetDateTime, opening on the clock's today. The clock must outlive it.
void PrepareDialog(const data::IClock &clock);
/// Runs FrmGetDateTime modally through `runner` and returns DateConfirmed. The dialog stays readable until
/// control is back in the event loop that called this.
bool ExecuteDialog(widgets::IDialogRunner &runner);
