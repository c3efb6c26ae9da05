#include "FrmQuorvan.h"

#include "data/IniFile.h"
#include "data/SqlText.h"
#include "transfer/core/LineTable.h"
#include "transfer/core/QuantityCheck.h"
#include "transfer/core/WarehouseCheck.h"
#include "transfer/core/WarehouseCode.h"
#include "widgets/CodePage.h"
#include "widgets/CodePageEdit.h"
#include "widgets/DBGrid.h"
#include "widgets/ExtrudedLabel.h"
#include "widgets/Fonts.h"
#include "widgets/ImageButton.h"
#include "widgets/NumPad.h"
#include "widgets/WholeNumber.h"

#include <QCalendarWidget>
#include <QCloseEvent>
#include <QFrame>
#include <QGridLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QResizeEvent>
#include <QScreen>
#include <QScrollBar>
#include <QTimer>
#include <QToolButton>

#include <optional>
#include <utility>

namespace transfer {

namespace {

constexpr char SettingsSection[] = "System";

// Heights in design units of what the layout table leaves to the toolkit.
constexpr int LabelHeight = 20;
constexpr int MenuItemHeight = 20;
constexpr int MenuWidth = 129; // as wide as the condition button
constexpr int MenuPadding = 12;
constexpr int RowHeight = 20;
constexpr int IndicatorWidth = 14;

/// The grid's columns: caption and width in pixels, in field order.
struct ColumnLook {
    const char *caption;
    int width;
};
constexpr ColumnLook Columns[LineFieldCount] = {{"序", 30},     {"商品代號", 90}, {"商品名稱", 140}, {"總倉數", 50},
                                                {"現有數", 50}, {"銷售數", 50},   {"應補數", 50}};

QFrame *raisedPanel(QWidget *parent, const char *name)
{
    auto *panel = new QFrame(parent);
    panel->setObjectName(QString::fromLatin1(name));
    panel->setFrameStyle(QFrame::Panel | QFrame::Raised);
    panel->setLineWidth(1);
    panel->setAutoFillBackground(true);
    return panel;
}

QLabel *label(QWidget *parent, const char *name, const char *caption)
{
    auto *l = new QLabel(QString::fromUtf8(caption), parent);
    l->setObjectName(QString::fromLatin1(name));
    return l;
}

/// A switch of the settings file: "1", "true", "yes" or "on", in any case.
bool isOn(const std::string &value)
{
    const QString v = QString::fromStdString(value).trimmed().toLower();
    return v == QLatin1String("1") || v == QLatin1String("true") || v == QLatin1String("yes") ||
           v == QLatin1String("on");
}

QFont arial14()
{
    QFont f;
    f.setFamilies({QStringLiteral("Arial"), QStringLiteral("Liberation Sans"), QStringLiteral("AR PL UMing TW")});
    f.setPixelSize(14);
    return f;
}

template <class Edit> Edit *edit(QWidget *parent, const char *name, bool framed = true)
{
    auto *e = new Edit(parent);
    e->setObjectName(QString::fromLatin1(name));
    e->setFrame(framed);
    return e;
}

QPushButton *button(QWidget *parent, const char *name, const char *caption)
{
    auto *b = new QPushButton(QString::fromUtf8(caption), parent);
    b->setObjectName(QString::fromLatin1(name));
    return b;
}

widgets::TImageButton *imageButton(QWidget *parent, const char *name, const char *caption)
{
    auto *b = new widgets::TImageButton(QString::fromUtf8(caption), parent);
    b->setObjectName(QString::fromLatin1(name));
    return b;
}

/// Keeps an outside scroll bar in step with a scroll bar of the grid; shown only while there is something
/// to scroll.
void mirrorScrollBar(QScrollBar *outside, QScrollBar *inside)
{
    outside->hide();
    QObject::connect(inside, &QScrollBar::rangeChanged, outside, [outside, inside](int min, int max) {
        outside->setRange(min, max);
        outside->setPageStep(inside->pageStep());
        outside->setVisible(max > min);
    });
    QObject::connect(inside, &QScrollBar::valueChanged, outside, &QScrollBar::setValue);
    QObject::connect(outside, &QScrollBar::valueChanged, inside, &QScrollBar::setValue);
}

} // namespace

TFormTouchMove::TFormTouchMove(const ScreenServices &services, QWidget *parent)
    : QWidget(parent), store(services.programDir), services_(services)
{
    setObjectName(QStringLiteral("FormTouchMove"));
    buildLayout();
    store.SQLConnection1.open(); // the first connection is open once the screen is built
    handle([this] { FormCreate(); });
}

TFormTouchMove::~TFormTouchMove()
{
    // The grid listens to the line table, which the store owns: let the grid go first.
    delete bsSkinDBGrid1;
}

void TFormTouchMove::buildLayout()
{
    setWindowTitle(QStringLiteral("調撥作業"));
    setWindowIcon(QIcon());
    const QFont screenFont = widgets::screenFont();
    design_.font(this, screenFont);
    resize(DesignSize);

    auto *form = new QVBoxLayout(this);
    form->setContentsMargins(0, 0, 0, 0);
    form->setSpacing(0);

    // Header row 1: the two warehouses, the salesperson and today's date.
    bsSkinPanel1 = raisedPanel(this, "bsSkinPanel1");
    design_.fixedHeight(bsSkinPanel1, 49);
    form->addWidget(bsSkinPanel1);
    bsSkinStdLabel1 = label(bsSkinPanel1, "bsSkinStdLabel1", "分倉代號");
    bsSkinEdit1 = edit<widgets::TCodePageEdit>(bsSkinPanel1, "bsSkinEdit1");
    bsSkinStdLabel3 = label(bsSkinPanel1, "bsSkinStdLabel3", "業務:");
    bsSkinStdLabel4 = label(bsSkinPanel1, "bsSkinStdLabel4", "");
    SkinEdit_Date = edit<QLineEdit>(bsSkinPanel1, "SkinEdit_Date", false);
    bsSkinStdLabel2 = label(bsSkinPanel1, "bsSkinStdLabel2", "總倉代號");
    bsSkinEdit2 = edit<widgets::TCodePageEdit>(bsSkinPanel1, "bsSkinEdit2");
    design_.placeLabel(bsSkinStdLabel1, {8, 16}, LabelHeight);
    design_.place(bsSkinEdit1, {72, 12, 121, 20});
    design_.placeLabel(bsSkinStdLabel3, {208, 16}, LabelHeight);
    design_.placeLabel(bsSkinStdLabel4, {240, 16}, LabelHeight);
    design_.place(SkinEdit_Date, {384, 15, 81, 20});
    design_.placeLabel(bsSkinStdLabel2, {600, 15}, LabelHeight);
    design_.place(bsSkinEdit2, {656, 12, 121, 20});
    for (QLineEdit *e : {static_cast<QLineEdit *>(bsSkinEdit1), SkinEdit_Date, static_cast<QLineEdit *>(bsSkinEdit2)})
        design_.font(e, arial14());

    // Header row 2: the condition menu, the stocking date, the two buttons and the reference-day caption.
    bsSkinPanel2 = raisedPanel(this, "bsSkinPanel2");
    design_.fixedHeight(bsSkinPanel2, 56);
    form->addWidget(bsSkinPanel2);
    bsSkinMenuSpeedButton1 = new QToolButton(bsSkinPanel2);
    bsSkinMenuSpeedButton1->setObjectName(QStringLiteral("bsSkinMenuSpeedButton1"));
    bsSkinMenuSpeedButton1->setText(QStringLiteral("條件選擇"));
    design_.place(bsSkinMenuSpeedButton1, {8, 16, 129, 27});
    bsSkinMenuSpeedButton1->setPopupMode(QToolButton::InstantPopup);
    bsSkinPopupMenu1 = new QMenu(bsSkinMenuSpeedButton1);
    bsSkinPopupMenu1->setObjectName(QStringLiteral("bsSkinPopupMenu1"));
    N1 = bsSkinPopupMenu1->addAction(QStringLiteral("當日調撥"));
    N2 = bsSkinPopupMenu1->addAction(QStringLiteral("前一日調撥"));
    N3 = bsSkinPopupMenu1->addAction(QStringLiteral("前二日調撥"));
    N4 = bsSkinPopupMenu1->addAction(QStringLiteral("指定備貨日"));
    N1->setObjectName(QStringLiteral("N1"));
    N2->setObjectName(QStringLiteral("N2"));
    N3->setObjectName(QStringLiteral("N3"));
    N4->setObjectName(QStringLiteral("N4"));
    bsSkinMenuSpeedButton1->setMenu(bsSkinPopupMenu1);
    // The menu's items are as tall as the screen's other targets and as wide as the button.
    design_.rule([this, screenFont](const widgets::DesignScale &s) {
        bsSkinPopupMenu1->setFont(s.font(screenFont));
        bsSkinPopupMenu1->setStyleSheet(
            QStringLiteral("QMenu::item { min-height: %1px; min-width: %2px; padding: 0 %3px; }")
                .arg(s.target(MenuItemHeight))
                .arg(s.px(MenuWidth - 2 * MenuPadding))
                .arg(s.px(MenuPadding)));
    });
    bsSkinStdLabel5 = label(bsSkinPanel2, "bsSkinStdLabel5", "備貨日期");
    design_.placeLabel(bsSkinStdLabel5, {152, 20}, LabelHeight);
    Edit_Rdate = edit<QLineEdit>(bsSkinPanel2, "Edit_Rdate", false);
    design_.place(Edit_Rdate, {208, 18, 81, 20});
    design_.font(Edit_Rdate, arial14());
    Edit_Rdate->setReadOnly(true);
    bsSkinButton1 = button(bsSkinPanel2, "bsSkinButton1", "條件確定");
    bsSkinButton2 = button(bsSkinPanel2, "bsSkinButton2", "增加商品");
    design_.place(bsSkinButton1, {304, 16, 97, 25});
    design_.place(bsSkinButton2, {408, 16, 97, 25});
    fcLabel1 = new widgets::TExtrudedLabel(QStringLiteral("參考銷售日期"), bsSkinPanel2);
    fcLabel1->setObjectName(QStringLiteral("fcLabel1"));
    fcLabel1->setFontFamily(QStringLiteral("標楷體"));
    fcLabel1->setFarColor(QColor(255, 255, 128));
    fcLabel1->setNearColor(QColor(255, 128, 128));
    design_.place(fcLabel1, {616, 32, 101, 23});
    // The status line beside the buttons says what the last action did, or what is being done while a
    // progress bar below it runs.
    StatusLine = new QLabel(bsSkinPanel2);
    StatusLine->setObjectName(QStringLiteral("StatusLine"));
    StatusLine->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    design_.place(StatusLine, {516, 4, 270, 26});
    ProgressBar1 = new QProgressBar(bsSkinPanel2);
    ProgressBar1->setObjectName(QStringLiteral("ProgressBar1"));
    ProgressBar1->setRange(0, 0);
    ProgressBar1->setTextVisible(false);
    ProgressBar1->hide();
    design_.place(ProgressBar1, {516, 33, 96, 18});
    design_.rule([this](const widgets::DesignScale &s) {
        fcLabel1->setFontPixelSize(s.px(13));
        fcLabel1->setDepth(s.px(4));
    });

    // The rest: the grid on the left, the side panel with calendar, buttons and memo on the right.
    bsSkinPanel3 = raisedPanel(this, "bsSkinPanel3");
    form->addWidget(bsSkinPanel3, 1);
    auto *rest = new QHBoxLayout(bsSkinPanel3);
    rest->setContentsMargins(1, 1, 1, 1);
    rest->setSpacing(0);

    bsSkinPanel5 = raisedPanel(bsSkinPanel3, "bsSkinPanel5");
    rest->addWidget(bsSkinPanel5, 1);
    auto *gridArea = new QGridLayout(bsSkinPanel5);
    gridArea->setContentsMargins(1, 1, 1, 1);
    gridArea->setSpacing(0);
    bsSkinDBGrid1 = new widgets::TDBGrid(bsSkinPanel5);
    bsSkinDBGrid1->setObjectName(QStringLiteral("bsSkinDBGrid1"));
    bsSkinDBGrid1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    bsSkinDBGrid1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    design_.rule([this, screenFont](const widgets::DesignScale &s) {
        // The grid has a style sheet, so it no longer follows the window's font: it is given its own.
        bsSkinDBGrid1->setFont(s.font(screenFont));
        bsSkinDBGrid1->horizontalHeader()->setFont(s.font(screenFont));
        bsSkinDBGrid1->setRowHeight(s.target(RowHeight));
        bsSkinDBGrid1->setIndicatorWidth(s.px(IndicatorWidth));
        for (int i = 0; i < std::min<int>(LineFieldCount, bsSkinDBGrid1->horizontalHeader()->count()); ++i)
            bsSkinDBGrid1->setColumnWidth(i, s.px(Columns[i].width));
    });
    bsSkinScrollBar1 = new QScrollBar(Qt::Horizontal, bsSkinPanel5);
    bsSkinScrollBar1->setObjectName(QStringLiteral("bsSkinScrollBar1"));
    design_.fixedHeight(bsSkinScrollBar1, 20);
    bsSkinScrollBar2 = new QScrollBar(Qt::Vertical, bsSkinPanel5);
    bsSkinScrollBar2->setObjectName(QStringLiteral("bsSkinScrollBar2"));
    design_.fixedWidth(bsSkinScrollBar2, 19);
    mirrorScrollBar(bsSkinScrollBar1, bsSkinDBGrid1->horizontalScrollBar());
    mirrorScrollBar(bsSkinScrollBar2, bsSkinDBGrid1->verticalScrollBar());
    gridArea->addWidget(bsSkinDBGrid1, 0, 0);
    gridArea->addWidget(bsSkinScrollBar2, 0, 1);
    gridArea->addWidget(bsSkinScrollBar1, 1, 0);

    bsSkinPanel4 = raisedPanel(bsSkinPanel3, "bsSkinPanel4");
    design_.fixedWidth(bsSkinPanel4, 271);
    rest->addWidget(bsSkinPanel4);
    bsSkinMonthCalendar1 = new QCalendarWidget(bsSkinPanel4);
    bsSkinMonthCalendar1->setObjectName(QStringLiteral("bsSkinMonthCalendar1"));
    design_.place(bsSkinMonthCalendar1, {1, 1, 269, 150});
    design_.calendarFont(bsSkinMonthCalendar1, screenFont);
    bsSkinMonthCalendar1->setFirstDayOfWeek(Qt::Sunday);
    bsSkinMonthCalendar1->setVerticalHeaderFormat(QCalendarWidget::NoVerticalHeader);
    fcImageBtn2 = imageButton(bsSkinPanel4, "fcImageBtn2", " 調撥確認");
    fcImageBtn1 = imageButton(bsSkinPanel4, "fcImageBtn1", " 預覽列印");
    design_.place(fcImageBtn2, {80, 168, 113, 33});
    design_.place(fcImageBtn1, {80, 224, 113, 33});
    // The ways out of a line without a keyboard; they leave the keyboard with the grid.
    bsSkinButton3 = button(bsSkinPanel4, "bsSkinButton3", "取消編輯");
    bsSkinButton4 = button(bsSkinPanel4, "bsSkinButton4", "刪除商品");
    design_.place(bsSkinButton3, {16, 264, 117, 33});
    design_.place(bsSkinButton4, {140, 264, 117, 33});
    bsSkinButton3->setFocusPolicy(Qt::NoFocus);
    bsSkinButton4->setFocusPolicy(Qt::NoFocus);
    Memo1 = new QPlainTextEdit(bsSkinPanel4);
    Memo1->setObjectName(QStringLiteral("Memo1"));
    design_.place(Memo1, {16, 304, 241, 153});

    NumPad1 = new widgets::TNumPad(this);
    NumPad1->setObjectName(QStringLiteral("NumPad1"));
    design_.rule([this](const widgets::DesignScale &s) { NumPad1->setScale(s); });

    Timer1 = new QTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setInterval(1000);

    QWidget::setTabOrder(bsSkinEdit1, bsSkinEdit2);
    QWidget::setTabOrder(bsSkinEdit2, SkinEdit_Date);
    QWidget::setTabOrder(SkinEdit_Date, Edit_Rdate);
    QWidget::setTabOrder(Edit_Rdate, bsSkinButton1);
    QWidget::setTabOrder(bsSkinButton1, bsSkinButton2);
    QWidget::setTabOrder(bsSkinButton2, bsSkinMonthCalendar1);
    QWidget::setTabOrder(bsSkinMonthCalendar1, fcImageBtn1);
    QWidget::setTabOrder(fcImageBtn1, fcImageBtn2);
    QWidget::setTabOrder(fcImageBtn2, Memo1);
    QWidget::setTabOrder(Memo1, bsSkinDBGrid1);

    bsSkinDBGrid1->setDataSet(&store.ClientDataSet2);
    bsSkinDBGrid1->onError = [this](const std::exception &error) {
        services_.errors.showError(prompts::errorText(error));
    };
    bsSkinDBGrid1->keyPressed = [this](QChar &key) { handle([&] { bsSkinDBGrid1KeyPress(key); }); };
    bsSkinDBGrid1->mouseMoved = [this](Qt::KeyboardModifiers, const QPoint &) {
        handle([this] { bsSkinDBGrid1MouseMove(); });
    };
    bsSkinDBGrid1->cellPressed = [this](const QModelIndex &cell) {
        bool taken = false;
        handle([&] { taken = bsSkinDBGrid1CellClick(cell); });
        return taken;
    };
    bsSkinDBGrid1->entryRefused = [this] { handle([this] { bsSkinDBGrid1EntryRefused(); }); };
    // The keypad belongs to its cell: when the cell cursor goes elsewhere, it closes.
    connect(bsSkinDBGrid1->selectionModel(), &QItemSelectionModel::currentChanged, NumPad1,
            [this](const QModelIndex &current) {
                if (current != numPadCell_)
                    NumPad1->hide();
            });
    connect(NumPad1, &widgets::TNumPad::accepted, this,
            [this](const QString &text) { handle([&] { NumPad1Accept(text); }); });
    connect(NumPad1, &widgets::TNumPad::cancelled, this, [this] { handle([this] { NumPad1Cancel(); }); });
    store.ClientDataSet2.beforePost = [this](data::TClientDataSet &) { ClientDataSet2BeforePost(); };

    connect(N1, &QAction::triggered, this, [this] { handle([this] { N1Click(); }); });
    connect(N2, &QAction::triggered, this, [this] { handle([this] { N2Click(); }); });
    connect(N3, &QAction::triggered, this, [this] { handle([this] { N3Click(); }); });
    connect(N4, &QAction::triggered, this, [this] { handle([this] { N4Click(); }); });
    connect(bsSkinButton1, &QPushButton::clicked, this, [this] { handle([this] { bsSkinButton1Click(); }); });
    connect(bsSkinButton2, &QPushButton::clicked, this, [this] { handle([this] { bsSkinButton2Click(); }); });
    connect(fcImageBtn2, &QAbstractButton::clicked, this, [this] { handle([this] { fcImageBtn2Click(); }); });
    connect(fcImageBtn1, &QAbstractButton::clicked, this, [this] { handle([this] { fcImageBtn1Click(); }); });
    connect(bsSkinButton3, &QPushButton::clicked, this, [this] { handle([this] { bsSkinButton3Click(); }); });
    connect(bsSkinButton4, &QPushButton::clicked, this, [this] { handle([this] { bsSkinButton4Click(); }); });
    connect(Timer1, &QTimer::timeout, this, [this] { handle([this] { Timer1Timer(); }); });
}

std::string TFormTouchMove::settingsFileName() const
{
    return services_.programDir + objectName().toStdString() + ".INI";
}

std::string TFormTouchMove::pickedProductsFileName() const
{
#ifdef Q_OS_WIN
    return "c:\\aaa.cds";
#else
    return services_.programDir + "aaa.cds";
#endif
}

void TFormTouchMove::FormCreate()
{
    bsSkinDBGrid1->setShowHint(true);

    data::setStatement(store.SQLQuery1, {"SELECT * FROM STORE_CHOISE"});
    store.SQLQuery1.open();
    StoreID = store.SQLQuery1.fieldByName("STORE_ID").asString();

    {
        const data::TIniFile ini(settingsFileName());
        bsSkinEdit2->setBytes(ini.readString(SettingsSection, "SSTOCKID", ""));
        bsSkinEdit1->setBytes(ini.readString(SettingsSection, "TSTOCKID", ""));
        salesIdBytes_ = ini.readString(SettingsSection, "SalesID", "");
        bsSkinStdLabel4->setText(widgets::decodeText(salesIdBytes_));
        FullScreen = isOn(ini.readString(SettingsSection, "FullScreen", ""));
    }

    SkinEdit_Date->setText(QString::fromStdString(data::formatDate(services_.clock.today())));

    createLineTable(store.ClientDataSet2);
    for (int i = 0; i < LineFieldCount; ++i)
        bsSkinDBGrid1->setColumn(i, QString::fromUtf8(Columns[i].caption), Columns[i].width);
    design_.apply(design_.scale()); // the columns and the salesperson's label at the screen's scale

    createPickedSet(store.TempCDS);
}

void TFormTouchMove::showOnTerminal()
{
    // The window first covers the screen's free area, so that it fills it also where no window manager
    // maximises it.
    if (const QScreen *on = screen())
        setGeometry(on->availableGeometry());
    if (FullScreen)
        showFullScreen();
    else
        showMaximized();
}

widgets::DesignScale TFormTouchMove::dialogScale(const QSize &design) const
{
    return scale().atMost(widgets::DesignScale::forScreen(screen(), design));
}

void TFormTouchMove::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    const auto scale = widgets::DesignScale::fitting(size(), DesignSize);
    if (!(scale == design_.scale())) {
        NumPad1->hide(); // it stood beside a cell that has moved
        design_.apply(scale);
    }
}

