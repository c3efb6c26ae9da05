#pragma once
// TExtrudedLabel: a caption drawn in relief, its extrusion shading from a far colour to a near colour
// toward the lower right, the text itself on top in the window-text colour.

#include <QColor>
#include <QWidget>

namespace widgets {

class TExtrudedLabel : public QWidget {
    Q_OBJECT
public:
    explicit TExtrudedLabel(const QString &text = {}, QWidget *parent = nullptr);

    void setText(const QString &text);
    const QString &text() const { return text_; }
    void setFarColor(const QColor &colour);
    void setNearColor(const QColor &colour);
    /// Depth of the extrusion in pixels.
    void setDepth(int pixels);
    void setFontFamily(const QString &family);
    void setFontPixelSize(int pixels);

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QString text_;
    QColor far_{255, 255, 128};
    QColor near_{255, 128, 128};
    int depth_ = 4;
};

} // namespace widgets
