#pragma once
// Runs the screens' modal dialogs. The program shows them modally; tests operate them instead.

class QDialog;

namespace widgets {

class IDialogRunner {
public:
    virtual ~IDialogRunner() = default;
    /// Shows `dialog` modally and returns when it has closed, with its result code. The dialog may free
    /// itself on close; it stays readable until control is back in the event loop.
    virtual int runModal(QDialog &dialog) = 0;
};

class ModalDialogRunner : public IDialogRunner {
public:
    int runModal(QDialog &dialog) override;
};

} // namespace widgets
