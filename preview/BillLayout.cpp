#include "BillLayout.h"

#include "PreviewError.h"

#include <QAbstractTextDocumentLayout>
#include <QDir>
#include <QFont>
#include <QPrinter>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextTable>

#include <algorithm>
#include <cmath>
#include <span>

namespace preview {

namespace {

constexpr qreal FooterGap = 6;

/// The device the layout measures fonts on: an image of the layout resolution.
QImage layoutDevice()
{
    QImage image(1, 1, QImage::Format_RGB32);
    const int dotsPerMeter = qRound(LayoutDpi / 0.0254);
    image.setDotsPerMeterX(dotsPerMeter);
    image.setDotsPerMeterY(dotsPerMeter);
    return image;
}

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

qreal height(const QTextDocument &doc) { return doc.size().height(); }

/// Paints a laid-out page by its picture where it has one, which is quicker, else by the document.
void paint(QPainter &painter, QTextDocument &page, const std::optional<PagePicture> &picture)
{
    if (picture)
        picture->paint(painter);
    else
        page.drawContents(&painter);
}

/// The most lines, from 1 to `limit`, for which `fits` holds, or 0; `fits` must hold for fewer lines whenever it
/// holds for more. Steps away from `guess` in widening strides, then halves, so a good guess costs two or
/// three calls.
template <typename Fits>
int mostThatFit(Fits fits, int guess, int limit)
{
    int fit = 0;          // the most lines known to fit
    int over = limit + 1; // the fewest known not to
    int probe = std::clamp(guess, 1, std::max(1, limit));
    for (int stride = 1; fit < probe && probe < over; stride *= 2) {
        if (fits(probe)) {
            fit = probe;
            probe += stride;
        } else {
            over = probe;
            probe -= stride;
        }
    }
    while (over - fit > 1) {
        const int mid = fit + (over - fit) / 2;
        (fits(mid) ? fit : over) = mid;
    }
    return fit;
}

} // namespace

QPageLayout billPageLayout()
{
    return QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait, QMarginsF(15, 12, 15, 12),
                       QPageLayout::Millimeter);
}

/// What lets a page be cut from one layout of its lines: where each line starts on a page, and how far the page
/// reaches below the start of the line that would follow its last. Lines of one template stack up, so a page's
/// height is known for every shorter run of its lines. Measured on lines of one-character fields and on blank
/// lines: no line is lower than the lower of them. A page that shows a lower line ends the model's use for the
/// bill; a page whose height differs from the prediction is cut by measuring.
struct BillLayout::Model {
    int firstBlock = 0; ///< text block where a page's first line starts
    int blocksPerLine = 0;
    bool rowPerLine = false; ///< each line is one table row, so lines can be cut off a laid-out page
    qreal firstTop = 0;      ///< top of the first line's first block
    qreal minPitch = 0;      ///< least height of a line
    qreal tailMore = 0;      ///< below the lines of a page that the bill goes on from
    qreal tailLast = 0;      ///< below the lines of the closing page
    /// How much higher a page may end when its last line has empty fields (a table whose last cell is empty
    /// ends higher).
    qreal emptyShortfall = 0;
};

BillLayout::BillLayout(const ReportTemplate &report, const HandOff &bill, const QPageLayout &paper)
    : report_(report), bill_(bill), paper_(paper), device_(layoutDevice())
{
    const QSizeF body = bodySize(paper_);
    width_ = body.width();
    room_ = body.height();
    if (const QString footer = report_.footerHtml(bill_.header, {}); !footer.trimmed().isEmpty())
        room_ -= height(*layOut(footer)) + FooterGap;
}

BillLayout::~BillLayout() = default;

bool BillLayout::suits(const QPageLayout &paper) const
{
    return bodySize(paper) == bodySize(paper_);
}

std::unique_ptr<QTextDocument> BillLayout::layOut(const QString &html) const
{
    auto doc = std::make_unique<QTextDocument>();
    doc->documentLayout()->setPaintDevice(&device_);
    doc->setDefaultFont(billFont());
    doc->setDocumentMargin(0);
    doc->setTextWidth(width_); // before the text, which is then laid out once
    doc->setHtml(html);
    return doc;
}

std::unique_ptr<QTextDocument> BillLayout::layOut(int first, int count, bool last) const
{
    const std::span<const Values> lines(bill_.lines);
    return layOut(report_.pageHtml(bill_.header, lines.subspan(first, count), first + 1, {}, last));
}

qreal BillLayout::pageHeight(int first, int count, bool last) const
{
    return height(*layOut(first, count, last));
}

void BillLayout::finish()
{
    while (!finished())
        layOutPage();
}

void BillLayout::layOutPage()
{
    if (finished())
        return;
    if (!calibrated_) {
        calibrated_ = true;
        calibrate();
    }
    // Nothing left (or no lines at all): the closing blocks on a page of their own.
    if (linesDone() == lineCount())
        add(linesDone(), 0, true, layOut(linesDone(), 0, true));
    else if (!(model_ && cutByModel()))
        cutByMeasuring();
}

