#include "NumPad.h"

#include "DesignScale.h"

#include <QGridLayout>
#include <QLineEdit>
#include <QPushButton>

#include <algorithm>

namespace widgets {

namespace {

// In the screen's design units, like every control of the screens: at least as large as the screen's
// other touch targets.
constexpr int KeyWidth = 56;
constexpr int KeyHeight = 40;
constexpr int Gap = 4;
constexpr int FontPixels = 16;

} // namespace

TNumPad::TNumPad(QWidget *parent) : QFrame(parent)
{
    setFrameStyle(QFrame::Panel | QFrame::Raised);
    setLineWidth(2);
    setAutoFillBackground(true);

    auto key = [this](const QString &caption, const char *name) {
        auto *b = new QPushButton(caption, this);
        b->setObjectName(QString::fromLatin1(name));
        b->setFocusPolicy(Qt::NoFocus);
        return b;
    };
    display = new QLineEdit(this);
    display->setObjectName(QStringLiteral("display"));
    display->setReadOnly(true);
    display->setFocusPolicy(Qt::NoFocus);
    display->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    static constexpr const char *digitNames[] = {"digitKey0", "digitKey1", "digitKey2", "digitKey3", "digitKey4",
                                                 "digitKey5", "digitKey6", "digitKey7", "digitKey8", "digitKey9"};
    for (int d = 0; d < 10; ++d) {
        digitKeys[d] = key(QString::number(d), digitNames[d]);
        connect(digitKeys[d], &QPushButton::clicked, this, [this, d] { typeDigit(d); });
    }
    backKey = key(QStringLiteral("←"), "backKey");
    clearKey = key(QStringLiteral("清除"), "clearKey");
    minusKey = key(QStringLiteral("-"), "minusKey");
    okKey = key(QStringLiteral("確定"), "okKey");
    cancelKey = key(QStringLiteral("取消"), "cancelKey");
    connect(backKey, &QPushButton::clicked, this, &TNumPad::backspace);
    connect(clearKey, &QPushButton::clicked, this, [this] { setText(QString()); });
    connect(minusKey, &QPushButton::clicked, this, &TNumPad::toggleMinus);
    connect(okKey, &QPushButton::clicked, this, [this] { emit accepted(text()); });
    connect(cancelKey, &QPushButton::clicked, this, &TNumPad::cancelled);

    // 7 8 9 ←  /  4 5 6 清除  /  1 2 3 -  /  0 確定 取消
    auto *keys = new QGridLayout(this);
    keys->addWidget(display, 0, 0, 1, 4);
    for (int d = 1; d <= 9; ++d)
        keys->addWidget(digitKeys[d], 3 - (d - 1) / 3, (d - 1) % 3);
    keys->addWidget(backKey, 1, 3);
    keys->addWidget(clearKey, 2, 3);
    keys->addWidget(minusKey, 3, 3);
    keys->addWidget(digitKeys[0], 4, 0);
    keys->addWidget(okKey, 4, 1);
    keys->addWidget(cancelKey, 4, 2, 1, 2);
    keys->setSizeConstraint(QLayout::SetFixedSize);
    setScale(DesignScale());
    hide();
}

void TNumPad::setScale(const DesignScale &scale)
{
    QFont keyFont = font();
    keyFont.setPixelSize(scale.px(FontPixels));
    setFont(keyFont);
    const QSize key(scale.px(KeyWidth), scale.target(KeyHeight));
    for (QPushButton *b : digitKeys)
        b->setFixedSize(key);
    for (QPushButton *b : {backKey, clearKey, minusKey, okKey})
        b->setFixedSize(key);
    const int gap = scale.px(Gap);
    cancelKey->setFixedSize(2 * key.width() + gap, key.height());
    display->setFixedHeight(key.height());
    const int margin = gap + lineWidth();
    layout()->setContentsMargins(margin, margin, margin, margin);
    layout()->setSpacing(gap);
    adjustSize();
}

void TNumPad::open(const QString &value, const QRect &cell)
{
    setText(value);
    fresh_ = true;
    adjustSize();
    const QSize area = parentWidget() ? parentWidget()->size() : size();
    const int gap = layout()->spacing();
    int left = cell.right() + 1 + gap;
    if (left + width() > area.width())
        left = std::max(0, cell.left() - gap - width());
    const int top = std::clamp(cell.top(), 0, std::max(0, area.height() - height()));
    move(left, top);
    QFrame::show();
    raise();
}

QString TNumPad::text() const
{
    return display->text();
}

void TNumPad::setText(const QString &text)
{
    display->setText(text);
    fresh_ = false;
}

void TNumPad::typeDigit(int digit)
{
    setText((fresh_ ? QString() : text()) + QString::number(digit));
}

void TNumPad::backspace()
{
    setText(text().chopped(text().isEmpty() ? 0 : 1));
}

void TNumPad::toggleMinus()
{
    const QString shown = fresh_ ? QString() : text();
    setText(shown.startsWith(QChar('-')) ? shown.mid(1) : QStringLiteral("-") + shown);
}

} // namespace widgets
