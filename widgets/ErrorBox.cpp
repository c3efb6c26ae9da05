#include "ErrorBox.h"

#include "SkinMessage.h"

#include "data/DbError.h"
#include "terminal/Journal.h"

#include <QApplication>
#include <QDebug>
#include <QMessageBox>

namespace widgets {

void TErrorBox::showError(const QString &message)
{
    qCWarning(terminal::journal).noquote() << "error shown:" << message;
    QMessageBox box(QMessageBox::Critical, QApplication::applicationName(), message, QMessageBox::Ok, parent_);
    growWithTheScreen(box);
    box.exec();
}

bool isSilentAbort(const std::exception &error)
{
    return dynamic_cast<const data::EAbort *>(&error) != nullptr;
}

void reportToHook(const ErrorHook &hook, const std::exception &error, const char *widget)
{
    if (isSilentAbort(error))
        return;
    if (hook)
        hook(error);
    else
        qWarning() << widget << error.what();
}

} // namespace widgets
