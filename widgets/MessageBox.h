#pragma once
// The screens' modal message box, behind a small interface so that tests can answer it.

#include <QString>

#include <string>

class QWidget;

namespace widgets {

enum class MsgKind { Warning, Confirmation };
enum class MsgButtons { Ok, YesNo };
enum class MsgResult { Ok, Yes, No };

class IMessageBox {
public:
    virtual ~IMessageBox() = default;
    /// Shows `text` modally and returns the button pressed.
    virtual MsgResult messageDlg(const QString &text, MsgKind kind, MsgButtons buttons) = 0;
    /// The same for a UTF-8 text.
    MsgResult messageDlg(const std::string &text, MsgKind kind, MsgButtons buttons)
    {
        return messageDlg(QString::fromStdString(text), kind, buttons);
    }
    MsgResult messageDlg(const char *text, MsgKind kind, MsgButtons buttons)
    {
        return messageDlg(QString::fromUtf8(text), kind, buttons);
    }
};

/// The skinned box: "Warning" with the exclamation icon or "Confirm" with the question icon; "OK", or
/// "&Yes" (the default) and "&No" (also the answer of Escape and the close box).
class TSkinMessage : public IMessageBox {
public:
    /// `parent` (may be null) must outlive this object.
    explicit TSkinMessage(QWidget *parent = nullptr) : parent_(parent) {}
    using IMessageBox::messageDlg;
    MsgResult messageDlg(const QString &text, MsgKind kind, MsgButtons buttons) override;

private:
    QWidget *parent_;
};

} // namespace widgets
