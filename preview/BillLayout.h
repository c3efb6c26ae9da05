#pragma once
// The bill laid out on pages: every page is the template filled with the header values and that page's lines,
// the page footer at its bottom. Each page takes as many lines as fit, and the last page also holds the
// closing blocks. Pages are cut one after the other, each from a single layout of its lines, and kept: the
// screen, a printer and a PDF file all paint the same laid-out pages.

#include "HandOff.h"
#include "PagePicture.h"
#include "ReportTemplate.h"

#include <QImage>
#include <QPageLayout>
#include <QPainter>

#include <memory>
#include <optional>
#include <vector>

class QPagedPaintDevice;
class QTextDocument;

namespace preview {

struct PageSlice {
    int first = 0; ///< index of the page's first line
    int count = 0;
    bool last = false;
    bool operator==(const PageSlice &) const = default;
};

/// The unit pages are laid out in, whatever the device: 1/96 inch, so that a template's pixel sizes mean the same
/// on the screen, on a printer and in a PDF file.
inline constexpr qreal LayoutDpi = 96;

/// A4 portrait with the margins of the bill.
QPageLayout billPageLayout();

class BillLayout {
public:
    /// Lays out nothing yet. Keeps references to `report` and `bill`, which must outlive the layout.
    BillLayout(const ReportTemplate &report, const HandOff &bill, const QPageLayout &paper);
    ~BillLayout();
    BillLayout(const BillLayout &) = delete;
    BillLayout &operator=(const BillLayout &) = delete;

    /// Cuts and lays out the next page; does nothing once every page is laid out.
    void layOutPage();
    /// Lays out all the pages that are left.
    void finish();
    bool finished() const { return !pages_.empty() && pages_.back().last; }
    /// Lines on the pages laid out so far.
    int linesDone() const { return pages_.empty() ? 0 : pages_.back().first + pages_.back().count; }
    int lineCount() const { return int(bill_.lines.size()); }

    /// The pages laid out so far; at least one once finished.
    const std::vector<PageSlice> &pages() const { return pages_; }
    const QPageLayout &paper() const { return paper_; }
    /// Whether the pages suit `paper` as well: the same printable size.
    bool suits(const QPageLayout &paper) const;
    /// Height a page leaves to the template, in 1/96 inch: the printable height less the footer.
    qreal room() const { return room_; }
    /// Height of a page holding `count` lines from `first`, with the closing blocks when `last`, in 1/96 inch.
    qreal pageHeight(int first, int count, bool last) const;

    /// Paints page `index` of a finished layout. The painter's unit must be 1/96 inch and its origin the top
    /// left corner of the printable area.
    void paintPage(QPainter &painter, int index) const;

private:
    struct Model;

    /// A page of `html`, laid out.
    std::unique_ptr<QTextDocument> layOut(const QString &html) const;
    std::unique_ptr<QTextDocument> layOut(int first, int count, bool last) const;
    void add(int first, int count, bool last, std::unique_ptr<QTextDocument> page);
    /// Measures the template on lines of one-character fields; leaves no model when its lines do not stack.
    void calibrate();
    /// Top of the first block of line `line` of a laid-out page, by the model.
    qreal lineTop(const QTextDocument &page, int line) const;
    /// Whether `page`, holding `lines` lines, bears the model out: its first line where the model puts it and no
    /// line lower than a line of one-character fields. Ends the model's use for the bill when not.
    bool modelHolds(const QTextDocument &page, int lines);
    /// Whether line `line` leaves a field of the line template empty.
    bool showsEmptyField(int line) const;
    /// Whether a page whose predicted height is `predicted` and whose last line is `lastLine` is surely too high.
    bool surelyOver(qreal predicted, int lastLine) const;
    /// Adds a page that goes on to the next when its height is the predicted one; else leaves it to measuring.
    bool addAsPredicted(int first, int count, std::unique_ptr<QTextDocument> page, qreal predicted);
    /// Cuts the next page from one layout of its lines; false when the model cannot tell.
    bool cutByModel();
    /// Cuts the next page by laying out candidate pages, starting from the size of the page before.
    void cutByMeasuring();

    const ReportTemplate &report_;
    const HandOff &bill_;
    const QPageLayout paper_;
    mutable QImage device_;
    qreal width_ = 0;
    qreal room_ = 0;
    bool calibrated_ = false;
    std::unique_ptr<Model> model_;
    std::vector<PageSlice> pages_;
    std::vector<std::unique_ptr<QTextDocument>> documents_;
    /// What paints each page of documents_, where the page has a picture.
    std::vector<std::optional<PagePicture>> pictures_;
};

/// Paints a finished layout onto a paged device one page at a time, so that a caller can show progress.
class BillPrinter {
public:
    /// Starts painting; the device's page layout must suit the layout. Raises PreviewError when the device
    /// cannot be painted on (a PDF file that cannot be written, a printer that fails).
    BillPrinter(const BillLayout &layout, QPagedPaintDevice &device);

    bool finished() const { return next_ == int(layout_.pages().size()); }
    int pagesPrinted() const { return next_; }
    /// Paints the next page. Raises PreviewError when the device refuses a new page.
    void printPage();
    /// Paints the pages that are left and ends the painting. Raises PreviewError when the device fails.
    void finish();

private:
    const BillLayout &layout_;
    QPagedPaintDevice &device_;
    QPainter painter_;
    int next_ = 0;
};

/// Reads the hand-off of the program folder and writes the bill into a PDF file. Raises PreviewError; on a
/// failure before the painting starts no file is written.
void renderToPdf(const QString &programDir, const QString &pdfPath);

} // namespace preview
