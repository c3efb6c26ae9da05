#pragma once
// TFormTouchMove: the transfer screen "調撥作業", the program's main window. It owns the store (connections,
// statement objects, line table, picked-product set) and the values its operations share, and wires its
// controls to the transfer rules of core/, handing each the components and values it works on.
// Each control event has one handler, named after the control and the event; every handler runs inside the
// error guard, which shows an uncaught error in the standard error box and swallows the silent abort.
//
// The methods are split into files by concern: this file's .cpp holds the layout, start-up, shutdown and the
// grid's aids; FrmQuorvan_Stocking.cpp the stocking date and the proposal; FrmQuorvan_Adding.cpp the product
// board and the merge; FrmQuorvan_Posting.cpp the bill number, the posting and the print preview.

#include "data/DateText.h"
#include "prompts/MessageBox.h"
#include "transfer/core/BillHeader.h"
#include "transfer/core/TransferStore.h"
#include "widgets/DBGrid.h"
#include "widgets/DesignScale.h"
#include "widgets/DialogRunner.h"
#include "widgets/ErrorBox.h"

#include <QPersistentModelIndex>
#include <QWidget>

#include <set>
#include <utility>
#include <vector>
#include <string>

class QCalendarWidget;
class QFrame;
class QLabel;
class QLineEdit;
class QMenu;
class QAction;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;
class QScrollBar;
class QTimer;
class QToolButton;

namespace widgets {
class TCodePageEdit;
class TExtrudedLabel;
class TImageButton;
class TNumPad;
}

namespace transfer {

/// A quantity typed or keyed in that is no whole number of 32 bits.
inline constexpr char NumberRangeMessage[] = "數值超出範圍..!,請輸入 -2147483648 至 2147483647 的整數..";
/// The remove button on a line of the proposal.
inline constexpr char ProposedLineMessage[] = "建議的商品不能刪除..!,只能刪除增加的商品..";
/// The remove button on a line that a posted bill holds.
inline constexpr char BilledLineMessage[] = "此商品已寫入調撥單..!,不能刪除..";
/// 調撥確認 on a line table without a line to post.
inline constexpr char NothingToPostMessage[] = "沒有可調撥的商品..!";
/// Asked before the lines of the last posted bill are posted again; %1 is that bill's number.
inline constexpr char RepostQuestion[] = "這些商品已寫入調撥單 %1..!,是否再寫入一張相同的調撥單..";
/// Asked before a line is removed; the line's code and name follow on the next line.
inline constexpr char RemoveLineQuestion[] = "是否刪除此商品..";

/// What the screen works with besides itself. Everything must outlive the screen.
struct ScreenServices {
    /// The program folder, ending with the path separator: definitions, settings and hand-off files.
    std::string programDir;
    const data::IClock &clock;
    /// The screen's skinned message box (bsSkinMessage1).
    prompts::IMessageBox &messages;
    /// The application's standard error box.
    prompts::IErrorReporter &errors;
    /// Runs the modal dialogs (date dialog, product board).
    widgets::IDialogRunner &dialogs;
};

class TFormTouchMove : public QWidget {
    Q_OBJECT
public:
    /// Builds the screen and opens the first connection, then runs the create handler. Raises
    /// EDatabaseError when the first connection cannot be opened; a failing step of the create handler is
    /// shown and the screen opens nevertheless.
    explicit TFormTouchMove(const ScreenServices &services, QWidget *parent = nullptr);
    ~TFormTouchMove() override;

    /// The screen's size in design units: the layout's positions and sizes are given in these.
    static constexpr QSize DesignSize{792, 566};
    /// The scale the screen is drawn at: the design fitted to the window, redone whenever it is resized.
    const widgets::DesignScale &scale() const { return design_.scale(); }
    /// The scale for a dialog of `design` size opened from the screen: the screen's own, or smaller where the
    /// dialog would not fit on the screen with its frame.
    widgets::DesignScale dialogScale(const QSize &design) const;
    /// Shows the screen filling the terminal: full screen when the settings say "FullScreen=1", else
    /// maximised.
    void showOnTerminal();
    /// Setting "FullScreen" of section "System", read at start; off when missing.
    bool FullScreen = false;

    TransferStore store;

    // The values the screen's operations share for the whole run; each starts empty or zero.
    std::string StoreID;
    int CandidateCount = 0;
    std::string ProdIdList;
    int PageSize = 0;
    std::string BillNo;
    std::string SStockID;
    std::string TStockID;