void BillLayout::add(int first, int count, bool last, std::unique_ptr<QTextDocument> page)
{
    pages_.push_back({first, count, last});
    // A page that shows its number is laid out again for painting, numbered: it is pictured then.
    pictures_.push_back(report_.numbersPages() ? std::nullopt : PagePicture::of(*page));
    documents_.push_back(std::move(page));
}

qreal BillLayout::lineTop(const QTextDocument &page, int line) const
{
    const QTextBlock block = page.findBlockByNumber(model_->firstBlock + line * model_->blocksPerLine);
    return page.documentLayout()->blockBoundingRect(block).top();
}

void BillLayout::calibrate()
{
    if (bill_.lines.empty())
        return;
    Values brief;
    Values blank;
    for (auto it = bill_.lines.front().cbegin(); it != bill_.lines.front().cend(); ++it) {
        brief.insert(it.key(), QStringLiteral("0"));
        blank.insert(it.key(), QString());
    }
    const auto page = [&](const Values &line, int lines, bool last) {
        return layOut(report_.pageHtml(bill_.header, std::vector<Values>(lines, line), 1, {}, last));
    };
    const auto one = page(brief, 1, false);
    const auto two = page(brief, 2, false);

    // The second line's blocks are where the two pages first differ.
    auto model = std::make_unique<Model>();
    model->blocksPerLine = two->blockCount() - one->blockCount();
    int same = 0;
    for (QTextBlock a = one->begin(), b = two->begin(); a.isValid() && b.isValid() && a.text() == b.text();
         a = a.next(), b = b.next())
        ++same;
    model->firstBlock = same - model->blocksPerLine;
    if (model->blocksPerLine <= 0 || model->firstBlock < 0)
        return;
    model_ = std::move(model);

    const auto twoBlank = page(blank, 2, false);
    const qreal second = lineTop(*two, 1);
    const qreal secondBlank = lineTop(*twoBlank, 1);
    model_->firstTop = lineTop(*two, 0);
    model_->minPitch = std::min(second, secondBlank) - model_->firstTop;
    model_->tailMore = height(*one) - second;
    model_->tailLast = height(*page(brief, 1, true)) - second;
    model_->emptyShortfall = std::max(0.0, model_->tailMore - (height(*page(blank, 1, false)) - secondBlank));
    if (model_->minPitch <= 0 || lineTop(*twoBlank, 0) != model_->firstTop) {
        model_.reset();
        return;
    }
    const auto rowOf = [&](const QTextDocument &doc, int line) {
        QTextCursor cursor(doc.findBlockByNumber(model_->firstBlock + line * model_->blocksPerLine));
        const QTextTable *table = cursor.currentTable();
        return table ? std::pair(table->rows(), table->cellAt(cursor).row()) : std::pair(-1, -1);
    };
    const auto [rowsOne, firstRow] = rowOf(*one, 0);
    const auto [rowsTwo, secondRow] = rowOf(*two, 1);
    model_->rowPerLine = rowsOne > 0 && rowsTwo == rowsOne + 1 && secondRow == firstRow + 1;
}

bool BillLayout::showsEmptyField(int line) const
{
    const Values &values = bill_.lines[line];
    const QSet<QString> &names = report_.lineNames();
    return std::any_of(names.cbegin(), names.cend(), [&](const QString &name) {
        const auto value = values.constFind(name);
        return value != values.cend() && value->isEmpty();
    });
}

bool BillLayout::surelyOver(qreal predicted, int lastLine) const
{
    return predicted - model_->emptyShortfall > room_ || (predicted > room_ && !showsEmptyField(lastLine));
}

bool BillLayout::modelHolds(const QTextDocument &page, int lines)
{
    qreal top = lineTop(page, 0);
    bool holds = top == model_->firstTop;
    for (int line = 1; holds && line < lines; ++line) {
        const qreal next = lineTop(page, line);
        holds = next - top >= model_->minPitch;
        top = next;
    }
    if (!holds)
        model_.reset();
    return holds;
}

bool BillLayout::addAsPredicted(int first, int count, std::unique_ptr<QTextDocument> page, qreal predicted)
{
    if (height(*page) != predicted)
        return false;
    add(first, count, false, std::move(page));
    return true;
}

