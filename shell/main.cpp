// The program entry: the transfer screen as the main window, on the shop database named by the connection
// definition of the terminal folder. The options of the command line (shell/CommandLine.h) each do one thing
// without a window.

#include "CommandLine.h"
#include "StopSignals.h"

#include "datedlg/GetDateTime.h"
#include "terminal/Journal.h"
#include "terminal/JournalFile.h"
#include "terminal/TerminalFolder.h"
#include "transfer/FrmQuorvan.h"
#include "widgets/ErrorBox.h"
#include "widgets/SkinMessage.h"

#include <QApplication>
#include <QFile>
#include <QLibraryInfo>
#include <QLocale>
#include <QPointer>
#include <QTimer>
#include <QTranslator>

#include <cstdio>
#include <cstring>
#include <memory>

namespace {

/// Closes the open dialogs and then the main window (when there is one yet), as the operator would: the
/// close handler writes the settings and the picked-product file, and the program ends.
void closeEverything(QWidget *mainWindow)
{
    for (int tries = 0; tries < 16 && QApplication::activeModalWidget(); ++tries)
        QApplication::activeModalWidget()->close();
    if (mainWindow)
        mainWindow->close();
    // A dialog that would not close keeps the event loop running: it ends all the same.
    QTimer::singleShot(3000, qApp, &QCoreApplication::quit);
}

} // namespace

int main(int argc, char **argv)
{
    if (const std::optional<int> status = shell::runOptions(argc, argv))
        return *status;
    if (!shell::canShowWindows(argc, argv)) {
        std::fprintf(stderr, "touchmove: there is no display to show the transfer screen on: start it in a desktop "
                             "session (neither DISPLAY nor WAYLAND_DISPLAY is set)\n");
        return 1;
    }

    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("touchmove"));
    QApplication::setApplicationVersion(QStringLiteral(TOUCHMOVE_VERSION));
    QFont font = QApplication::font();
    font.setFamilies({font.family(), QStringLiteral("AR PL UMing TW")});
    QApplication::setFont(font);
    // On a Chinese terminal the calendars, the message boxes and Qt's own dialogs (file, print, page) speak
    // Traditional Chinese.
    QTranslator qtTexts;
    if (QLocale::system().language() == QLocale::Chinese) {
        QLocale::setDefault(QLocale(QLocale::Chinese, QLocale::TraditionalChineseScript, QLocale::Taiwan));
        if (qtTexts.load(QLocale(), QStringLiteral("qtbase"), QStringLiteral("_"),
                         QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
            QCoreApplication::installTranslator(&qtTexts);
        else
            qCWarning(terminal::journal) << "Qt's Chinese texts are missing (package qt6-translations-l10n)";
    }

    const data::SystemClock clock;
    widgets::TErrorBox errors;
    widgets::TSkinMessage messages;
    widgets::ModalDialogRunner dialogs;
    shell::StopSignals stopSignals;
    QPointer<QWidget> mainWindow;
    QObject::connect(&stopSignals, &shell::StopSignals::received, &app, [&mainWindow](int signal) {
        qCInfo(terminal::journal).noquote() << "stopping on" << QStringLiteral("SIG") + sigabbrev_np(signal);
        closeEverything(mainWindow);
    });
    std::string folder;
    try {
        terminal::prepareTerminalFolder();
        folder = terminal::terminalFolder();
    } catch (const std::exception &error) {
        errors.showError(prompts::errorText(error));
        return 1;
    }
    terminal::startJournal(folder);
    qCInfo(terminal::journal).noquote() << "touchmove" << QApplication::applicationVersion() << "starts in"
                                        << QFile::decodeName(folder.c_str());

    const transfer::ScreenServices services{folder, clock, messages, errors, dialogs};
    std::unique_ptr<transfer::TFormTouchMove> screen;
    try {
        screen = std::make_unique<transfer::TFormTouchMove>(services);
    } catch (const std::exception &error) {
        errors.showError(prompts::errorText(error));
        return 1;
    }
    mainWindow = screen.get();
    // The first connection is open: an embedded engine has put in its own handlers by now.
    stopSignals.install();
    PrepareDialog(clock); // the first date dialog; each use makes a fresh one
    screen->showOnTerminal();
    qCInfo(terminal::journal) << "the transfer screen is open";
    const int status = app.exec();
    qCInfo(terminal::journal) << "stopped";
    return status;
}
