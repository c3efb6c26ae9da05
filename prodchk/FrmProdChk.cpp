#include "FrmProdChk.h"

#include "ProductPages.h"

#include "widgets/DBCtrlGrid.h"
#include "widgets/Fonts.h"

#include <QApplication>
#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPainter>
#include <QPainterPath>
#include <QScopeGuard>
#include <QScreen>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QStyledItemDelegate>
#include <QTimer>
#include <QToolButton>

#include <unordered_set>

namespace prodchk {

namespace {

constexpr char Ticked[] = "True";
constexpr char Unticked[] = "False";
constexpr int ListItemHeight = 21;
/// A pixel below the entry height, so that "第9999頁" fits beside the whole scroll bar.
constexpr int ListFontPixels = 20;
constexpr int ScrollBarWidth = 19;

using Codes = std::unordered_set<std::string>;

/// The page list's entries are all of one height, their captions centred without margins so that "第438頁"
/// fits beside the scroll bar.
class PageCaptions : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    int itemHeight = ListItemHeight;
    QSize sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const override
    {
        return {QStyledItemDelegate::sizeHint(option, index).width(), itemHeight};
    }
    void paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const override
    {
        QStyleOptionViewItem item = option;
        initStyleOption(&item, index);
        const QString caption = item.text;
        item.text.clear();
        const QStyle *style = item.widget ? item.widget->style() : QApplication::style();
        style->drawControl(QStyle::CE_ItemViewItem, &item, painter, item.widget);
        const bool selected = item.state & QStyle::State_Selected;
        painter->setFont(item.font);
        painter->setPen(item.palette.color(selected ? QPalette::HighlightedText : QPalette::Text));
        painter->drawText(item.rect, Qt::AlignCenter | Qt::TextSingleLine, caption);
    }
};

QFrame *panel(QWidget *parent, const char *name)
{
    auto *p = new QFrame(parent);
    p->setObjectName(QString::fromLatin1(name));
    return p;
}

QPixmap confirmGlyph()
{
    QPixmap pixmap(25, 24);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(0, 110, 0), 1));
    p.setBrush(QColor(60, 180, 60));
    p.drawEllipse(QRectF(1.5, 1.5, 21, 21));
    p.setPen(QPen(Qt::white, 3, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    QPainterPath tick;
    tick.moveTo(6.5, 12.5);
    tick.lineTo(10.5, 16.5);
    tick.lineTo(17.5, 7.5);
    p.drawPath(tick);
    return pixmap;
}

QPixmap doorGlyph()
{
    QPixmap pixmap(25, 23);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(90, 90, 90), 1));
    p.setBrush(QColor(40, 40, 40)); // the doorway
    p.drawRect(QRectF(5.5, 1.5, 13, 20));
    p.setPen(QPen(QColor(110, 60, 20), 1));
    p.setBrush(QColor(190, 120, 50)); // the door, swung open
    QPolygonF leaf;
    leaf << QPointF(5.5, 1.5) << QPointF(13.5, 4.5) << QPointF(13.5, 22.5) << QPointF(5.5, 21.5);
    p.drawPolygon(leaf);
    p.setBrush(QColor(250, 210, 60));
    p.drawEllipse(QRectF(10.5, 11.5, 2.5, 2.5));
    return pixmap;
}

QToolButton *speedButton(QWidget *parent, const char *name, const char *caption, const QPixmap &glyph)
{
    auto *b = new QToolButton(parent);
    b->setObjectName(QString::fromLatin1(name));
    b->setText(QString::fromUtf8(caption));
    b->setIcon(QIcon(glyph));
    b->setIconSize(glyph.size());
    b->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    b->setFocusPolicy(Qt::NoFocus);
    return b;
}

/// The codes of a record set's stored rows.
Codes codesOf(data::TClientDataSet &set)
{
    const int at = set.fieldByName("PROD_ID").index();
    Codes codes;
    for (const auto &row : set.data().rows)
        codes.insert(row[at].asString());
    return codes;
}

/// Visits the code of every row of `set` that passes `filter`, then switches the filter off.
template <class F> void forEachFiltered(data::TClientDataSet &set, const char *filter, F &&visit)
{
    set.setFilter(filter);
    set.setFiltered(true);
    for (set.first(); !set.eof(); set.next())
        visit(set.fieldByName("PROD_ID").asString());
    set.setFiltered(false);
}

} // namespace

