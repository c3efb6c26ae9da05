#include "DBCtrlGrid.h"

#include "CodePage.h"
#include "ErrorBox.h"

#include <QKeyEvent>
#include <QPainter>
#include <QPainterPath>
#include <qdrawutil.h>

namespace widgets {

namespace {

const QColor currentColour(255, 255, 128);
const QColor codeColour(60, 60, 60);
constexpr int CodePixelSize = 10;

QPixmap checkPicture(bool ticked, int size)
{
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.scale(size / 16.0, size / 16.0);
    p.setPen(QColor(96, 96, 96));
    p.setBrush(Qt::white);
    p.drawRect(1, 1, 13, 13);
    if (ticked) {
        p.setRenderHint(QPainter::Antialiasing);
        p.setPen(QPen(QColor(220, 0, 0), 2.4, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        QPainterPath tick;
        tick.moveTo(3.5, 8);
        tick.lineTo(6.5, 11.5);
        tick.lineTo(12.5, 3.5);
        p.drawPath(tick);
    }
    return pixmap;
}

} // namespace

TDBCtrlGrid::TDBCtrlGrid(QWidget *parent) : QWidget(parent)
{
    setFocusPolicy(Qt::StrongFocus);
    setAutoFillBackground(true);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, Qt::white);
    setPalette(pal);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void TDBCtrlGrid::setScale(const DesignScale &scale)
{
    scale_ = scale;
    updateGeometry();
    update();
}

void TDBCtrlGrid::setDataSet(data::TClientDataSet *dataSet)
{
    if (dataSet_)
        disconnect(dataSet_, nullptr, this, nullptr);
    dataSet_ = dataSet;
    topRow_ = 0;
    if (dataSet_)
        connect(dataSet_, &data::TClientDataSet::changed, this, [this] {
            scrollToCurrent();
            update();
        });
    scrollToCurrent();
    update();
}

QSize TDBCtrlGrid::sizeHint() const
{
    return {ColCount * scale_.px(PanelWidth), RowCount * scale_.px(PanelHeight)};
}

QRect TDBCtrlGrid::panelRect(int displayRow) const
{
    const int slot = displayRow - topRow_;
    if (slot < 0 || slot >= PanelsPerPage)
        return {};
    const int width = scale_.px(PanelWidth);
    const int height = scale_.px(PanelHeight);
    return {(slot / RowCount) * width, (slot % RowCount) * height, width, height};
}

QRect TDBCtrlGrid::checkBoxRect(int displayRow) const
{
    const QRect panel = panelRect(displayRow);
    return panel.isNull() ? QRect() : QRect(panel.topLeft() + scale_.px(QPoint(4, 4)), scale_.px(QSize(19, 17)));
}

QRect TDBCtrlGrid::textRect(int displayRow) const
{
    const QRect panel = panelRect(displayRow);
    return panel.isNull() ? QRect() : scale_.px(QRect(QPoint(23, 1), QSize(PanelWidth - 25, 12))).translated(panel.topLeft());
}

QRect TDBCtrlGrid::codeRect(int displayRow) const
{
    const QRect panel = panelRect(displayRow);
    return panel.isNull() ? QRect() : scale_.px(QRect(QPoint(23, 12), QSize(PanelWidth - 25, 11))).translated(panel.topLeft());
}

bool TDBCtrlGrid::isChecked(int displayRow) const
{
    if (!dataSet_ || !dataSet_->active())
        return false;
    const data::TField *field = dataSet_->findField(checkField_);
    return field && dataSet_->displayValue(displayRow, field->index()).asString() == CheckedValue;
}

void TDBCtrlGrid::paintEvent(QPaintEvent *event)
{
    QPainter p(this);
    p.fillRect(event->rect(), Qt::white);
    if (!dataSet_ || !dataSet_->active())
        return;
    const int pictureSize = scale_.px(16);
    const QPixmap ticked = checkPicture(true, pictureSize);
    const QPixmap empty = checkPicture(false, pictureSize);
    const data::TField *text = dataSet_->findField(textField_);
    const data::TField *code = dataSet_->findField(codeField_);
    CodePageDecoder decode;
    QFont codeFont = font();
    codeFont.setPixelSize(scale_.px(CodePixelSize));
    const QFontMetrics codeMetrics(codeFont);
    const int current = dataSet_->currentDisplayRow();
    const int last = std::min(dataSet_->displayRowCount(), topRow_ + PanelsPerPage);
    for (int row = topRow_; row < last; ++row) {
        const QRect panel = panelRect(row);
        if (!panel.intersects(event->rect()))
            continue;
        p.fillRect(panel, row == current ? currentColour : Qt::white);
        qDrawShadePanel(&p, panel, palette(), false, 1);
        const QRect box = checkBoxRect(row);
        p.drawPixmap(box.topLeft() + QPoint(scale_.px(1), 0), isChecked(row) ? ticked : empty);
        if (text) {
            const QString shown = decode(dataSet_->displayValue(row, text->index()).asString());
            const QRect area = textRect(row);
            p.setFont(font());
            p.setPen(palette().color(QPalette::WindowText));
            p.drawText(area, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine,
                       fontMetrics().elidedText(shown, Qt::ElideRight, area.width()));
        }
        if (code) {
            const QString shown = decode(dataSet_->displayValue(row, code->index()).asString()).trimmed();
            const QRect area = codeRect(row);
            p.setFont(codeFont);
            p.setPen(codeColour);
            p.drawText(area, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine,
                       codeMetrics.elidedText(shown, Qt::ElideRight, area.width()));
        }
    }
}

int TDBCtrlGrid::rowAt(const QPoint &pos) const
{
    if (!dataSet_ || !dataSet_->active() || pos.x() < 0 || pos.y() < 0)
        return -1;
    const int col = pos.x() / scale_.px(PanelWidth);
    const int line = pos.y() / scale_.px(PanelHeight);
    if (col >= ColCount || line >= RowCount)
        return -1;
    const int row = topRow_ + col * RowCount + line;
    return row < dataSet_->displayRowCount() ? row : -1;
}

void TDBCtrlGrid::mousePressEvent(QMouseEvent *event)
{
    setFocus(Qt::MouseFocusReason);
    const QPoint pos = event->position().toPoint();
    const int row = rowAt(pos);
    if (row < 0)
        return;
    moveTo(row);
    if (dataSet_->currentDisplayRow() == row)
        toggle();
}

void TDBCtrlGrid::keyPressEvent(QKeyEvent *event)
{
    if (keyDown) {
        try {
            keyDown(event->key());
        } catch (const std::exception &error) {
            report(error);
        }
    }
    if (!dataSet_ || !dataSet_->active())
        return;
    const int current = dataSet_->currentDisplayRow();
    const int last = dataSet_->displayRowCount() - 1;
    if (current < 0)
        return;
    int target = current;
    switch (event->key()) {
    case Qt::Key_Up: target = current - 1; break;
    case Qt::Key_Down: target = current + 1; break;
    case Qt::Key_Left: target = current - RowCount; break;
    case Qt::Key_Right: target = current + RowCount; break;
    case Qt::Key_Home: target = 0; break;
    case Qt::Key_End: target = last; break;
    case Qt::Key_PageUp: target = current - PanelsPerPage; break;
    case Qt::Key_PageDown: target = current + PanelsPerPage; break;
    default: QWidget::keyPressEvent(event); return;
    }
    moveTo(std::clamp(target, 0, last));
}

void TDBCtrlGrid::moveTo(int displayRow)
{
    if (displayRow == dataSet_->currentDisplayRow())
        return;
    try {
        dataSet_->gotoDisplayRow(displayRow);
    } catch (const std::exception &error) {
        report(error);
    }
}

void TDBCtrlGrid::toggle()
{
    try {
        data::TField &field = dataSet_->fieldByName(checkField_);
        const bool ticked = field.asString() == CheckedValue;
        dataSet_->edit();
        field.setAsString(ticked ? UncheckedValue : CheckedValue);
        dataSet_->post();
    } catch (const std::exception &error) {
        report(error);
    }
}

void TDBCtrlGrid::scrollToCurrent()
{
    const int current = dataSet_ && dataSet_->active() ? dataSet_->currentDisplayRow() : -1;
    topRow_ = current < 0 ? 0 : (current / PanelsPerPage) * PanelsPerPage;
}

void TDBCtrlGrid::report(const std::exception &error)
{
    reportToHook(onError, error, "board:");
}

} // namespace widgets
