// The program entry: the transfer screen as the main window, on the shop database named by the connection
// definition beside the program.

#include "datedlg/GetDateTime.h"
#include "transfer/FrmQuorvan.h"
#include "widgets/ErrorBox.h"
#include "widgets/SkinMessage.h"

#include <QApplication>

#include <memory>

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("touchmove"));
    QFont font = QApplication::font();
    font.setFamilies({font.family(), QStringLiteral("AR PL UMing TW")});
    QApplication::setFont(font);

    const data::SystemClock clock;
    widgets::TErrorBox errors;
    widgets::TSkinMessage messages;
    widgets::ModalDialogRunner dialogs;
    const transfer::ScreenServices services{QApplication::applicationDirPath().toStdString() + "/", clock, messages,
                                            errors, dialogs};

    std::unique_ptr<transfer::TFormTouchMove> screen;
    try {
        screen = std::make_unique<transfer::TFormTouchMove>(services);
    } catch (const std::exception &error) {
        errors.showError(prompts::errorText(error));
        return 1;
    }
    PrepareDialog(clock); // the first date dialog; each use makes a fresh one
    screen->show();
    return app.exec();
}