TFormProdChk::TFormProdChk(const BoardLinks &links, QWidget *parent)
    : QDialog(parent), SQLDataSet1(&links.SQLConnection1), links_(links), offer_(links.ProdIdList),
      pickedBefore_(links.TempCDS.data())
{
    setObjectName(QStringLiteral("FormProdChk"));
    setAttribute(Qt::WA_DeleteOnClose);

    DataSetProvider1.Options = data::poAllowCommandText;
    ClientDataSet1.setProvider(&DataSetProvider1);
    ClientDataSet1.addFieldDef("PROD_ID", data::TFieldType::ftString, 20, true);
    ClientDataSet1.addFieldDef("PROD_SNAME", data::TFieldType::ftString, 20);
    ClientDataSet1.addFieldDef("NOW_QTY", data::TFieldType::ftFloat);
    ClientDataSet1.addFieldDef("DEL_FLAG", data::TFieldType::ftString, 5);
    ClientDataSet2.setProvider(&DataSetProvider1);
    ClientDataSet2.setPacketRecords(50);

    buildLayout();
}

void TFormProdChk::setScale(const widgets::DesignScale &scale)
{
    design_.apply(scale);
}

TFormProdChk::~TFormProdChk()
{
    // The board and the count listen to ClientDataSet3, which goes before they do.
    DBCtrlGrid1->setDataSet(nullptr);
    disconnect(&ClientDataSet3, nullptr, this, nullptr);
}

void TFormProdChk::buildLayout()
{
    setWindowTitle(QStringLiteral("商品選擇"));
    design_.font(this, widgets::screenFont());
    design_.rule([this](const widgets::DesignScale &s) { setFixedSize(s.px(DesignSize)); });

    Panel1 = panel(this, "Panel1");
    Panel2 = panel(this, "Panel2");
    Panel3 = panel(this, "Panel3");
    Panel4 = panel(this, "Panel4");
    Panel5 = panel(this, "Panel5");
    design_.place(Panel1, {0, 0, 792, 11});
    design_.place(Panel2, {0, 522, 792, 41});
    design_.place(Panel3, {0, 11, 11, 511});
    design_.place(Panel4, {781, 11, 11, 511});
    design_.place(Panel5, {11, 11, 102, 511});
    Panel5->setFrameStyle(QFrame::Panel | QFrame::Raised);
    Panel5->setLineWidth(1);

    ListBox1 = new QListWidget(Panel5);
    ListBox1->setObjectName(QStringLiteral("ListBox1"));
    design_.place(ListBox1, {1, 1, 100, 509});
    ListBox1->setFrameShape(QFrame::NoFrame);
    QFont listFont;
    listFont.setFamilies({QStringLiteral("細明體"), QStringLiteral("MingLiU"), QStringLiteral("AR PL UMing TW")});
    listFont.setPixelSize(ListFontPixels);
    design_.font(ListBox1, listFont);
    auto *captions = new PageCaptions(ListBox1);
    ListBox1->setItemDelegate(captions);
    design_.rule([this, captions](const widgets::DesignScale &s) {
        captions->itemHeight = s.target(ListItemHeight);
        // The uniform item height is measured again after a reset, which forgets the entry shown.
        const QSignalBlocker quiet(ListBox1);
        const int shown = ListBox1->currentRow();
        ListBox1->reset();
        ListBox1->setCurrentRow(shown);
        // The list lays out its scroll bar by the bar's size hint, which a fixed width leaves alone: the
        // width is given where the hint comes from, or the bar is cut to the style's narrow default.
        ListBox1->setStyleSheet(QStringLiteral("QScrollBar:vertical { width: %1px; }").arg(s.px(ScrollBarWidth)));
    });
    ListBox1->setUniformItemSizes(true);
    ListBox1->setFocusPolicy(Qt::NoFocus); // the keys stay with the board

    DBCtrlGrid1 = new widgets::TDBCtrlGrid(this);
    DBCtrlGrid1->setObjectName(QStringLiteral("DBCtrlGrid1"));
    design_.place(DBCtrlGrid1, {113, 11, 668, 511});
    design_.rule([this](const widgets::DesignScale &s) { DBCtrlGrid1->setScale(s); });
    DBCtrlGrid1->setCheckField("DEL_FLAG");
    DBCtrlGrid1->setTextField("PROD_SNAME");
    DBCtrlGrid1->setCodeField("PROD_ID");

    SpeedButton1 = speedButton(Panel2, "SpeedButton1", "確定", confirmGlyph());
    SpeedButton2 = speedButton(Panel2, "SpeedButton2", "離開", doorGlyph());
    SpeedButton3 = speedButton(Panel2, "SpeedButton3", "上一頁", QPixmap());
    SpeedButton4 = speedButton(Panel2, "SpeedButton4", "下一頁", QPixmap());
    design_.place(SpeedButton1, {88, 5, 89, 30});
    design_.place(SpeedButton2, {178, 5, 89, 30});
    design_.place(SpeedButton3, {290, 5, 80, 30});
    design_.place(SpeedButton4, {371, 5, 80, 30});
    design_.rule([this](const widgets::DesignScale &s) {
        for (QToolButton *b : {SpeedButton1, SpeedButton2})
            b->setIconSize(s.px(b->icon().availableSizes().value(0)));
    });

    Label1 = new QLabel(Panel2);
    Label1->setObjectName(QStringLiteral("Label1"));
    design_.place(Label1, {462, 5, 100, 30});
    Label1->setAlignment(Qt::AlignCenter);

    Edit1 = new QLineEdit(Panel2);
    Edit1->setObjectName(QStringLiteral("Edit1"));
    design_.place(Edit1, {572, 5, 209, 30});
    Edit1->setPlaceholderText(QStringLiteral("搜尋：代號或品名"));
    Edit1->setClearButtonEnabled(true);
    QFont searchFont = widgets::screenFont();
    searchFont.setPixelSize(16);
    design_.font(Edit1, searchFont);

    connect(ListBox1, &QListWidget::currentRowChanged, this, [this] { handle([this] { ListBox1Click(); }); });
    DBCtrlGrid1->keyDown = [this](int key) { handle([&] { DBCtrlGrid1KeyDown(key); }); };
    DBCtrlGrid1->onError = [this](const std::exception &error) {
        links_.errors.showError(prompts::errorText(error));
    };
    connect(SpeedButton1, &QToolButton::clicked, this, [this] { handle([this] { SpeedButton1Click(); }); });
    connect(SpeedButton2, &QToolButton::clicked, this, &QWidget::close);
    connect(SpeedButton3, &QToolButton::clicked, this, [this] { handle([this] { SpeedButton3Click(); }); });
    connect(SpeedButton4, &QToolButton::clicked, this, [this] { handle([this] { SpeedButton4Click(); }); });
    connect(Edit1, &QLineEdit::textChanged, this, [this] { handle([this] { Edit1Change(); }); });
    // After the search (a scanner ends its code with Enter) the keys go back to the board.
    connect(Edit1, &QLineEdit::returnPressed, DBCtrlGrid1, [this] { DBCtrlGrid1->setFocus(); });
    connect(&ClientDataSet3, &data::TClientDataSet::changed, this, [this](const data::DataSetChange &change) {
        if (change.kind != data::DataSetChange::CurrentMoved && change.kind != data::DataSetChange::StateChanged)
            handle([this] { showTickedCount(); });
    });
    showTickedCount();
    showPageButtons();
    DBCtrlGrid1->setFocus();
}

