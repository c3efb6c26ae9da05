#include "DialogRunner.h"

#include <QDialog>
#include <QScreen>

namespace widgets {

int ModalDialogRunner::runModal(QDialog &dialog)
{
    centreOnScreen(dialog);
    return dialog.exec();
}

void centreOnScreen(QWidget &window)
{
    const QScreen *screen = window.screen();
    if (!screen)
        return;
    const QRect area = screen->availableGeometry();
    QRect place(QPoint(), window.frameGeometry().size().boundedTo(area.size()));
    place.moveCenter(area.center());
    window.move(place.topLeft());
}

} // namespace widgets
