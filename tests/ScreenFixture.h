#pragma once
// The transfer screen on a fresh embedded shop database, with the collaborators that tests control: a clock
// set to a fixed moment, a message box that records and answers from a queue, an error box that records,
// and a dialog runner that operates each modal dialog with the next queued script. With modal boxes on, every
// message and error box also runs a real modal loop, as the program's boxes do, before it is answered.

#include "TestDatabase.h"

#include "prompts/ScriptedMessageBox.h"
#include "transfer/FrmQuorvan.h"

#include <QDialog>
#include <QStringList>

#include <deque>
#include <functional>
#include <memory>
#include <ostream>

QT_BEGIN_NAMESPACE
/// Screen texts print as text when a check fails.
inline void PrintTo(const QString &text, std::ostream *out)
{
    *out << '"' << text.toStdString() << '"';
}
QT_END_NAMESPACE

class FixedClock : public data::IClock {
public:
    QDateTime now() const override
    {
        if (onRead)
            onRead();
        return moment;
    }
    QDateTime moment{QDate(2004, 3, 1), QTime(9, 30)};
    /// Called at every reading: a test acts at a given point of an operation.
    std::function<void()> onRead;
};

class RecordingErrors : public prompts::IErrorReporter {
public:
    void showError(const QString &message) override { shown.append(message); }
    QStringList shown;
};

/// Each modal dialog gets the next script once its modal loop runs; a dialog still open after its script
/// (or without one) is closed by its close box.
class ScriptedDialogRunner : public widgets::IDialogRunner {
public:
    std::deque<std::function<void(QDialog &)>> scripts;
    int runModal(QDialog &dialog) override;
    int ran = 0;
};

/// Runs a modal box that takes the focus and is answered as soon as it is active, then hands the box on.
class ModalBoxes : public prompts::IMessageBox, public prompts::IErrorReporter {
public:
    ModalBoxes(prompts::IMessageBox &messages, prompts::IErrorReporter &errors) : messages_(messages), errors_(errors) {}
    using IMessageBox::messageDlg;
    prompts::MsgResult messageDlg(const QString &text, prompts::MsgKind kind, prompts::MsgButtons buttons) override;
    void showError(const QString &message) override;

private:
    prompts::IMessageBox &messages_;
    prompts::IErrorReporter &errors_;
};

/// Calls a hook with each text before the box it wraps shows it.
class WatchedMessages : public prompts::IMessageBox {
public:
    using Hook = std::function<void(const QString &text)>;
    WatchedMessages(prompts::IMessageBox &messages, const Hook &hook) : messages_(messages), hook_(hook) {}
    using IMessageBox::messageDlg;
    prompts::MsgResult messageDlg(const QString &text, prompts::MsgKind kind, prompts::MsgButtons buttons) override
    {
        if (hook_)
            hook_(text);
        return messages_.messageDlg(text, kind, buttons);
    }

private:
    prompts::IMessageBox &messages_;
    const Hook &hook_;
};

class ScreenFixture {
public:
    ScreenFixture() = default;
    /// Builds the screen on the fixture's database (raises what the constructor raises).
    transfer::TFormTouchMove &screen();
    /// Closes the screen as its frame's close button does and destroys it.
    void closeScreen();

    TestDatabase db;
    FixedClock clock;
    prompts::ScriptedMessageBox messages;
    RecordingErrors errors;
    ScriptedDialogRunner dialogs;
    /// Set before the screen is built.
    bool modalBoxes = false;
    /// Called with the text of each message box as it opens, while the screen waits for the answer.
    WatchedMessages::Hook onMessage;

private:
    ModalBoxes modal_{messages, errors};
    WatchedMessages watched_{messages, onMessage};
    WatchedMessages watchedModal_{modal_, onMessage};
    std::unique_ptr<transfer::TFormTouchMove> screen_;
};