data::TClientDataSet *TFormProdChk::DataSource1() const
{
    return DBCtrlGrid1->dataSet();
}

void TFormProdChk::listPages()
{
    const int products = offer_.count(ClientDataSet2, SQLDataSet1);

    const QSignalBlocker quiet(ListBox1);
    ListBox1->clear();
    for (int page = 1; (page - 1) * PageSize < products; ++page)
        ListBox1->addItem(QStringLiteral("第%1頁").arg(page));
    shownEntry_ = -1;
    showPageButtons();
}

void TFormProdChk::loadPage(int page)
{
    const std::optional<std::string> statement = offer_.pageStatement(page);
    ClientDataSet1.close();
    data::DataPacket rows;
    if (statement) {
        ClientDataSet1.setCommandText(*statement);
        ClientDataSet1.open();
        rows = ClientDataSet1.data();
        offer_.keepOffered(rows);
    } else {
        rows.fields = ClientDataSet1.fieldDefs(); // no product: an empty page
    }
    const Codes picked = codesOf(links_.TempCDS);
    const int code = ClientDataSet1.fieldByName("PROD_ID").index();
    const int flag = ClientDataSet1.fieldByName("DEL_FLAG").index();
    for (auto &row : rows.rows)
        if (picked.contains(row[code].asString()))
            row[flag] = data::TValue(Ticked);
    ClientDataSet3.setData(rows);
    DBCtrlGrid1->setDataSet(&ClientDataSet3);
}

