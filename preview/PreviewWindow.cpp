#include "PreviewWindow.h"

#include "PreviewError.h"

#include <QCloseEvent>
#include <QDir>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QMessageBox>
#include <QPaintEvent>
#include <QPainter>
#include <QPrintDialog>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QScroller>
#include <QStandardPaths>
#include <QStyle>
#include <QVBoxLayout>

#include <algorithm>

namespace preview {

namespace {

constexpr int Gap = 12;         // pixels around and between the pages
constexpr int ButtonHeight = 48;
constexpr qreal ZoomStep = 1.25;
constexpr qint64 SliceMs = 30; // layout between two looks at the event queue
constexpr size_t CachedPages = 6;

} // namespace

/// The pages of a layout one below the other, once it is finished, at a scale in pixels per 1/96 inch. A page
/// is painted into a picture once and kept while it is near the view.
class PageView : public QWidget {
public:
    explicit PageView(const BillLayout &pages) : pages_(pages) {}

    void showPages()
    {
        shown_ = true;
        resize(sizeHint());
        update();
    }

    qreal scale() const { return scale_; }
    void setScale(qreal scale)
    {
        scale = std::clamp(scale, 0.2, 4.0);
        if (scale == scale_)
            return;
        scale_ = scale;
        cache_.clear();
        resize(sizeHint());
        update();
    }
    /// The scale at which a page is as wide as `width` pixels with the gaps.
    qreal scaleToFit(int width) const { return (width - 2 * Gap) / paper().width(); }

    int pageCount() const { return shown_ ? int(pages_.pages().size()) : 0; }
    int pageTop(int index) const { return Gap + index * (pageSize().height() + Gap); }
    int pageAt(int y) const { return std::clamp((y - Gap / 2) / (pageSize().height() + Gap), 0, std::max(0, pageCount() - 1)); }

    QSize sizeHint() const override
    {
        return {pageSize().width() + 2 * Gap, pageCount() * (pageSize().height() + Gap) + Gap};
    }

protected:
    void paintEvent(QPaintEvent *event) override
    {
        QPainter painter(this);
        painter.fillRect(event->rect(), palette().dark());
        for (int i = pageAt(event->rect().top()); i < pageCount(); ++i) {
            const QRect rect(QPoint((width() - pageSize().width()) / 2, pageTop(i)), pageSize());
            if (rect.top() > event->rect().bottom())
                break;
            painter.drawPixmap(rect.topLeft(), picture(i));
            painter.setPen(palette().shadow().color());
            painter.drawRect(rect.adjusted(-1, -1, 0, 0));
        }
    }

private:
    QSizeF paper() const { return pages_.paper().fullRect(QPageLayout::Inch).size() * LayoutDpi; }
    QSize pageSize() const { return (paper() * scale_).toSize(); }

    const QPixmap &picture(int index)
    {
        const auto cached = std::find_if(cache_.begin(), cache_.end(), [&](const auto &c) { return c.first == index; });
        if (cached != cache_.end()) {
            std::rotate(cached, cached + 1, cache_.end());
            return cache_.back().second;
        }
        const qreal ratio = devicePixelRatioF();
        QPixmap pixmap(pageSize() * ratio);
        pixmap.setDevicePixelRatio(ratio);
        pixmap.fill(Qt::white);
        QPainter painter(&pixmap);
        painter.setRenderHints(QPainter::Antialiasing | QPainter::TextAntialiasing);
        painter.scale(scale_, scale_);
        painter.translate(pages_.paper().paintRect(QPageLayout::Inch).topLeft() * LayoutDpi);
        pages_.paintPage(painter, index);
        painter.end();
        if (cache_.size() == CachedPages)
            cache_.erase(cache_.begin());
        cache_.emplace_back(index, std::move(pixmap));
        return cache_.back().second;
    }

