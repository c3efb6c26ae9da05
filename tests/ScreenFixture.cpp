#include "ScreenFixture.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTimer>

namespace {

void runModalMoment()
{
    QWidget *const window = QApplication::activeWindow();
    QDialog box(window);
    QElapsedTimer shown;
    shown.start();
    QTimer answer;
    QObject::connect(&answer, &QTimer::timeout, &box, [&box, &shown] {
        if (box.isActiveWindow() || shown.elapsed() > 2000)
            box.accept();
    });
    answer.start(5);
    box.exec();
    if (window) { // as the window manager gives the window back its focus
        window->activateWindow();
        QCoreApplication::processEvents();
    }
}

} // namespace

prompts::MsgResult ModalBoxes::messageDlg(const QString &text, prompts::MsgKind kind, prompts::MsgButtons buttons)
{
    runModalMoment();
    return messages_.messageDlg(text, kind, buttons);
}

void ModalBoxes::showError(const QString &message)
{
    runModalMoment();
    errors_.showError(message);
}

int ScriptedDialogRunner::runModal(QDialog &dialog)
{
    ++ran;
    std::function<void(QDialog &)> script;
    if (!scripts.empty()) {
        script = std::move(scripts.front());
        scripts.pop_front();
    }
    QTimer::singleShot(0, &dialog, [&dialog, script] {
        if (script)
            script(dialog);
        if (dialog.isVisible())
            dialog.close();
    });
    return dialog.exec();
}

transfer::TFormTouchMove &ScreenFixture::screen()
{
    if (!screen_)
        screen_ = std::make_unique<transfer::TFormTouchMove>(
            modalBoxes ? transfer::ScreenServices{db.programDir(), clock, watchedModal_, modal_, dialogs}
                       : transfer::ScreenServices{db.programDir(), clock, watched_, errors, dialogs});
    return *screen_;
}

void ScreenFixture::closeScreen()
{
    if (!screen_)
        return;
    screen_->close();
    screen_.reset();
}
