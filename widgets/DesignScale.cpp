#include "DesignScale.h"

#include <QAbstractSpinBox>
#include <QCalendarWidget>
#include <QLabel>
#include <QToolButton>
#include <QScreen>
#include <QWidget>

#include <algorithm>
#include <cmath>

namespace widgets {

namespace {

/// What a window frame (title bar and borders) takes from a screen's free area.
constexpr QSize FrameAllowance(16, 40);

} // namespace

DesignScale::DesignScale(double factor) : factor_(std::max(1.0, factor)) {}

DesignScale DesignScale::fitting(const QSize &area, const QSize &design)
{
    if (design.isEmpty())
        return DesignScale();
    return DesignScale(std::min(double(area.width()) / design.width(), double(area.height()) / design.height()));
}

DesignScale DesignScale::forScreen(const QScreen *screen, const QSize &design)
{
    if (!screen)
        return DesignScale();
    return fitting(screen->availableGeometry().size() - FrameAllowance, design);
}

int DesignScale::px(int units) const
{
    return int(std::lround(units * factor_));
}

QSize DesignScale::px(const QSize &units) const
{
    return {px(units.width()), px(units.height())};
}

QPoint DesignScale::px(const QPoint &units) const
{
    return {px(units.x()), px(units.y())};
}

QRect DesignScale::px(const QRect &units) const
{
    // Edges are scaled, not sizes, so that controls designed side by side stay side by side.
    const int left = px(units.left());
    const int top = px(units.top());
    return {left, top, px(units.left() + units.width()) - left, px(units.top() + units.height()) - top};
}

int DesignScale::target(int units) const
{
    return std::max(px(units), std::min(FingerPixels, px(FingerUnits)));
}

QFont DesignScale::font(const QFont &design) const
{
    QFont scaled = design;
    if (design.pixelSize() > 0)
        scaled.setPixelSize(px(design.pixelSize()));
    else
        scaled.setPointSizeF(design.pointSizeF() * factor_);
    return scaled;
}

void DesignLayout::place(QWidget *widget, const QRect &design)
{
    rule([widget, design](const DesignScale &s) { widget->setGeometry(s.px(design)); });
}

void DesignLayout::placeLabel(QLabel *label, const QPoint &design, int heightUnits)
{
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    rule([label, design, heightUnits](const DesignScale &s) {
        const int height = std::max(s.px(heightUnits), label->sizeHint().height());
        label->setGeometry(s.px(design.x()), s.px(design.y()), label->sizeHint().width(), height);
    });
}

void DesignLayout::font(QWidget *widget, const QFont &design)
{
    rule([widget, design](const DesignScale &s) { widget->setFont(s.font(design)); });
}

void DesignLayout::calendarFont(QCalendarWidget *calendar, const QFont &design)
{
    rule([calendar, design](const DesignScale &s) {
        const QFont font = s.font(design);
        calendar->setFont(font);
        QFont bold = font;
        bold.setBold(true);
        for (QToolButton *b : calendar->findChildren<QToolButton *>()) {
            b->setFont(bold);
            b->setIconSize(s.px(QSize(16, 16)));
        }
        for (QAbstractSpinBox *year : calendar->findChildren<QAbstractSpinBox *>())
            year->setFont(bold);
    });
}

void DesignLayout::fixedHeight(QWidget *widget, int units)
{
    rule([widget, units](const DesignScale &s) { widget->setFixedHeight(s.px(units)); });
}

void DesignLayout::fixedWidth(QWidget *widget, int units)
{
    rule([widget, units](const DesignScale &s) { widget->setFixedWidth(s.px(units)); });
}

void DesignLayout::rule(std::function<void(const DesignScale &)> apply)
{
    apply(scale_);
    rules_.push_back(std::move(apply));
}

void DesignLayout::apply(const DesignScale &scale)
{
    scale_ = scale;
    for (const auto &apply : rules_)
        apply(scale_);
}

} // namespace widgets
