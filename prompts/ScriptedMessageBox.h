#pragma once
// A message box for tests: it records every text it is asked to show and answers from a queue.

#include "MessageBox.h"

#include <deque>
#include <vector>

namespace prompts {

class ScriptedMessageBox : public IMessageBox {
public:
    struct Shown {
        QString text;
        MsgKind kind;
        MsgButtons buttons;
    };

    /// The answer to the next box; with the queue empty a box gets its default button (OK, or Yes).
    void queue(MsgResult answer) { answers_.push_back(answer); }

    using IMessageBox::messageDlg;
    MsgResult messageDlg(const QString &text, MsgKind kind, MsgButtons buttons) override;

    const std::vector<Shown> &shown() const { return shown_; }
    /// Forgets the boxes shown so far; the queued answers stay.
    void clear() { shown_.clear(); }
    QStringList texts() const;
    int pendingAnswers() const { return int(answers_.size()); }

private:
    std::vector<Shown> shown_;
    std::deque<MsgResult> answers_;
};

} // namespace prompts