    // Header row 1
    QFrame *bsSkinPanel1;
    QLabel *bsSkinStdLabel1;
    widgets::TCodePageEdit *bsSkinEdit1; ///< 分倉代號, the branch (target) warehouse
    QLabel *bsSkinStdLabel3;
    QLabel *bsSkinStdLabel4; ///< the salesperson text
    QLineEdit *SkinEdit_Date;
    QLabel *bsSkinStdLabel2;
    widgets::TCodePageEdit *bsSkinEdit2; ///< 總倉代號, the main (source) warehouse
    // Header row 2
    QFrame *bsSkinPanel2;
    QToolButton *bsSkinMenuSpeedButton1;
    QMenu *bsSkinPopupMenu1;
    QAction *N1;
    QAction *N2;
    QAction *N3;
    QAction *N4;
    QLabel *bsSkinStdLabel5;
    QLineEdit *Edit_Rdate; ///< the stocking date "YYYY/MM/DD", set only through the condition menu
    QPushButton *bsSkinButton1;
    QPushButton *bsSkinButton2;
    widgets::TExtrudedLabel *fcLabel1;
    // The rest
    QFrame *bsSkinPanel3;
    QFrame *bsSkinPanel4;
    QCalendarWidget *bsSkinMonthCalendar1;
    widgets::TImageButton *fcImageBtn2;
    widgets::TImageButton *fcImageBtn1;
    QPushButton *bsSkinButton3; ///< cancels the edit of the current line, as Escape does
    QPushButton *bsSkinButton4; ///< removes a line added by hand
    QPlainTextEdit *Memo1;
    /// What the last action did.
    QLabel *StatusLine;
    /// Shown under the status line while long work runs.
    QProgressBar *ProgressBar1;
    QFrame *bsSkinPanel5;
    widgets::TDBGrid *bsSkinDBGrid1;
    QScrollBar *bsSkinScrollBar1;
    QScrollBar *bsSkinScrollBar2;
    widgets::TNumPad *NumPad1; ///< the keypad a touch on a 應補數 cell opens
    QTimer *Timer1;

    /// The settings file: the program folder, the screen's component name and ".INI".
    std::string settingsFileName() const;
    /// The file the picked-product set is saved to at every close.
    std::string pickedProductsFileName() const;

    // Operations of the screen.
    std::string NextBillNo(const std::string &counterTable, const std::string &billDate);
    void WriteBill();
    void MergePickedProducts();

    /// Tells the operator in the status line what was just done.
    void say(const QString &text);
    /// For as long as it lives: `what` in the status line and the progress bar running, painted at once.
    /// The status line gets its text back unless the work said something else.
    class Busy {
    public:
        Busy(QLabel &status, QProgressBar &bar, const QString &what);
        ~Busy();
        Busy(const Busy &) = delete;
        Busy &operator=(const Busy &) = delete;

    private:
        QLabel &status_;
        QProgressBar &bar_;
        const QString before_;
        const QString what_;
    };
    [[nodiscard]] Busy showBusy(const QString &what);
    /// Tells the operator how many lines the proposal just run has on the bill, with its reference day.
    void reportProposal();
    /// The lines on the line table.
    int lineCount() const;

protected:
    void closeEvent(QCloseEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    void buildLayout();
    /// The header of the bill numbered BillNo, as the posting and the preview take it.
    BillHeader billHeader() const { return {BillNo, SStockID, TStockID, StoreID}; }
    /// Runs a handler inside the error guard.
    template <class F> void handle(F &&work) { widgets::guarded(services_.errors, std::forward<F>(work)); }
    /// Shows a warning with its OK button.
    void warn(const char *text);
    /// Keeps the grid still for a whole operation on the line table; the keypad closes.
    widgets::TDBGrid::Pause pauseGrid();

    // Start-up and shutdown
    void FormCreate();
    void FormClose();
    /// Whether both warehouse codes of the header name warehouses and differ; when not, the operator is told
    /// what is wrong. Runs before anything that uses the codes.
    bool headerCodesAreWarehouses();
    // Stocking date and proposal
    void N1Click();
    void N2Click();
    void N3Click();
    void N4Click();
    void bsSkinButton1Click();
    // Adding products
    void bsSkinButton2Click();
    void Timer1Timer();
    // Quantity entry
    void ClientDataSet2BeforePost();
    void bsSkinDBGrid1KeyPress(QChar &key);
    void bsSkinDBGrid1MouseMove();
    bool bsSkinDBGrid1CellClick(const QModelIndex &cell);
    void bsSkinDBGrid1EntryRefused();
    void NumPad1Accept(const QString &text);
    void NumPad1Cancel();
    void bsSkinButton3Click();
    void bsSkinButton4Click();
    // Posting and preview
    void fcImageBtn2Click();
    void fcImageBtn1Click();

    ScreenServices services_;
    widgets::DesignLayout design_;
    std::string salesIdBytes_;
    /// The cell the keypad was opened for.
    QPersistentModelIndex numPadCell_;
    /// The keypad's last value was refused by the quantity check and left its line pending.
    bool numPadRefused_ = false;
    /// The products of the lines on the table when a bill was last posted.
    std::set<std::string> billedProducts_;
    /// The bill last posted in this run and what it holds.
    struct PostedBill {
        std::string billNo;
        std::vector<std::pair<std::string, int>> lines;
    };
    PostedBill lastPosted_;
};

} // namespace transfer
