#include "ExtrudedLabel.h"

#include <QPainter>

namespace widgets {

TExtrudedLabel::TExtrudedLabel(const QString &text, QWidget *parent) : QWidget(parent), text_(text) {}

void TExtrudedLabel::setText(const QString &text)
{
    text_ = text;
    updateGeometry();
    update();
}

void TExtrudedLabel::setFarColor(const QColor &colour)
{
    far_ = colour;
    update();
}

void TExtrudedLabel::setNearColor(const QColor &colour)
{
    near_ = colour;
    update();
}

void TExtrudedLabel::setDepth(int pixels)
{
    depth_ = std::max(0, pixels);
    updateGeometry();
    update();
}

void TExtrudedLabel::setFontFamily(const QString &family)
{
    QFont f = font();
    f.setFamily(family);
    setFont(f);
    updateGeometry();
}

void TExtrudedLabel::setFontPixelSize(int pixels)
{
    QFont f = font();
    f.setPixelSize(pixels);
    setFont(f);
    updateGeometry();
}

QSize TExtrudedLabel::sizeHint() const
{
    const QSize text = fontMetrics().size(Qt::TextSingleLine, text_);
    return text + QSize(depth_, depth_);
}

void TExtrudedLabel::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.setFont(font());
    const QRect area = rect().adjusted(0, 0, -depth_, -depth_);
    const int flags = Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine;
    for (int step = depth_; step >= 1; --step) {
        // step == depth_ is the layer farthest from the viewer
        const double t = depth_ == 1 ? 1.0 : double(depth_ - step) / (depth_ - 1);
        const QColor layer = QColor::fromRgbF(far_.redF() + (near_.redF() - far_.redF()) * t,
                                              far_.greenF() + (near_.greenF() - far_.greenF()) * t,
                                              far_.blueF() + (near_.blueF() - far_.blueF()) * t);
        p.setPen(layer);
        p.drawText(area.translated(step, step), flags, text_);
    }
    p.setPen(palette().color(QPalette::WindowText));
    p.drawText(area, flags, text_);
}

} // namespace widgets
