#include "SkinMessage.h"

#include "DesignScale.h"
#include "Fonts.h"

#include "terminal/Journal.h"

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

void growWithTheScreen(QMessageBox &box)
{
    const QScreen *screen = box.screen();
    const DesignScale scale = DesignScale::forScreen(screen, ScreenDesign);
    box.setFont(scale.font(screenFont()));
    for (QAbstractButton *key : box.buttons())
        key->setMinimumSize(scale.px(ButtonWidth), scale.target(ButtonHeight));
    box.adjustSize();
    if (screen)
        box.move(screen->availableGeometry().center() - box.rect().center());
}

MsgResult TSkinMessage::messageDlg(const QString &text, MsgKind kind, MsgButtons buttons)
{
    const bool warning = kind == MsgKind::Warning;
    if (warning)
        qCWarning(terminal::journal).noquote() << "warning shown:" << text;
    const SkinTexts texts = SkinTexts::forLocale(QLocale());
    QMessageBox box(warning ? QMessageBox::Warning : QMessageBox::Question, warning ? texts.warning : texts.confirm,
                    text, QMessageBox::NoButton, parent_);
    QPushButton *yes = nullptr;
    if (buttons == MsgButtons::Ok) {
        QPushButton *ok = box.addButton(texts.ok, QMessageBox::AcceptRole);
        box.setDefaultButton(ok);
        box.setEscapeButton(ok);
    } else {
        yes = box.addButton(texts.yes, QMessageBox::YesRole);
        QPushButton *no = box.addButton(texts.no, QMessageBox::NoRole);
        box.setDefaultButton(yes);
        box.setEscapeButton(no);
    }
    growWithTheScreen(box);
    box.exec();
    if (buttons == MsgButtons::Ok)
        return MsgResult::Ok;
    return box.clickedButton() == yes ? MsgResult::Yes : MsgResult::No;
}

} // namespace widgets
