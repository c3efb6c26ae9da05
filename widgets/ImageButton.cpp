#include "ImageButton.h"

#include <QBitmap>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

namespace widgets {

namespace {

constexpr QSize pictureSize(90, 45);

QPainterPath outline(const QRectF &area)
{
    QPainterPath path;
    const qreal radius = area.height() / 2.0;
    path.addRoundedRect(area, radius, radius);
    return path;
}

QPixmap picture(const QColor &top, const QColor &bottom, const QColor &rim)
{
    QPixmap pixmap(pictureSize);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF area(1, 1, pictureSize.width() - 2, pictureSize.height() - 2);
    QLinearGradient fill(area.topLeft(), area.bottomLeft());
    fill.setColorAt(0, top);
    fill.setColorAt(1, bottom);
    p.setPen(QPen(rim, 2));
    p.setBrush(fill);
    p.drawPath(outline(area));
    // a gloss across the upper half
    QLinearGradient gloss(area.topLeft(), QPointF(area.left(), area.center().y()));
    gloss.setColorAt(0, QColor(255, 255, 255, 150));
    gloss.setColorAt(1, QColor(255, 255, 255, 0));
    p.setPen(Qt::NoPen);
    p.setBrush(gloss);
    p.drawPath(outline(area.adjusted(5, 3, -5, -area.height() / 2)));
    return pixmap;
}

} // namespace

TImageButton::TImageButton(const QString &caption, QWidget *parent) : QAbstractButton(parent)
{
    setText(caption);
    setCursor(Qt::PointingHandCursor);
}

QPixmap TImageButton::normalPicture()
{
    return picture(QColor(150, 200, 255), QColor(30, 90, 190), QColor(20, 50, 120));
}

QPixmap TImageButton::pressedPicture()
{
    return picture(QColor(30, 80, 170), QColor(110, 170, 240), QColor(10, 30, 90));
}

QSize TImageButton::sizeHint() const
{
    return pictureSize;
}

void TImageButton::paintEvent(QPaintEvent *)
{
    static const QPixmap normal = normalPicture();
    static const QPixmap pressed = pressedPicture();
    QPainter p(this);
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    const bool down = isDown();
    p.drawPixmap(rect(), down ? pressed : normal);
    p.setPen(Qt::white);
    p.setFont(font());
    p.drawText(rect().translated(down ? 1 : 0, down ? 1 : 0), Qt::AlignCenter, text());
    if (hasFocus()) {
        p.setPen(QPen(QColor(255, 255, 255, 160), 1, Qt::DotLine));
        p.setBrush(Qt::NoBrush);
        p.setRenderHint(QPainter::Antialiasing);
        p.drawPath(outline(QRectF(rect()).adjusted(4, 4, -4, -4)));
    }
}

void TImageButton::resizeEvent(QResizeEvent *event)
{
    QAbstractButton::resizeEvent(event);
    QBitmap mask(size());
    mask.fill(Qt::color0);
    QPainter p(&mask);
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::color1);
    p.drawPath(outline(QRectF(rect())));
    p.end();
    setMask(mask);
}

} // namespace widgets