void TFormTouchMove::say(const QString &text)
{
    StatusLine->setText(text);
    StatusLine->setToolTip(text);
}

void TFormTouchMove::reportProposal()
{
    // The proposal's lines are those numbered up to its candidate count; the lines added by hand follow.
    const LineTable lines(store.ClientDataSet2);
    const int sno = lines.position(Sno);
    int added = 0;
    for (const auto &line : lines.set().data().rows)
        added += !line[sno].isNull() && line[sno].asInteger() <= CandidateCount;
    const QString day = QString::fromStdString(data::formatDate(bsSkinMonthCalendar1->selectedDate()));
    say(added > 0 ? QStringLiteral("建議 %1 項 (參考銷售日 %2)").arg(added).arg(day)
                  : QStringLiteral("沒有需要補貨的商品 (參考銷售日 %1)").arg(day));
}

int TFormTouchMove::lineCount() const
{
    return store.ClientDataSet2.active() ? store.ClientDataSet2.recordCount() : 0;
}

TFormTouchMove::Busy::Busy(QLabel &status, QProgressBar &bar, const QString &what)
    : status_(status), bar_(bar), before_(status.text()), what_(what)
{
    status_.setText(what_);
    bar_.show();
    // The work that follows keeps the event loop from painting them.
    status_.repaint();
    bar_.repaint();
}

