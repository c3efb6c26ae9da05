#pragma once
// TNumPad: the on-screen keypad that a touch on a number cell opens: a display, the ten digits, backspace,
// clear, minus, OK and Cancel. It floats over its parent beside the cell it was opened for. Its keys take
// no focus, so the control that had the keyboard keeps it. It closes only when its owner hides it.

#include <QFrame>

#include <array>

class QLineEdit;
class QPushButton;

namespace widgets {

class DesignScale;

class TNumPad : public QFrame {
    Q_OBJECT
public:
    explicit TNumPad(QWidget *parent);

    /// Shows `value` and places the keypad beside `cell` (in the parent's coordinates), right of it where it
    /// fits inside the parent, else left of it. The first digit typed replaces the value shown.
    void open(const QString &value, const QRect &cell);
    /// Sizes the keys and their font for the screen's scale.
    void setScale(const DesignScale &scale);
    /// What the display shows: digits with an optional leading minus, or nothing.
    QString text() const;

    QLineEdit *display;
    std::array<QPushButton *, 10> digitKeys;
    QPushButton *backKey;
    QPushButton *clearKey;
    QPushButton *minusKey;
    QPushButton *okKey;
    QPushButton *cancelKey;

signals:
    /// OK was pressed on the text shown.
    void accepted(const QString &text);
    /// Cancel was pressed.
    void cancelled();

private:
    void typeDigit(int digit);
    void backspace();
    void toggleMinus();
    void setText(const QString &text);

    bool fresh_ = false;
};

} // namespace widgets
