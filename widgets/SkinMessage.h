#pragma once
// The screens' modal message box in the screen's skin.

#include "prompts/MessageBox.h"

class QWidget;

namespace widgets {

/// The skinned box: "Warning" with the exclamation icon or "Confirm" with the question icon; "OK", or
/// "&Yes" (the default) and "&No" (also the answer of Escape and the close box).
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
