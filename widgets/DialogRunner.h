#pragma once
// Runs the screens' modal dialogs. The program shows them modally; tests operate them instead.

class QDialog;
class QWidget;

namespace widgets {

class IDialogRunner {
public:
    virtual ~IDialogRunner() = default;
    /// Shows `dialog` modally and returns when it has closed, with its result code. The dialog may free
    /// itself on close; it stays readable until control is back in the event loop.
    virtual int runModal(QDialog &dialog) = 0;
};

/// Runs each dialog centred on its screen.
class ModalDialogRunner : public IDialogRunner {
public:
    int runModal(QDialog &dialog) override;
};

/// Moves a window to the middle of its screen's free area, its top left corner inside that area.
void centreOnScreen(QWidget &window);

} // namespace widgets