void TFormProdChk::CollectTicked()
{
    data::TClientDataSet &picked = links_.TempCDS;
    ClientDataSet4.setData(ClientDataSet3.data());

    forEachFiltered(ClientDataSet4, "DEL_FLAG='True'", [&picked](const std::string &code) {
        if (picked.locate("PROD_ID", code))
            return;
        picked.append();
        picked.fieldByName("PROD_ID").setAsString(code);
        picked.post();
    });

    Codes unticked;
    forEachFiltered(ClientDataSet4, "DEL_FLAG='False'", [&unticked](const std::string &code) {
        unticked.insert(code);
    });
    data::DataPacket all = picked.data();
    const int at = picked.fieldByName("PROD_ID").index();
    if (std::erase_if(all.rows, [&](const auto &row) { return unticked.contains(row[at].asString()); }) > 0)
        picked.setData(all);
}

void TFormProdChk::ListBox1Click()
{
    // On a failure the board keeps its page, and the list shows that page again.
    auto keepList = qScopeGuard([this] {
        const QSignalBlocker quiet(ListBox1);
        ListBox1->setCurrentRow(shownEntry_);
    });
    CollectTicked();
    const int entry = ListBox1->currentRow();
    loadPage(std::max(entry, 0));
    shownEntry_ = entry;
    keepList.dismiss();
    showPageButtons();
}

void TFormProdChk::DBCtrlGrid1KeyDown(int key)
{
    if (key != Qt::Key_Return && key != Qt::Key_Enter && key != Qt::Key_Space)
        return;
    data::TClientDataSet *shown = DataSource1();
    if (!shown || !shown->active() || shown->isEmpty())
        return; // nothing to tick: the board adds no rows
    shown->edit();
    data::TField &flag = shown->fieldByName("DEL_FLAG");
    flag.setAsString(flag.asString() != Ticked ? Ticked : Unticked);
    shown->post();
}

void TFormProdChk::SpeedButton1Click()
{
    confirmed_ = true;
    // The merge starts and the board closes also when the collection fails.
    const auto finish = qScopeGuard([this] {
        links_.Timer1.start();
        close();
    });
    CollectTicked();
}

void TFormProdChk::SpeedButton3Click()
{
    if (shownPage() > 0)
        ListBox1->setCurrentRow(shownPage() - 1);
}

void TFormProdChk::SpeedButton4Click()
{
    if (shownPage() + 1 < ListBox1->count())
        ListBox1->setCurrentRow(shownPage() + 1);
}

void TFormProdChk::Edit1Change()
{
    CollectTicked();
    offer_.setSearch(Edit1->text());
    listPages();
    loadPage(0);
}

void TFormProdChk::keyPressEvent(QKeyEvent *event)
{
    // Text typed while the board has the keys (a barcode scanner's code, most often) starts a new search.
    const QString text = event->text();
    if (!text.isEmpty() && text.at(0).isPrint() && !text.at(0).isSpace()) {
        Edit1->setFocus();
        Edit1->setText(text);
        return;
    }
    QDialog::keyPressEvent(event);
}

void TFormProdChk::showTickedCount()
{
    // What "確定" would hand over: the picked set with the ticks of the page shown collected.
    Codes picked = codesOf(links_.TempCDS);
    if (ClientDataSet3.active()) {
        const int code = ClientDataSet3.fieldByName("PROD_ID").index();
        const int flag = ClientDataSet3.fieldByName("DEL_FLAG").index();
        for (int row = 0; row < ClientDataSet3.displayRowCount(); ++row) {
            const std::string shown = ClientDataSet3.displayValue(row, code).asString();
            if (ClientDataSet3.displayValue(row, flag).asString() == Ticked)
                picked.insert(shown);
            else
                picked.erase(shown);
        }
    }
    const auto handedOver = std::ranges::count_if(picked, [this](const std::string &c) { return !offer_.onBill(c); });
    Label1->setText(QStringLiteral("已選 %1 項").arg(handedOver));
}

void TFormProdChk::showPageButtons()
{
    SpeedButton3->setEnabled(shownPage() > 0);
    SpeedButton4->setEnabled(shownPage() + 1 < ListBox1->count());
}

// Every way out of the board ends here; only "確定" keeps what this opening put into the picked set.
void TFormProdChk::done(int result)
{
    if (!confirmed_)
        handle([this] { links_.TempCDS.setData(pickedBefore_); });
    QDialog::done(result);
}

} // namespace prodchk
