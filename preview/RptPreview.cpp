// The entries of the report-preview module. The transfer screen loads the module, calls ShowForm without
// arguments and unloads it again; everything the preview needs is in the hand-off files of the program folder.
// Nothing may leave these C entries as an exception.

#include "BillPainter.h"
#include "HandOff.h"
#include "PreviewError.h"
#include "ReportTemplate.h"

#include "terminal/TerminalFolder.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QMessageBox>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QStandardPaths>
#include <QToolBar>

#include <cstdio>
#include <memory>

namespace {

const QString Caption = QStringLiteral("預覽列印");

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
        QMessageBox box(QMessageBox::Critical, Caption, message, QMessageBox::Ok);
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

void savePdf(QWidget *parent, const preview::BillPainter &painter, const QPageLayout &layout, const QString &billNo)
{
    const QString suggested =
        QDir(QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation))
            .filePath((billNo.isEmpty() ? QStringLiteral("調撥單") : billNo) + QStringLiteral(".pdf"));
    QString path = QFileDialog::getSaveFileName(parent, QStringLiteral("另存 PDF"), suggested,
                                                QStringLiteral("PDF 檔 (*.pdf)"));
    if (path.isEmpty())
        return;
    if (!path.endsWith(QStringLiteral(".pdf"), Qt::CaseInsensitive))
        path += QStringLiteral(".pdf");

    QPrinter pdf(QPrinter::HighResolution);
    pdf.setOutputFormat(QPrinter::PdfFormat);
    pdf.setOutputFileName(path);
    pdf.setPageLayout(layout);
    try {
        painter.paint(pdf);
    } catch (const preview::PreviewError &e) {
        showError(QStringLiteral("無法寫入 PDF 檔 %1：%2").arg(QDir::toNativeSeparators(path), e.message()));
    }
}

void showPreview()
{
    if (!qobject_cast<QApplication *>(QCoreApplication::instance()))
        throw preview::PreviewError(QStringLiteral("預覽視窗需要圖形介面的應用程式。"));

    const preview::HandOff bill = preview::readHandOff(programDir());
    const preview::ReportTemplate report = preview::ReportTemplate::fromFile(bill.templatePath);
    const preview::BillPainter painter(report, bill);
    const QString billNo = bill.header.value(QStringLiteral("MASTERBILLID"));

    QPrinter printer(QPrinter::HighResolution);
    printer.setPageLayout(preview::billPageLayout());
    printer.setDocName(billNo);

    QPrintPreviewDialog dialog(&printer, QApplication::activeWindow());
    dialog.setWindowTitle(Caption + (billNo.isEmpty() ? QString() : QStringLiteral(" - ") + billNo));
    dialog.resize(900, 1000);
    QObject::connect(&dialog, &QPrintPreviewDialog::paintRequested, &dialog, [&](QPrinter *target) {
        try {
            painter.paint(*target);
        } catch (const std::exception &e) {
            showError(QString::fromUtf8(e.what()));
        }
    });
    if (QToolBar *toolBar = dialog.findChild<QToolBar *>()) {
        toolBar->addSeparator();
        QAction *save = toolBar->addAction(QStringLiteral("另存 PDF"));
        save->setToolTip(QStringLiteral("把這張單據存成 PDF 檔"));
        QObject::connect(save, &QAction::triggered, &dialog,
                         [&] { savePdf(&dialog, painter, printer.pageLayout(), billNo); });
    }
    dialog.exec();
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
