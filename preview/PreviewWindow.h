#pragma once
// The print preview: the bill's pages one below the other, with buttons to print, to save a PDF file, to zoom,
// to turn the pages and to close. The window opens at once and lays the bill out from its event loop a few pages
// at a time, with a progress bar, so it answers touches while a long bill is prepared; the pages show as soon
// as the last one is laid out, since every page names the page count. Printing and saving paint the same
// laid-out pages.

#include "BillLayout.h"

#include <QDialog>
#include <QPrinter>
#include <QTimer>

#include <memory>

class QLabel;
class QProgressBar;
class QScrollArea;
class QWidget;

namespace preview {

class PageView;

class PreviewWindow : public QDialog {
    Q_OBJECT

public:
    /// Title of the preview's windows and messages.
    static QString caption();

    /// Centred on the screen of `parent` (or the primary screen) and no larger than it. Keeps references to
    /// `report` and `bill`, which must outlive the window.
    PreviewWindow(const ReportTemplate &report, const HandOff &bill, QWidget *parent = nullptr);
    ~PreviewWindow() override;

    const BillLayout &billLayout() const { return *layout_; }

signals:
    /// Every page is laid out and the pages are shown.
    void pagesReady();

protected:
    void closeEvent(QCloseEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void layOutSome();
    void zoom(qreal factor);
    int currentPage() const;
    void print();
    void savePdf();
    /// Paints the bill onto `printer`, laid out again first when the printer's paper differs; the progress
    /// bar follows. Shows the operator what failed.
    /// Prints the bill on `printer`; false when it failed (the operator was told why).
    bool printTo(QPrinter &printer, const QString &what);
    void showProgress(const QString &text, int done, int total);
    void showPage(int index);
    void updatePageNumber();
    void setBusy(bool busy);

    const ReportTemplate &report_;
    const HandOff &bill_;
    QPrinter printer_{QPrinter::HighResolution};
    std::unique_ptr<BillLayout> layout_;
    QTimer layoutTimer_;
    bool busy_ = false;
    bool fitWidth_ = true;

    QScrollArea *scroll_ = nullptr;
    PageView *view_ = nullptr;
    QProgressBar *progress_ = nullptr;
    QLabel *pageNumber_ = nullptr;
    QWidget *buttons_ = nullptr;
};

} // namespace preview
