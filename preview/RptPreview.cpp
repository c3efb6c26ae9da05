// The entries of the report-preview module. The transfer screen loads the module, calls ShowForm without
// arguments and unloads it again; everything the preview needs is in the hand-off files of the program folder.
// Nothing may leave these C entries as an exception.

#include "BillLayout.h"
#include "HandOff.h"
#include "PreviewError.h"
#include "PreviewWindow.h"
#include "ReportTemplate.h"

#include "terminal/TerminalFolder.h"

#include <QApplication>
#include <QFile>
#include <QMessageBox>

#include <cstdio>
#include <memory>

namespace {

/// A host without a Qt application (a script, a test driver) gets one for the length of the call.
class ApplicationScope {
public:
    ApplicationScope()
    {
        if (QCoreApplication::instance())
            return;
        static int argc = 1;
        static char name[] = "RptPreview";
        static char *argv[] = {name, nullptr};
        own_ = std::make_unique<QApplication>(argc, argv);
    }

private:
    std::unique_ptr<QApplication> own_;
};

QString programDir() { return QFile::decodeName(terminal::terminalFolder().c_str()); }

void showError(const QString &message)
{
    if (qobject_cast<QApplication *>(QCoreApplication::instance())) {
        QMessageBox box(QMessageBox::Critical, preview::PreviewWindow::caption(), message, QMessageBox::Ok);
        box.exec();
    } else {
        std::fprintf(stderr, "RptPreview: %s\n", message.toLocal8Bit().constData());
    }
}

int writePdf(const QString &pdfPath)
{
    try {
        preview::renderToPdf(programDir(), pdfPath);
        return 0;
    } catch (const std::exception &e) {
        std::fprintf(stderr, "RptPreview: %s\n", e.what());
    } catch (...) {
        std::fprintf(stderr, "RptPreview: unknown error\n");
    }
    return 1;
}

void showPreview()
{
    if (!qobject_cast<QApplication *>(QCoreApplication::instance()))
        throw preview::PreviewError(QStringLiteral("預覽視窗需要圖形介面的應用程式。"));

    const preview::HandOff bill = preview::readHandOff(programDir());
    const preview::ReportTemplate report = preview::ReportTemplate::fromFile(bill.templatePath);
    preview::PreviewWindow window(report, bill, QApplication::activeWindow());
    window.exec();
}

} // namespace

/// Shows the bill of the hand-off files in a modal print preview and returns when it is closed. With
/// RPTPREVIEW_PDF set to a path, writes the bill into that PDF file instead, without any window.
extern "C" Q_DECL_EXPORT void ShowForm()
{
    try {
        ApplicationScope app;
        if (const QString pdf = qEnvironmentVariable("RPTPREVIEW_PDF"); !pdf.isEmpty()) {
            writePdf(pdf);
            return;
        }
        showPreview();
    } catch (const std::exception &e) {
        showError(QString::fromUtf8(e.what()));
    } catch (...) {
        showError(QStringLiteral("預覽列印發生未預期的錯誤。"));
    }
}

/// Writes the bill of the hand-off files into a PDF file without any window. Returns 0 on success; errors
/// go to the standard error stream.
extern "C" Q_DECL_EXPORT int RenderToPdf(const char *pdfPath)
{
    if (!pdfPath || !*pdfPath)
        return 1;
    try {
        ApplicationScope app;
        return writePdf(QString::fromLocal8Bit(pdfPath));
    } catch (...) {
        return 1;
    }
}
