#pragma once
// TImageButton: a picture button with a rounded, non-rectangular outline, one picture for the normal and
// one for the pressed state, and a centred caption.

#include <QAbstractButton>
#include <QPixmap>

namespace widgets {

class TImageButton : public QAbstractButton {
    Q_OBJECT
public:
    explicit TImageButton(const QString &caption = {}, QWidget *parent = nullptr);

    /// The pictures of the two states, 90 × 45 pixels, stretched to the button's size when painted.
    static QPixmap normalPicture();
    static QPixmap pressedPicture();

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
};

} // namespace widgets