    const BillLayout &pages_;
    bool shown_ = false;
    qreal scale_ = 1;
    std::vector<std::pair<int, QPixmap>> cache_; ///< least recently shown first
};

QString PreviewWindow::caption() { return QStringLiteral("預覽列印"); }

PreviewWindow::PreviewWindow(const ReportTemplate &report, const HandOff &bill, QWidget *parent)
    : QDialog(parent), report_(report), bill_(bill)
{
    const QString billNo = bill_.header.value(QStringLiteral("MASTERBILLID"));
    setWindowTitle(caption() + (billNo.isEmpty() ? QString() : QStringLiteral(" - ") + billNo));
    printer_.setPageLayout(billPageLayout());
    printer_.setDocName(billNo);
    layout_ = std::make_unique<BillLayout>(report_, bill_, printer_.pageLayout());

    // Buttons a finger can hit. All but "關閉" wait while the window is busy.
    buttons_ = new QWidget(this);
    auto *row = new QHBoxLayout(buttons_);
    row->setContentsMargins(0, 0, 0, 0);
    const auto button = [&](QWidget *parent, const QString &text, auto slot) {
        auto *b = new QPushButton(text, parent);
        b->setMinimumSize(ButtonHeight * 3 / 2, ButtonHeight);
        b->setFocusPolicy(Qt::NoFocus);
        connect(b, &QPushButton::clicked, this, slot);
        return b;
    };
    row->addWidget(button(buttons_, QStringLiteral("列印"), &PreviewWindow::print));
    row->addWidget(button(buttons_, QStringLiteral("另存 PDF"), &PreviewWindow::savePdf));
    row->addSpacing(Gap);
    row->addWidget(button(buttons_, QStringLiteral("放大"), [this] { zoom(ZoomStep); }));
    row->addWidget(button(buttons_, QStringLiteral("縮小"), [this] { zoom(1 / ZoomStep); }));
    row->addWidget(button(buttons_, QStringLiteral("上一頁"), [this] { showPage(currentPage() - 1); }));
    row->addWidget(button(buttons_, QStringLiteral("下一頁"), [this] { showPage(currentPage() + 1); }));
    row->addStretch();
    auto *top = new QHBoxLayout;
    top->addWidget(buttons_, 1);
    top->addWidget(button(this, QStringLiteral("關閉"), &QDialog::reject));

    view_ = new PageView(*layout_);
    scroll_ = new QScrollArea(this);
    scroll_->setWidget(view_);
    scroll_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    scroll_->viewport()->installEventFilter(this);
    scroll_->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    scroll_->setBackgroundRole(QPalette::Dark);
    QScroller::grabGesture(scroll_->viewport(), QScroller::LeftMouseButtonGesture);
    connect(scroll_->verticalScrollBar(), &QScrollBar::valueChanged, this, &PreviewWindow::updatePageNumber);

    // Below the pages: the progress of the work in hand, or else the page in view.
    progress_ = new QProgressBar(this);
    progress_->setMinimumHeight(ButtonHeight / 2);
    progress_->setAlignment(Qt::AlignCenter);
    pageNumber_ = new QLabel(this);
    pageNumber_->setAlignment(Qt::AlignCenter);
    pageNumber_->setMinimumHeight(ButtonHeight / 2);
    auto *status = new QHBoxLayout;
    status->addWidget(progress_, 1);
    status->addWidget(pageNumber_, 1);

    auto *layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(scroll_, 1);
    layout->addLayout(status);

    // Centred on the screen, and small enough for it (a terminal may have no more than 768 pixels' height).
    const QScreen *screen = parent ? parent->screen() : QGuiApplication::primaryScreen();
    const QRect area = screen->availableGeometry();
    const QSize size = QSize(900, 1000).boundedTo(area.size() * 0.92);
    setGeometry(QStyle::alignedRect(Qt::LeftToRight, Qt::AlignCenter, size, area));

    setBusy(true);
    showProgress(QStringLiteral("排版中…"), 0, layout_->lineCount());
    connect(&layoutTimer_, &QTimer::timeout, this, &PreviewWindow::layOutSome);
    layoutTimer_.start(0);
}

PreviewWindow::~PreviewWindow() = default;

void PreviewWindow::closeEvent(QCloseEvent *event)
{
    // A print job in progress holds the printer: it ends first.
    if (busy_ && !layoutTimer_.isActive())
        event->ignore();
    else
        QDialog::closeEvent(event);
}

bool PreviewWindow::eventFilter(QObject *watched, QEvent *event)
{
    if (fitWidth_ && watched == scroll_->viewport() && event->type() == QEvent::Resize)
        view_->setScale(view_->scaleToFit(scroll_->viewport()->width()));
    return QDialog::eventFilter(watched, event);
}

void PreviewWindow::zoom(qreal factor)
{
    const int page = currentPage();
    fitWidth_ = false;
    view_->setScale(view_->scale() * factor);
    showPage(page);
}

void PreviewWindow::layOutSome()
{
    QElapsedTimer slice;
    slice.start();
    try {
        while (!layout_->finished() && slice.elapsed() < SliceMs)
            layout_->layOutPage();
    } catch (const std::exception &e) {
        layoutTimer_.stop();
        QMessageBox::critical(this, caption(), QString::fromUtf8(e.what()));
        reject();
        return;
    }
    showProgress(QStringLiteral("排版中…"), layout_->linesDone(), layout_->lineCount());
    if (!layout_->finished())
        return;
    layoutTimer_.stop();
    setBusy(false);
    view_->showPages();
    updatePageNumber();
    emit pagesReady();
}

void PreviewWindow::setBusy(bool busy)
{
    busy_ = busy;
    buttons_->setEnabled(!busy);
    progress_->setVisible(busy);
    pageNumber_->setVisible(!busy);
}

void PreviewWindow::showProgress(const QString &text, int done, int total)
{
    progress_->setRange(0, std::max(1, total));
    progress_->setValue(total > 0 ? done : 1);
    progress_->setFormat(QStringLiteral("%1 %2 / %3").arg(text).arg(done).arg(total));
}

void PreviewWindow::showPage(int index)
{
    scroll_->verticalScrollBar()->setValue(view_->pageTop(std::clamp(index, 0, view_->pageCount() - 1)) - Gap);
}

int PreviewWindow::currentPage() const
{
    return view_->pageAt(scroll_->verticalScrollBar()->value() + scroll_->viewport()->height() / 3);
}

void PreviewWindow::updatePageNumber()
{
    if (view_->pageCount() > 0)
        pageNumber_->setText(QStringLiteral("第 %1 頁 / 共 %2 頁").arg(currentPage() + 1).arg(view_->pageCount()));
}

void PreviewWindow::print()
{
    QPrintDialog dialog(&printer_, this);
    if (dialog.exec() == QDialog::Accepted)
        printTo(printer_, QStringLiteral("列印中…"));
}

void PreviewWindow::savePdf()
{
    const QString billNo = bill_.header.value(QStringLiteral("MASTERBILLID"));
    const QString suggested =
        QDir(QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation))
            .filePath((billNo.isEmpty() ? QStringLiteral("調撥單") : billNo) + QStringLiteral(".pdf"));
    QString path = QFileDialog::getSaveFileName(this, QStringLiteral("另存 PDF"), suggested,
                                                QStringLiteral("PDF 檔 (*.pdf)"));
    if (path.isEmpty())
        return;
    if (!path.endsWith(QStringLiteral(".pdf"), Qt::CaseInsensitive))
        path += QStringLiteral(".pdf");