TFormTouchMove::Busy::~Busy()
{
    bar_.hide();
    if (status_.text() == what_) // the work ended without telling what it did
        status_.setText(before_);
}

TFormTouchMove::Busy TFormTouchMove::showBusy(const QString &what)
{
    return Busy(*StatusLine, *ProgressBar1, what);
}

void TFormTouchMove::closeEvent(QCloseEvent *event)
{
    handle([this] { FormClose(); });
    event->accept(); // the window closes also when the picked products could not be saved
}

void TFormTouchMove::FormClose()
{
    {
        data::TIniFile ini(settingsFileName());
        ini.writeString(SettingsSection, "SSTOCKID", bsSkinEdit2->bytes());
        ini.writeString(SettingsSection, "TSTOCKID", bsSkinEdit1->bytes());
        ini.writeString(SettingsSection, "SalesID", salesIdBytes_);
    }
    store.TempCDS.saveToFile(pickedProductsFileName(), data::TClientDataSet::FileFormat::Binary);
}

void TFormTouchMove::ClientDataSet2BeforePost()
{
    checkQuantity(store.ClientDataSet2, services_.messages);
}

void TFormTouchMove::bsSkinDBGrid1KeyPress(QChar &key)
{
    // Enter moves on like Tab: the grid first ends the cell's editing, then the cell cursor moves.
    if (key == QChar('\r'))
        QMetaObject::invokeMethod(bsSkinDBGrid1, &widgets::TDBGrid::moveNext, Qt::QueuedConnection);
}

