#include "GetDateTime.h"

#include <QCalendarWidget>
#include <QCloseEvent>
#include <QFrame>
#include <QLineEdit>
#include <QLocale>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <QTimeEdit>
#include <QToolButton>

bool DateConfirmed = false;
QPointer<TFrmGetDateTime> FrmGetDateTime;

namespace {

QFrame *whitePanel(QWidget *parent)
{
    auto *panel = new QFrame(parent);
    panel->setAutoFillBackground(true);
    QPalette pal = panel->palette();
    pal.setColor(QPalette::Window, Qt::white);
    panel->setPalette(pal);
    return panel;
}

QPixmap glyph(bool enabled, void (*draw)(QPainter &, bool))
{
    QPixmap pixmap(16, 16);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    draw(p, enabled);
    return pixmap;
}

void drawLamp(QPainter &p, bool enabled)
{
    QRadialGradient light(QPointF(6, 5), 8);
    light.setColorAt(0, enabled ? QColor(200, 255, 200) : QColor(230, 230, 230));
    light.setColorAt(1, enabled ? QColor(0, 150, 0) : QColor(140, 140, 140));
    p.setPen(QPen(enabled ? QColor(0, 90, 0) : QColor(110, 110, 110), 1));
    p.setBrush(light);
    p.drawEllipse(QRectF(1.5, 1.5, 13, 13));
}

void drawProhibition(QPainter &p, bool enabled)
{
    const QColor red = enabled ? QColor(210, 0, 0) : QColor(140, 140, 140);
    p.setPen(QPen(red, 2.2));
    p.setBrush(Qt::white);
    p.drawEllipse(QRectF(2, 2, 12, 12));
    p.drawLine(QPointF(4.2, 4.2), QPointF(11.8, 11.8));
}

QIcon glyphIcon(void (*draw)(QPainter &, bool))
{
    QIcon icon;
    icon.addPixmap(glyph(true, draw), QIcon::Normal);
    icon.addPixmap(glyph(false, draw), QIcon::Disabled);
    return icon;
}

QToolButton *flatButton(QWidget *parent, const QString &caption, const QIcon &icon)
{
    auto *button = new QToolButton(parent);
    button->setText(caption);
    button->setIcon(icon);
    button->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    button->setAutoRaise(true);
    button->setFocusPolicy(Qt::NoFocus);
    QPalette pal = button->palette();
    pal.setColor(QPalette::ButtonText, Qt::blue);
    button->setPalette(pal);
    return button;
}

} // namespace