bool BillLayout::cutByModel()
{
    const Model &m = *model_;
    const int first = linesDone();
    const int rest = lineCount() - first;
    const auto most = [&](qreal tail) { return int(std::floor((room_ - m.firstTop - tail) / m.minPitch)); };

    if (rest <= most(m.tailLast - m.emptyShortfall)) {
        // Perhaps the closing page: all the rest with the closing blocks.
        auto page = layOut(first, rest, true);
        if (height(*page) <= room_) {
            add(first, rest, true, std::move(page));
            return true;
        }
        if (!modelHolds(*page, rest) || (m.emptyShortfall > 0 && showsEmptyField(lineCount() - 1)))
            return false;
        const qreal end = height(*page) - m.tailLast;
        const auto heightWith = [&](int count) { return (count < rest ? lineTop(*page, count) : end) + m.tailMore; };
        int count = std::max(1, mostThatFit([&](int n) { return heightWith(n) <= room_; }, rest, rest));
        if (count < rest && !surelyOver(heightWith(count + 1), first + count))
            return false;
        if (count == rest && rest > 1)
            --count; // the closing blocks do not fit after the rest: the last line goes to the closing page
        return addAsPredicted(first, count, layOut(first, count, false), heightWith(count));
    }

    // As many lines as could fit if each were as low as a line can be: at least one line too many, or all the rest.
    const int tried = std::clamp(most(m.tailMore), 1, rest);
    auto page = layOut(first, tried, false);
    if (!modelHolds(*page, tried))
        return false;
    const auto heightWith = [&](int count) { return count < tried ? lineTop(*page, count) + m.tailMore : height(*page); };
    int count = tried;
    if (height(*page) > room_) {
        count = std::max(1, mostThatFit([&](int n) { return heightWith(n) <= room_; }, tried - 1, tried - 1));
        if (count + 1 < tried && !surelyOver(heightWith(count + 1), first + count))
            return false;
    } else if (tried < rest) {
        if (!surelyOver(height(*page) + m.minPitch, first + tried))
            return false;
    } else if (rest > 1) {
        count = rest - 1; // the closing blocks do not fit after the rest: the last line goes to the closing page
    }
    if (count == tried) {
        add(first, count, false, std::move(page));
        return true;
    }
    const qreal predicted = heightWith(count);
    QTextCursor cursor(page->findBlockByNumber(m.firstBlock + count * m.blocksPerLine));
    if (QTextTable *table = m.rowPerLine ? cursor.currentTable() : nullptr)
        table->removeRows(table->cellAt(cursor).row(), tried - count);
    else
        page = layOut(first, count, false);
    return addAsPredicted(first, count, std::move(page), predicted);
}

void BillLayout::cutByMeasuring()
{
    const int first = linesDone();
    const int rest = lineCount() - first;
    const int guess = pages_.empty() ? 1 : pages_.back().count;
    // All the rest on the closing page? A page grows with its lines: once a part does not fit, neither does the rest.
    for (int count = std::clamp(guess, 1, rest);; count = std::min(rest, 2 * count)) {
        auto page = layOut(first, count, true);
        if (height(*page) > room_)
            break;
        if (count == rest) {
            add(first, rest, true, std::move(page));
            return;
        }
    }
    // The most lines that fit before the bill goes on; a page always takes at least one line. All the rest fit,
    // but not with the closing blocks: carry the last line over to the closing page.
    int count = std::max(1, mostThatFit([&](int n) { return pageHeight(first, n, false) <= room_; }, guess, rest));
    if (count == rest && rest > 1)
        --count;
    add(first, count, false, layOut(first, count, false));
}

void BillLayout::paintPage(QPainter &painter, int index) const
{
    const PageSlice &slice = pages_.at(index);
    const PageNumber number{index + 1, int(pages_.size())};
    if (report_.numbersPages()) {
        const std::span<const Values> lines(bill_.lines);
        const auto numbered = layOut(report_.pageHtml(bill_.header, lines.subspan(slice.first, slice.count),
                                                      slice.first + 1, number, slice.last));
        paint(painter, *numbered, PagePicture::of(*numbered));
    } else {
        paint(painter, *documents_.at(index), pictures_.at(index));
    }

    const QString footerHtml = report_.footerHtml(bill_.header, number);
    if (footerHtml.trimmed().isEmpty())
        return;
    const auto footer = layOut(footerHtml);
    painter.save();
    painter.translate(0, bodySize(paper_).height() - height(*footer));
    footer->drawContents(&painter);
    painter.restore();
}

BillPrinter::BillPrinter(const BillLayout &layout, QPagedPaintDevice &device) : layout_(layout), device_(device)
{
    if (!painter_.begin(&device))
        throw PreviewError(QStringLiteral("無法開始列印 (印表機或檔案無法寫入)。"));
    painter_.scale(device.logicalDpiX() / LayoutDpi, device.logicalDpiY() / LayoutDpi);
}

void BillPrinter::printPage()
{
    if (next_ > 0 && !device_.newPage())
        throw PreviewError(QStringLiteral("無法換頁，列印已中止。"));
    layout_.paintPage(painter_, next_++);
}

void BillPrinter::finish()
{
    while (!finished())
        printPage();
    if (!painter_.end())
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
    BillLayout layout(report, bill, printer.pageLayout());
    layout.finish();
    try {
        BillPrinter(layout, printer).finish();
    } catch (const PreviewError &e) {
        throw PreviewError(QStringLiteral("無法寫入 PDF 檔 %1：%2").arg(QDir::toNativeSeparators(pdfPath), e.message()));
    }
}

} // namespace preview