bool TFormTouchMove::headerCodesAreWarehouses()
{
    const auto wrong =
        checkWarehouseCodes(store.SQLQuery1, trimCode(bsSkinEdit1->bytes()), trimCode(bsSkinEdit2->bytes()));
    if (wrong)
        services_.messages.messageDlg(*wrong, prompts::MsgKind::Warning, prompts::MsgButtons::Ok);
    return !wrong;
}

void TFormTouchMove::warn(const char *text)
{
    services_.messages.messageDlg(text, prompts::MsgKind::Warning, prompts::MsgButtons::Ok);
}

widgets::TDBGrid::Pause TFormTouchMove::pauseGrid()
{
    NumPad1->hide();
    return widgets::TDBGrid::Pause(*bsSkinDBGrid1);
}

bool TFormTouchMove::bsSkinDBGrid1CellClick(const QModelIndex &cell)
{
    const LineTable lines(store.ClientDataSet2);
    if (cell.column() != lines.position(M_QTY))
        return false;
    numPadCell_ = cell;
    numPadRefused_ = false;
    QRect place = bsSkinDBGrid1->visualRect(cell);
    place.moveTopLeft(bsSkinDBGrid1->viewport()->mapTo(this, place.topLeft()));
    NumPad1->open(cell.data().toString(), place);
    return true;
}