    QPrinter pdf(QPrinter::HighResolution);
    pdf.setOutputFormat(QPrinter::PdfFormat);
    pdf.setOutputFileName(path);
    pdf.setPageLayout(layout_->paper());
    pdf.setDocName(billNo);
    if (printTo(pdf, QStringLiteral("存檔中…")))
        pageNumber_->setText(QStringLiteral("已存成 PDF：%1").arg(QDir::toNativeSeparators(path)));
}

bool PreviewWindow::printTo(QPrinter &printer, const QString &what)
{
    // The progress bar is painted between pages; touches wait until the job is done, and then land on disabled
    // buttons.
    const auto keepShowing = [&](int done, int total) {
        showProgress(what, done, total);
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    };
    setBusy(true);
    bool printed = true;
    try {
        std::unique_ptr<BillLayout> other;
        const BillLayout *pages = layout_.get();
        if (!pages->suits(printer.pageLayout())) {
            other = std::make_unique<BillLayout>(report_, bill_, printer.pageLayout());
            while (!other->finished()) {
                other->layOutPage();
                keepShowing(other->linesDone(), other->lineCount());
            }
            pages = other.get();
        }
        BillPrinter job(*pages, printer);
        const int total = int(pages->pages().size());
        while (!job.finished()) {
            keepShowing(job.pagesPrinted(), total);
            job.printPage();
        }
        job.finish();
    } catch (const PreviewError &e) {
        const QString message = printer.outputFormat() == QPrinter::PdfFormat
                                    ? QStringLiteral("無法寫入 PDF 檔 %1：%2")
                                          .arg(QDir::toNativeSeparators(printer.outputFileName()), e.message())
                                    : e.message();
        QMessageBox::critical(this, caption(), message);
        printed = false;
    }
    QCoreApplication::processEvents();
    setBusy(false);
    return printed;
}

} // namespace preview
