#pragma once
// Lays a bill out on A4 pages and paints it: every page is the template filled with the header values and
// that page's lines, the page footer at the bottom. The lines are split into pages by measuring: each page
// takes as many lines as fit, and the last page also holds the closing blocks.

#include "HandOff.h"
#include "ReportTemplate.h"

#include <QImage>
#include <QPageLayout>

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

/// A4 portrait with the margins of the bill.
QPageLayout billPageLayout();

class BillPainter {
public:
    BillPainter(const ReportTemplate &report, const HandOff &bill) : report_(report), bill_(bill) {}
    BillPainter(const BillPainter &) = delete;
    BillPainter &operator=(const BillPainter &) = delete;

    /// The pages of the bill on paper of this layout; always at least one.
    std::vector<PageSlice> paginate(const QPageLayout &layout) const;
    /// Paints every page onto the device, in the device's page layout. Raises PreviewError when the device
    /// cannot be painted on (a PDF file that cannot be written, a printer that fails).
    void paint(QPagedPaintDevice &device) const;

private:
    /// The device the layout measures fonts on: an image of the layout resolution.
    static QImage layoutDevice();
    void prepare(QTextDocument &doc, const QString &html, qreal width) const;
    qreal pageHeight(int first, int count, bool last, qreal width) const;
    qreal footerHeight(qreal width) const;

    const ReportTemplate &report_;
    const HandOff &bill_;
    mutable QImage device_ = layoutDevice();
};

/// Reads the hand-off of the program folder and writes the bill into a PDF file. Raises PreviewError; on a
/// failure before the painting starts no file is written.
void renderToPdf(const QString &programDir, const QString &pdfPath);

} // namespace preview
