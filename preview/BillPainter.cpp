#include "BillPainter.h"

#include "PreviewError.h"

#include <QDir>
#include <QFont>
#include <QImage>
#include <QPainter>
#include <QPrinter>
#include <QTextDocument>
#include <QAbstractTextDocumentLayout>

#include <span>

namespace preview {

namespace {

// Pages are laid out in units of 1/96 inch whatever the device, so a template's pixel sizes mean the same
// on the screen preview, on a printer and in a PDF file.
constexpr qreal LayoutDpi = 96;
constexpr qreal FooterGap = 6;

} // namespace

QImage BillPainter::layoutDevice()
{
    QImage image(1, 1, QImage::Format_RGB32);
    const int dotsPerMeter = qRound(LayoutDpi / 0.0254);
    image.setDotsPerMeterX(dotsPerMeter);
    image.setDotsPerMeterY(dotsPerMeter);
    return image;
}

namespace {

QFont billFont()
{
    QFont font;
    font.setFamilies({QStringLiteral("AR PL UMing TW"), QStringLiteral("AR PL UMing CN")});
    font.setPointSizeF(11);
    return font;
}

QSizeF bodySize(const QPageLayout &layout)
{
    return layout.paintRect(QPageLayout::Inch).size() * LayoutDpi;
}

} // namespace

QPageLayout billPageLayout()
{
    return QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait, QMarginsF(15, 12, 15, 12),
                       QPageLayout::Millimeter);
}

void BillPainter::prepare(QTextDocument &doc, const QString &html, qreal width) const
{
    doc.documentLayout()->setPaintDevice(&device_);
    doc.setDefaultFont(billFont());
    doc.setDocumentMargin(0);
    doc.setHtml(html);
    doc.setTextWidth(width);
}

qreal BillPainter::pageHeight(int first, int count, bool last, qreal width) const
{
    QTextDocument doc;
    const std::span<const Values> lines(bill_.lines);
    prepare(doc, report_.pageHtml(bill_.header, lines.subspan(first, count), first + 1, {}, last), width);
    return doc.size().height();
}

qreal BillPainter::footerHeight(qreal width) const
{
    const QString html = report_.footerHtml(bill_.header, {});
    if (html.trimmed().isEmpty())
        return 0;
    QTextDocument doc;
    prepare(doc, html, width);
    return doc.size().height() + FooterGap;
}

std::vector<PageSlice> BillPainter::paginate(const QPageLayout &layout) const
{
    const QSizeF body = bodySize(layout);
    const qreal room = body.height() - footerHeight(body.width());
    const auto fits = [&](int first, int count, bool last) { return pageHeight(first, count, last, body.width()) <= room; };

    const int total = int(bill_.lines.size());
    std::vector<PageSlice> pages;
    int first = 0;
    for (;;) {
        const int rest = total - first;
        if (rest == 0 || fits(first, rest, true)) {
            pages.push_back({first, rest, true});
            return pages;
        }
        // The most lines that fit on a page followed by another; a page always takes at least one line.
        int lo = 1, hi = rest;
        while (lo < hi) {
            const int mid = (lo + hi + 1) / 2;
            if (fits(first, mid, false))
                lo = mid;
            else
                hi = mid - 1;
        }
        // All the rest fit, but not with the closing blocks: carry the last line over to the closing page.
        if (lo == rest && rest > 1)
            --lo;
        pages.push_back({first, lo, false});
        first += lo;
    }
}

void BillPainter::paint(QPagedPaintDevice &device) const
{
    const QPageLayout layout = device.pageLayout();
    const std::vector<PageSlice> pages = paginate(layout);
    const QSizeF body = bodySize(layout);
    const qreal footer = footerHeight(body.width());
    const std::span<const Values> lines(bill_.lines);

    QPainter painter;
    if (!painter.begin(&device))
        throw PreviewError(QStringLiteral("無法開始列印 (印表機或檔案無法寫入)。"));
    painter.scale(device.logicalDpiX() / LayoutDpi, device.logicalDpiY() / LayoutDpi);
    for (size_t i = 0; i < pages.size(); ++i) {
        const PageSlice &slice = pages[i];
        const PageNumber number{int(i) + 1, int(pages.size())};
        if (i > 0 && !device.newPage())
            throw PreviewError(QStringLiteral("無法換頁，列印已中止。"));

        QTextDocument page;
        prepare(page, report_.pageHtml(bill_.header, lines.subspan(slice.first, slice.count), slice.first + 1,
                                       number, slice.last), body.width());
        page.drawContents(&painter);

        if (footer > 0) {
            QTextDocument foot;
            prepare(foot, report_.footerHtml(bill_.header, number), body.width());
            painter.save();
            painter.translate(0, body.height() - foot.size().height());
            foot.drawContents(&painter);
            painter.restore();
        }
    }
    if (!painter.end())
        throw PreviewError(QStringLiteral("列印未能完成。"));
}

void renderToPdf(const QString &programDir, const QString &pdfPath)
{
    const HandOff bill = readHandOff(programDir);
    const ReportTemplate report = ReportTemplate::fromFile(bill.templatePath);

    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(pdfPath);
    printer.setPageLayout(billPageLayout());
    printer.setDocName(bill.header.value(QStringLiteral("MASTERBILLID")));
    try {
        BillPainter(report, bill).paint(printer);
    } catch (const PreviewError &e) {
        throw PreviewError(QStringLiteral("無法寫入 PDF 檔 %1：%2").arg(QDir::toNativeSeparators(pdfPath), e.message()));
    }
}

} // namespace preview
