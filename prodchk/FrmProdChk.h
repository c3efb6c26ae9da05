#pragma once
// TFormProdChk: the modal board "商品選擇" on which the operator ticks products to add to the transfer bill,
// 100 a page in 5 columns of 20 panels, with the page list on the left, 上一頁 and 下一頁 below, the number of
// products ticked and a search field (code or part of the short name; typing on the board, as a barcode
// scanner does, lands there too). The tick lives only in the board's in-memory copy of the page (DEL_FLAG
// "True"); the dialog writes nothing to the database.
//
// Hand-over to the transfer screen: the ticked products of a page are collected into the picked-product set
// whenever the operator changes page or confirms, and a product unticked on the page shown is taken out of it
// again. "確定" collects the page shown, starts the screen's merge timer and closes. Leaving any other way
// ("離開", the close box, Escape) puts the picked-product set back as it was when the board was opened.
// The dialog frees itself when it closes.

#include "ProductOffer.h"

#include "data/ClientDataSet.h"
#include "data/DataSetProvider.h"
#include "data/SqlQuery.h"
#include "widgets/DesignScale.h"
#include "widgets/ErrorBox.h"

#include <QDialog>

#include <algorithm>
#include <string>

class QFrame;
class QLabel;
class QLineEdit;
class QListWidget;
class QTimer;
class QToolButton;

namespace widgets {
class TDBCtrlGrid;
}

namespace prodchk {

/// What the board takes from the transfer screen. All of it must outlive the board.
struct BoardLinks {
    /// The screen's first connection, on which the board reads the products.
    data::TSQLConnection &SQLConnection1;
    /// The picked-product set, with at least the text field PROD_ID.
    data::TClientDataSet &TempCDS;
    /// The screen's one-shot merge timer, started on "確定".
    QTimer &Timer1;
    /// The exclusion list: the products already on the bill (see ProductPages.h), read when the board is built.
    const std::string &ProdIdList;
    /// The application's standard error box, for the failures of the board's handlers.
    prompts::IErrorReporter &errors;
};

class TFormProdChk : public QDialog {
    Q_OBJECT
public:
    /// The board's size in design units.
    static constexpr QSize DesignSize{792, 563};

    /// Builds the board empty, at its design size until given a scale; nothing is read yet. Create it with new: it deletes
    /// itself when it closes.
    explicit TFormProdChk(const BoardLinks &links, QWidget *parent = nullptr);
    ~TFormProdChk() override;

    /// Draws the board at `scale` (the transfer screen's, so that both grow alike).
    void setScale(const widgets::DesignScale &scale);
    const widgets::DesignScale &scale() const { return design_.scale(); }

    data::TSQLDataSet SQLDataSet1;
    data::TDataSetProvider DataSetProvider1{&SQLDataSet1};
    /// The page as fetched.
    data::TClientDataSet ClientDataSet1;
    /// The count of the products offered, fetched 50 rows a packet.
    data::TClientDataSet ClientDataSet2;
    /// The page shown and ticked.
    data::TClientDataSet ClientDataSet3;
    /// Scratch copy of the page shown, filtered to the ticked products while they are collected.
    data::TClientDataSet ClientDataSet4;

    QFrame *Panel1;
    QFrame *Panel2;
    QFrame *Panel3;
    QFrame *Panel4;
    QFrame *Panel5;
    QListWidget *ListBox1;
    widgets::TDBCtrlGrid *DBCtrlGrid1;
    QToolButton *SpeedButton1;
    QToolButton *SpeedButton2;
    /// 上一頁 and 下一頁.
    QToolButton *SpeedButton3;
    QToolButton *SpeedButton4;
    /// The number of products "確定" would hand over: ticked on any page and not on the bill.
    QLabel *Label1;
    /// The search: code or part of the short name.
    QLineEdit *Edit1;

    /// DataSource1: the record set the board shows and the keys tick (ClientDataSet3 once a page is loaded).
    data::TClientDataSet *DataSource1() const;

    /// Counts the products offered (see ProductOffer.h; the shop's count statement runs on ClientDataSet2) and
    /// fills the page list: "第1頁", "第2頁", … one caption per started page; none selected. Raises
    /// EDatabaseError with the server's message; the list is then left as it was.
    void listPages();
    /// Loads page `page` (from 0) into ClientDataSet1, copies it into ClientDataSet3 with the products already
    /// picked ticked, and shows it on the board. On a failure the board keeps what it showed.
    void loadPage(int page);

    /// Copies the ticked products of the page shown into the picked-product set (each product once) and takes
    /// the products unticked there out of it.
    void CollectTicked();

    void done(int result) override;

protected:
    void keyPressEvent(QKeyEvent *event) override;

private:
    void buildLayout();
    template <class F> void handle(F &&work) { widgets::guarded(links_.errors, std::forward<F>(work)); }

    void ListBox1Click();
    void DBCtrlGrid1KeyDown(int key);
    void SpeedButton1Click();
    void SpeedButton3Click();
    void SpeedButton4Click();
    void Edit1Change();
    void showTickedCount();
    void showPageButtons();
    int shownPage() const { return std::max(shownEntry_, 0); }

    BoardLinks links_;
    widgets::DesignLayout design_;
    ProductOffer offer_;
    /// The picked-product set as it was when the board was opened, for leaving without "確定".
    data::DataPacket pickedBefore_;
    bool confirmed_ = false;
    /// The page list entry of the page shown (-1: the first page, shown without a selection).
    int shownEntry_ = -1;
};

} // namespace prodchk