TFrmGetDateTime::TFrmGetDateTime(const data::IClock &clock, QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
                          | Qt::WindowCloseButtonHint),
      clock_(clock)
{
    setObjectName(QStringLiteral("FrmGetDateTime"));
    // The window has no title of its own; in a Chinese locale the frame names the dialog.
    setWindowTitle(QLocale().language() == QLocale::Chinese ? QStringLiteral("選擇日期") : QString());
    design_.font(this, QFont(QStringLiteral("新細明體"), 9));
    design_.rule([this](const widgets::DesignScale &s) { setFixedSize(s.px(DesignSize)); });

    // The calendar is CalendarExtra units taller than its first design, so that its six weeks of days fit,
    // each a finger tall; the panels below it move down by as much.
    Panel1 = whitePanel(this);
    Panel3 = whitePanel(this);
    Panel5 = whitePanel(this);
    Panel2 = whitePanel(this);
    Panel6 = whitePanel(this);
    design_.place(Panel1, {0, 0, 295, 11});
    design_.place(Panel3, {0, 11, 11, 173 + CalendarExtra});
    design_.place(Panel5, {284, 11, 11, 173 + CalendarExtra});
    design_.place(Panel2, {0, 184 + CalendarExtra, 295, 41});
    design_.place(Panel6, {11, 11, 273, 173 + CalendarExtra});
    Panel6->setFrameStyle(QFrame::Panel | QFrame::Raised);
    Panel6->setLineWidth(1);

    BTCMDOK = flatButton(Panel2, QStringLiteral("確定&Y"), glyphIcon(drawLamp));
    BDCMDNOT = flatButton(Panel2, QStringLiteral("取消&C"), glyphIcon(drawProhibition));
    design_.place(BTCMDOK, {60, 8, 73, 22});
    design_.place(BDCMDNOT, {163, 8, 73, 22});
    design_.rule([this](const widgets::DesignScale &s) {
        for (QToolButton *b : {BTCMDOK, BDCMDNOT})
            b->setIconSize(s.px(QSize(16, 16)));
    });

    MonthCalendar1 = new QCalendarWidget(Panel6);
    design_.place(MonthCalendar1, {1, 1, 271, 143 + CalendarExtra});
    design_.calendarFont(MonthCalendar1, QFont(QStringLiteral("新細明體"), 9));
    MonthCalendar1->setFirstDayOfWeek(Qt::Sunday);
    MonthCalendar1->setVerticalHeaderFormat(QCalendarWidget::NoVerticalHeader);

    Panel7 = whitePanel(Panel6);
    design_.place(Panel7, {1, 144 + CalendarExtra, 271, 28});
    Edit1 = new QLineEdit(Panel7);
    design_.place(Edit1, {7, 4, 101, 21});
    QFont editFont(QStringLiteral("新細明體"));
    editFont.setPixelSize(13);
    design_.font(Edit1, editFont);
    dxTimeEdit1 = new QTimeEdit(Panel7);
    design_.place(dxTimeEdit1, {109, 4, 74, 21});
    dxTimeEdit1->setDisplayFormat(QStringLiteral("HH:mm:ss"));

    connect(MonthCalendar1, &QCalendarWidget::clicked, this, &TFrmGetDateTime::MonthCalendar1Click);
    connect(Edit1, &QLineEdit::textChanged, this, &TFrmGetDateTime::Edit1Change);
    connect(BTCMDOK, &QToolButton::clicked, this, &TFrmGetDateTime::BTCMDOK1Click);
    connect(BDCMDNOT, &QToolButton::clicked, this, &TFrmGetDateTime::BDCMDNOTClick);

    FormCreate();
}

void TFrmGetDateTime::setScale(const widgets::DesignScale &scale)
{
    design_.apply(scale);
}

void TFrmGetDateTime::FormCreate()
{
    const QDateTime now = clock_.now();
    dxTimeEdit1->setTime(now.time());
    Edit1->setText(QString::fromStdString(data::formatDate(now.date())));
}

void TFrmGetDateTime::MonthCalendar1Click()
{
    Edit1->setText(QString::fromStdString(data::formatDate(MonthCalendar1->selectedDate())));
}

void TFrmGetDateTime::Edit1Change()
{
    if (const auto day = data::parseDate(Edit1->text().toStdString()))
        MonthCalendar1->setSelectedDate(*day);
}

void TFrmGetDateTime::BTCMDOK1Click()
{
    DateConfirmed = true;
    answered_ = true;
    close();
}

void TFrmGetDateTime::BDCMDNOTClick()
{
    DateConfirmed = false;
    answered_ = true;
    close();
}

// Every way out of the dialog (the buttons, the close box, Escape) ends here.
void TFrmGetDateTime::done(int result)
{
    if (!answered_)
        DateConfirmed = false; // the close box and Escape count as a cancel
    FormClose();
    QDialog::done(result);
}

void TFrmGetDateTime::FormClose()
{
    deleteLater();
}

void PrepareDialog(const data::IClock &clock)
{
    FrmGetDateTime = new TFrmGetDateTime(clock);
}

bool ExecuteDialog(widgets::IDialogRunner &runner)
{
    if (!FrmGetDateTime)
        return false;
    runner.runModal(*FrmGetDateTime);
    return DateConfirmed;
}
