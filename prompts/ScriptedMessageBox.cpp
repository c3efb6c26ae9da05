#include "ScriptedMessageBox.h"

#include <QStringList>

namespace prompts {

MsgResult ScriptedMessageBox::messageDlg(const QString &text, MsgKind kind, MsgButtons buttons)
{
    shown_.push_back({text, kind, buttons});
    if (answers_.empty())
        return buttons == MsgButtons::Ok ? MsgResult::Ok : MsgResult::Yes;
    const MsgResult answer = answers_.front();
    answers_.pop_front();
    return answer;
}

QStringList ScriptedMessageBox::texts() const
{
    QStringList list;
    for (const Shown &s : shown_)
        list.append(s.text);
    return list;
}

} // namespace prompts
