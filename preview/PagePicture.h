#pragma once
// A laid-out page reduced to what painting it takes: the text of each block where the layout put it, the
// cells' backgrounds and the lines of collapsed table borders. The text document paints a table by looking up
// each cell's neighbours for every border it draws, which costs most of a long bill's PDF; the picture finds
// the grid once from where the cells' text stands and paints the same pixels. Only pages made of plain blocks
// and tables that the picture paints exactly (solid or black grid lines, plain cell backgrounds, no cell over
// several rows, nothing nested) have a picture; the text document paints the others.

#include <QBrush>
#include <QPointF>
#include <QRectF>

#include <optional>
#include <vector>

class QPainter;
class QTextBlock;
class QTextDocument;
class QTextLayout;
class QTextTable;

namespace preview {

class PagePicture {
public:
    /// The picture of `page`, or none when the page shows something the picture does not paint. Keeps pointers
    /// into `page`, which must stay alive, laid out and unchanged while the picture is painted.
    static std::optional<PagePicture> of(const QTextDocument &page);

    /// Paints what `page.drawContents(&painter)` paints.
    void paint(QPainter &painter) const;

private:
    struct Fill {
        QRectF rect;
        QBrush brush;
    };
    struct Text {
        const QTextLayout *layout;
        QPointF origin;
    };

    /// Adds a table's grid and its cells' text; false when the picture cannot paint the table.
    bool addTable(const QTextTable &table);
    /// Adds a block's text; false when the block shows more than its text. Gives where the block stands in
    /// `rect`, when asked, unless the block is hidden.
    bool addBlock(const QTextBlock &block, QRectF *rect = nullptr);

    const QTextDocument *page_ = nullptr;
    std::vector<Fill> backgrounds_;
    std::vector<Fill> lines_;
    std::vector<Text> texts_;
};

} // namespace preview
