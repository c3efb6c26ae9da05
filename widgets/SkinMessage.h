#pragma once
// The screens' modal message box in the screen's skin.

#include "prompts/MessageBox.h"

#include <QLocale>
#include <QString>

class QMessageBox;
class QWidget;

namespace widgets {

/// The box's titles and buttons: in Chinese in a Chinese locale, "Warning", "Confirm", "OK", "&Yes" and
/// "&No" in any other.
struct SkinTexts {
    QString warning, confirm, ok, yes, no;
    static SkinTexts forLocale(const QLocale &locale);
};

/// Sizes a message box's font and buttons as the screens are sized on the box's screen (buttons a finger
/// tall where there is room) and puts it in the middle of that screen. Call it once the buttons are added.
void growWithTheScreen(QMessageBox &box);

/// The skinned box: the warning title with the exclamation icon or the confirmation title with the question
/// icon; OK, or Yes (the default) and No (also the answer of Escape and the close box). Its texts follow the
/// default locale (SkinTexts); it grows with the screen as the screens do and opens in its middle.
class TSkinMessage : public prompts::IMessageBox {
public:
    /// `parent` (may be null) must outlive this object.
    explicit TSkinMessage(QWidget *parent = nullptr) : parent_(parent) {}
    using IMessageBox::messageDlg;
    prompts::MsgResult messageDlg(const QString &text, prompts::MsgKind kind, prompts::MsgButtons buttons) override;

private:
    QWidget *parent_;
};

} // namespace widgets
