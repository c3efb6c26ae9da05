#include "ScreenFixture.h"

#include <QTimer>

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
            transfer::ScreenServices{db.programDir(), clock, messages, errors, dialogs});
    return *screen_;
}

void ScreenFixture::closeScreen()
{
    if (!screen_)
        return;
    screen_->close();
    screen_.reset();
}