void TFormTouchMove::bsSkinDBGrid1EntryRefused()
{
    warn(NumberRangeMessage);
}

void TFormTouchMove::NumPad1Accept(const QString &text)
{
    const std::optional<data::TValue> value = widgets::wholeNumber(text);
    if (!value) {
        warn(NumberRangeMessage);
        return;
    }
    LineTable(store.ClientDataSet2).toMove().setValue(*value);
    // Stored through the quantity check; a refusal raises the silent abort and keeps the keypad open.
    numPadRefused_ = true;
    store.ClientDataSet2.post();
    numPadRefused_ = false;
    NumPad1->hide();
}

void TFormTouchMove::NumPad1Cancel()
{
    NumPad1->hide();
    // A value of the keypad that the check refused does not stay behind.
    if (std::exchange(numPadRefused_, false))
        bsSkinDBGrid1->cancelEdit();
}

void TFormTouchMove::bsSkinButton3Click()
{
    NumPad1->hide();
    bsSkinDBGrid1->cancelEdit();
    say(QStringLiteral("已取消編輯"));
}

void TFormTouchMove::bsSkinButton4Click()
{
    auto &set = store.ClientDataSet2;
    if (!set.active() || set.currentDisplayRow() < 0)
        return;
    const LineTable lines(set);
    // The proposal numbers its lines up to the candidate count; the merge numbers the lines it adds after it.
    const data::TValue number = lines.sno().value();
    if (!number.isNull() && number.asInteger() <= CandidateCount) {
        warn(ProposedLineMessage);
        return;
    }
    const std::string code = lines.prodId().asString();
    if (set.state() != data::TDataSetState::dsInsert && billedProducts_.contains(code)) {
        warn(BilledLineMessage);
        return;
    }
    const QString question = QString::fromUtf8(RemoveLineQuestion) + QChar('\n') + widgets::decodeText(code) +
                             QStringLiteral("  ") + widgets::decodeText(lines.prodName().asString());
    if (services_.messages.messageDlg(question, prompts::MsgKind::Confirmation, prompts::MsgButtons::YesNo) !=
        prompts::MsgResult::Yes)
        return;
    NumPad1->hide();
    set.remove();
    say(QStringLiteral("已刪除 ") + widgets::decodeText(code).trimmed());
}

void TFormTouchMove::bsSkinDBGrid1MouseMove()
{
    const QModelIndex cell = bsSkinDBGrid1->currentIndex();
    bsSkinDBGrid1->hideHint();
    const LineTable lines(store.ClientDataSet2);
    if (!cell.isValid() || !lines.set().active() || cell.column() != lines.position(PROD_ID))
        return;
    const std::string hint = lines.prodId().asString() + "\r\r" + lines.prodName().asString() + "\r\r" +
                             lines.mainStock().asString() + "\r\r";
    bsSkinDBGrid1->setHintText(widgets::decodeText(hint));
}

} // namespace transfer
