#pragma once
// The message box through which the program warns the operator and asks yes or no. The screens show the
// skinned box of the widgets; tests answer from a script.

#include <QString>

#include <string>

namespace prompts {

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

} // namespace prompts
