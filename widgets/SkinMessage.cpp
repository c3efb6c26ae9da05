#include "SkinMessage.h"

#include "terminal/Journal.h"

#include <QGuiApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>

namespace widgets {

using prompts::MsgButtons;
using prompts::MsgKind;
using prompts::MsgResult;

MsgResult TSkinMessage::messageDlg(const QString &text, MsgKind kind, MsgButtons buttons)
{
    const bool warning = kind == MsgKind::Warning;
    if (warning)
        qCWarning(terminal::journal).noquote() << "warning shown:" << text;
    QMessageBox box(warning ? QMessageBox::Warning : QMessageBox::Question,
                    warning ? QStringLiteral("Warning") : QStringLiteral("Confirm"), text, QMessageBox::NoButton,
                    parent_);
    QPushButton *yes = nullptr;
    if (buttons == MsgButtons::Ok) {
        QPushButton *ok = box.addButton(QStringLiteral("OK"), QMessageBox::AcceptRole);
        box.setDefaultButton(ok);
        box.setEscapeButton(ok);
    } else {
        yes = box.addButton(QStringLiteral("&Yes"), QMessageBox::YesRole);
        QPushButton *no = box.addButton(QStringLiteral("&No"), QMessageBox::NoRole);
        box.setDefaultButton(yes);
        box.setEscapeButton(no);
    }
    box.adjustSize();
    if (const QScreen *screen = QGuiApplication::primaryScreen())
        box.move(screen->availableGeometry().center() - box.rect().center());
    box.exec();
    if (buttons == MsgButtons::Ok)
        return MsgResult::Ok;
    return box.clickedButton() == yes ? MsgResult::Yes : MsgResult::No;
}

} // namespace widgets
