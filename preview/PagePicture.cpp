#include "PagePicture.h"

#include <QAbstractTextDocumentLayout>
#include <QPainter>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextFrame>
#include <QTextLayout>
#include <QTextTable>

#include <algorithm>
#include <cmath>
#include <limits>

namespace preview {

namespace {

/// Cell properties that give a cell a padding or borders of its own, which the picture does not paint.
constexpr QTextFormat::Property OwnCellLooks[] = {
    QTextFormat::TableCellTopPadding,     QTextFormat::TableCellBottomPadding,
    QTextFormat::TableCellLeftPadding,    QTextFormat::TableCellRightPadding,
    QTextFormat::TableCellTopBorder,      QTextFormat::TableCellBottomBorder,
    QTextFormat::TableCellLeftBorder,     QTextFormat::TableCellRightBorder,
    QTextFormat::TableCellTopBorderStyle, QTextFormat::TableCellBottomBorderStyle,
    QTextFormat::TableCellLeftBorderStyle, QTextFormat::TableCellRightBorderStyle,
    QTextFormat::TableCellTopBorderBrush, QTextFormat::TableCellBottomBorderBrush,
    QTextFormat::TableCellLeftBorderBrush, QTextFormat::TableCellRightBorderBrush,
};

/// Whether the collapsed borders of a table paint as the picture paints them: plain lines of the border brush
/// (the raised and sunken styles shade their sides lighter and darker, which leaves black as it is), no width
/// or an odd whole number of units around the table, and cells padded by a unit at least. (Tables with other
/// borders put their lowest line or their headings' lines half a unit away.)
bool plainGrid(const QTextTableFormat &format)
{
    const qreal border = format.border();
    const bool oddWhole = border == 0 || (border == std::floor(border) && std::fmod(border, 2) == 1);
    if (!oddWhole || format.cellPadding() < 1)
        return false;
    const QBrush brush = format.borderBrush();
    if (border > 0 && brush.style() != Qt::SolidPattern)
        return false;
    switch (format.borderStyle()) {
    case QTextFrameFormat::BorderStyle_Solid:
        return true;
    case QTextFrameFormat::BorderStyle_Inset:
    case QTextFrameFormat::BorderStyle_Outset:
    case QTextFrameFormat::BorderStyle_Groove:
    case QTextFrameFormat::BorderStyle_Ridge:
        return brush.color().value() == 0;
    default:
        return false;
    }
}

/// The nearest whole unit, halves upwards: where the layout puts a grid line.
qreal onUnit(qreal x) { return std::floor(x + 0.5); }

} // namespace

std::optional<PagePicture> PagePicture::of(const QTextDocument &page)
{
    PagePicture picture;
    picture.page_ = &page;
    const QTextFrame *root = page.rootFrame();
    const QTextFrameFormat rootFormat = root->frameFormat();
    if (rootFormat.border() != 0 || rootFormat.background().style() != Qt::NoBrush)
        return std::nullopt;
    for (auto it = root->begin(); !it.atEnd(); ++it) {
        if (const QTextFrame *frame = it.currentFrame()) {
            const auto *table = qobject_cast<const QTextTable *>(frame);
            if (!table || !picture.addTable(*table))
                return std::nullopt;
        } else if (!picture.addBlock(it.currentBlock())) {
            return std::nullopt;
        }
    }
    return picture;
}

bool PagePicture::addBlock(const QTextBlock &block, QRectF *rect)
{
    if (!block.isVisible())
        return true;
    const QTextBlockFormat format = block.blockFormat();
    if (block.textList() || format.background().style() != Qt::NoBrush
        || format.hasProperty(QTextFormat::BlockTrailingHorizontalRulerWidth))
        return false;
    const QTextLayout *layout = block.layout();
    const QRectF where = page_->documentLayout()->blockBoundingRect(block);
    texts_.push_back({layout, where.topLeft() - layout->position()});
    if (rect)
        *rect = where;
    return true;
}

bool PagePicture::addTable(const QTextTable &table)
{
    const QTextTableFormat format = table.format();
    const bool grid = format.borderCollapse();
    if (!table.childFrames().isEmpty() || format.background().style() != Qt::NoBrush || format.padding() != 0
        || (grid ? !plainGrid(format) : format.border() != 0))
        return false;

    // Where each cell's text stands: its left edge and width, and the top and bottom of its blocks. A row reaches
    // from the highest top of its cells to the lowest bottom; the grid lines stand a padding away from them.
    struct Cell {
        int row = 0;
        bool firstColumn = false;
        bool lastColumn = false;
        qreal left = 0, width = 0;
        QBrush background;
    };
    constexpr qreal Far = std::numeric_limits<qreal>::max();
    const int rows = table.rows();
    const int columns = table.columns();
    std::vector<Cell> cells;
    std::vector<qreal> top(rows, Far), bottom(rows, -Far);
    for (int row = 0; row < rows; ++row) {
        for (int column = 0, span = 1; column < columns; column += span) {
            // A cell over several rows ends the picture at its first row, so the cells met here start in this row.
            const QTextTableCell cell = table.cellAt(row, column);
            span = cell.columnSpan();
            const QTextTableCellFormat cellFormat = cell.format().toTableCellFormat();
            const QBrush background = cellFormat.background();
            if (cell.rowSpan() != 1 || background.style() > Qt::SolidPattern
                || (!grid && background.style() != Qt::NoBrush)
                || std::any_of(std::begin(OwnCellLooks), std::end(OwnCellLooks),
                               [&](QTextFormat::Property p) { return cellFormat.hasProperty(p); }))
                return false;
            Cell box{row, column == 0, column + span == columns, 0, 0, background};
            bool first = true;
            for (auto it = cell.begin(); !it.atEnd(); ++it) {
                QRectF rect;
                if (it.currentFrame() || !addBlock(it.currentBlock(), &rect))
                    return false;
                if (rect.isNull())
                    continue; // hidden
                if (first) {
                    box.left = rect.left();
                    box.width = rect.width();
                    first = false;
                }
                top[row] = std::min(top[row], rect.top());
                bottom[row] = std::max(bottom[row], rect.bottom());
            }
            cells.push_back(box);
        }
    }
    if (!grid)
        return true;

    // The grid as collapsed borders are drawn: lines of one unit between cells and of the table's border width
    // around them. A cell's box reaches half an inner line beyond its padding on the left and the top, and stops
    // half a line short of it on the right and the bottom; each cell draws its background over its box, the line
    // above it and the one on its left, and the cells of the last column and the last row the lines on their right
    // and below.
    const qreal outer = format.border();
    const qreal inner = outer > 0 ? 1 : 0;
    const qreal padding = format.cellPadding();
    const QBrush ink = format.borderBrush();
    for (const Cell &cell : cells) {
        const bool firstRow = cell.row == 0;
        const bool lastRow = cell.row == rows - 1;
        const qreal left = onUnit(cell.left - padding - inner / 2);
        const qreal right = onUnit(cell.left + cell.width + padding - inner / 2);
        const qreal upper = onUnit(top[cell.row] - padding - inner / 2);
        const qreal lower = onUnit(bottom[cell.row] + padding - inner / 2);
        if (cell.background.style() != Qt::NoBrush)
            backgrounds_.push_back({QRectF(QPointF(left, upper), QPointF(right, lower)), cell.background});
        if (outer <= 0)
            continue;
        const qreal leftLine = cell.firstColumn ? outer : inner;
        const qreal rightLine = cell.lastColumn ? outer : 0;
        const qreal upperLine = firstRow ? outer : inner;
        const qreal lowerLine = lastRow ? outer : 0;
        const auto line = [&](qreal x0, qreal y0, qreal x1, qreal y1) {
            lines_.push_back({QRectF(QPointF(x0, y0), QPointF(x1, y1)), ink});
        };
        line(left - leftLine, upper - upperLine, right + rightLine, upper);
        line(left - leftLine, upper - upperLine, left, lower + lowerLine);
        if (cell.lastColumn)
            line(right, upper - upperLine, right + rightLine, lower + lowerLine);
        if (lastRow)
            line(left - leftLine, lower, right + rightLine, lower + lowerLine);
    }
    return true;
}

void PagePicture::paint(QPainter &painter) const
{
    painter.save();
    painter.setPen(painter.pen().color()); // the text document paints text in the colour of the painter's pen
    for (const std::vector<Fill> *fills : {&backgrounds_, &lines_})
        for (const Fill &fill : *fills)
            painter.fillRect(fill.rect, fill.brush);
    for (const Text &text : texts_)
        text.layout->draw(&painter, text.origin);
    painter.restore();
}

} // namespace preview
