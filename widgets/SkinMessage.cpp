#include "SkinMessage.h"

#include "DesignScale.h"
#include "Fonts.h"

#include "terminal/Journal.h"

#include <QGuiApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>

namespace widgets {

using prompts::MsgButtons;
using prompts::MsgKind;
using prompts::MsgResult;

namespace {

/// The box grows with the screens: their design size, fitted to the screen.
constexpr QSize ScreenDesign(792, 566);
constexpr int ButtonWidth = 75;
constexpr int ButtonHeight = 25;

} // namespace

SkinTexts SkinTexts::forLocale(const QLocale &locale)
{
    if (locale.language() == QLocale::Chinese)
        return {QStringLiteral("警告"), QStringLiteral("確認"), QStringLiteral("確定"), QStringLiteral("是(&Y)"),
                QStringLiteral("否(&N)")};
    return {QStringLiteral("Warning"), QStringLiteral("Confirm"), QStringLiteral("OK"), QStringLiteral("&Yes"),
            QStringLiteral("&No")};
}

MsgResult TSkinMessage::messageDlg(const QString &text, MsgKind kind, MsgButtons buttons)
{
    const bool warning = kind == MsgKind::Warning;
    if (warning)
        qCWarning(terminal::journal).noquote() << "warning shown:" << text;
    const SkinTexts texts = SkinTexts::forLocale(QLocale());
    QMessageBox box(warning ? QMessageBox::Warning : QMessageBox::Question, warning ? texts.warning : texts.confirm,
                    text, QMessageBox::NoButton, parent_);
    const QScreen *screen = QGuiApplication::primaryScreen();
    const DesignScale scale = DesignScale::forScreen(screen, ScreenDesign);
    box.setFont(scale.font(screenFont()));
    QPushButton *yes = nullptr;
    QList<QPushButton *> keys;
    if (buttons == MsgButtons::Ok) {
        QPushButton *ok = box.addButton(texts.ok, QMessageBox::AcceptRole);
        box.setDefaultButton(ok);
        box.setEscapeButton(ok);
        keys = {ok};
    } else {
        yes = box.addButton(texts.yes, QMessageBox::YesRole);
        QPushButton *no = box.addButton(texts.no, QMessageBox::NoRole);
        box.setDefaultButton(yes);
        box.setEscapeButton(no);
        keys = {yes, no};
    }
    for (QPushButton *key : keys)
        key->setMinimumSize(scale.px(ButtonWidth), scale.target(ButtonHeight));
    box.adjustSize();
    if (screen)
        box.move(screen->availableGeometry().center() - box.rect().center());
    box.exec();
    if (buttons == MsgButtons::Ok)
        return MsgResult::Ok;
    return box.clickedButton() == yes ? MsgResult::Yes : MsgResult::No;
}

} // namespace widgets
