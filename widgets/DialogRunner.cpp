#include "DialogRunner.h"

#include <QDialog>

namespace widgets {

int ModalDialogRunner::runModal(QDialog &dialog)
{
    return dialog.exec();
}

} // namespace widgets
