#include "DBGrid.h"

#include "DataSetModel.h"
#include "ErrorBox.h"
#include "WholeNumber.h"

#include <QCoreApplication>
#include <QHeaderView>
#include <QHelpEvent>
#include <QInputMethodEvent>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QLineEdit>
#include <QStyledItemDelegate>
#include <QToolTip>

#include <utility>

namespace widgets {

using data::TDataSetState;

namespace {

constexpr int IndicatorWidth = 14;
constexpr int RowHeight = 20;

/// The current-row mark beside the lines. Its width is fixed, so the grid never measures its texts: with
/// thousands of lines that measuring cost more than all the rest of a move.
class IndicatorHeader : public QHeaderView {
public:
    explicit IndicatorHeader(QWidget *parent) : QHeaderView(Qt::Vertical, parent)
    {
        setSectionsClickable(true);
        setHighlightSections(true);
        setMinimumSectionSize(1);
        setDefaultSectionSize(RowHeight);
        setSectionResizeMode(QHeaderView::Fixed);
        setFixedWidth(IndicatorWidth);
        setDefaultAlignment(Qt::AlignCenter);
    }
    QSize sizeHint() const override { return {width(), defaultSectionSize()}; }
};

} // namespace

/// Lets the cell cursor leave its line only when the record set lets the line go, and keeps the
/// selection on the cursor's cell.
class CurrentCellSelection : public QItemSelectionModel {
public:
    CurrentCellSelection(QAbstractItemModel *model, TDBGrid *grid) : QItemSelectionModel(model, grid), grid_(grid) {}

    void setCurrentIndex(const QModelIndex &index, QItemSelectionModel::SelectionFlags) override
    {
        if (index.isValid() && !grid_->enterRow(index.row()))
            return;
        selecting_ = true;
        QItemSelectionModel::setCurrentIndex(index, index.isValid() ? ClearAndSelect : NoUpdate);
        selecting_ = false;
    }

    void select(const QItemSelection &selection, QItemSelectionModel::SelectionFlags command) override
    {
        if (selecting_)
            QItemSelectionModel::select(selection, command);
    }
    using QItemSelectionModel::select;

private:
    TDBGrid *grid_;
    bool selecting_ = false;
};

/// The cell editor's keys: Tab and Enter move on, Escape cancels the line's edit, Up and Down leave the
/// line; every typed character goes to the grid's key hook first. A number cell's editor takes whole
/// numbers only, and the grid takes or refuses what an editor holds.
class GridDelegate : public QStyledItemDelegate {
public:
    explicit GridDelegate(TDBGrid *grid) : QStyledItemDelegate(grid), grid_(grid) {}

    QWidget *createEditor(QWidget *parent, const QStyleOptionViewItem &option, const QModelIndex &index) const override
    {
        QWidget *editor = QStyledItemDelegate::createEditor(parent, option, index);
        if (auto *line = qobject_cast<QLineEdit *>(editor); line && grid_->isNumberColumn(index.column()))
            line->setValidator(new WholeNumberValidator(line));
        grid_->openEditor_ = editor;
        return editor;
    }

    void setModelData(QWidget *editor, QAbstractItemModel *model, const QModelIndex &index) const override
    {
        if (auto *line = qobject_cast<QLineEdit *>(editor))
            grid_->takeEntry(index, line->text());
        else
            QStyledItemDelegate::setModelData(editor, model, index);
    }

protected:
    bool eventFilter(QObject *object, QEvent *event) override
    {
        auto *editor = qobject_cast<QWidget *>(object);
        if (!editor || event->type() != QEvent::KeyPress)
            return QStyledItemDelegate::eventFilter(object, event);
        auto *key = static_cast<QKeyEvent *>(event);
        if (!grid_->forwardingKey_ && !grid_->typeKey(key))
            return true;
        switch (key->key()) {
        case Qt::Key_Return:
        case Qt::Key_Enter:
            finish(editor);
            return true;
        case Qt::Key_Tab:
            finish(editor);
            grid_->moveNext();
            return true;
        case Qt::Key_Backtab:
            finish(editor);
            grid_->movePrevious();
            return true;
        case Qt::Key_Up:
        case Qt::Key_Down: {
            finish(editor);
            const QModelIndex cur = grid_->currentIndex();
            grid_->moveToCell(cur.row() + (key->key() == Qt::Key_Up ? -1 : 1), cur.column());
            return true;
        }
        case Qt::Key_Escape:
            emit closeEditor(editor, QAbstractItemDelegate::RevertModelCache);
            grid_->cancelEdit();
            return true;
        default:
            return QStyledItemDelegate::eventFilter(object, event);
        }
    }

private:
    void finish(QWidget *editor)
    {
        const QPointer<QWidget> alive(editor);
        emit commitData(editor);
        if (alive)
            emit closeEditor(editor, QAbstractItemDelegate::NoHint);
    }

    TDBGrid *grid_;
};

TDBGrid::TDBGrid(QWidget *parent) : QTableView(parent)
{
    setItemDelegate(new GridDelegate(this));
    setSelectionMode(SingleSelection);
    setSelectionBehavior(SelectItems);
    setEditTriggers(AnyKeyPressed | DoubleClicked | EditKeyPressed | SelectedClicked);
    setTabKeyNavigation(true);
    setShowGrid(true);
    setStyleSheet(QStringLiteral("QTableView { gridline-color: %1; }")
                      .arg(palette().color(QPalette::WindowText).name()));
    setVerticalHeader(new IndicatorHeader(this));
    setMouseTracking(true);
    viewport()->setMouseTracking(true);
}

void TDBGrid::setDataSet(data::TClientDataSet *dataSet)
{
    if (dataSet_)
        disconnect(dataSet_, nullptr, this, nullptr);
    QItemSelectionModel *oldSelection = selectionModel();
    DataSetModel *oldModel = model_;
    dataSet_ = dataSet;
    model_ = dataSet ? new DataSetModel(dataSet, this) : nullptr;
    setModel(model_);
    if (model_) {
        model_->onError = [this](const std::exception &error) { report(error); };
        setSelectionModel(new CurrentCellSelection(model_, this));
        // Connected after the model, so the model has taken the change in when the cursor follows.
        connect(dataSet_, &data::TClientDataSet::changed, this, [this](const data::DataSetChange &change) {
            if (change.kind != data::DataSetChange::RowChanged && change.kind != data::DataSetChange::StateChanged)
                followDataSet();
        });
    }
    delete oldSelection;
    delete oldModel;
    followDataSet();
}

void TDBGrid::setRowHeight(int pixels)
{
    verticalHeader()->setDefaultSectionSize(pixels);
}

void TDBGrid::setIndicatorWidth(int pixels)
{
    verticalHeader()->setFixedWidth(pixels);
}

void TDBGrid::setColumn(int column, const QString &caption, int width)
{
    if (!model_)
        return;
    model_->setCaption(column, caption);
    setColumnWidth(column, width);
}

void TDBGrid::followDataSet()
{
    if (!model_ || pauses_ > 0)
        return;
    const int row = dataSet_->currentDisplayRow();
    if (row < 0 || row >= model_->rowCount() || model_->columnCount() == 0)
        return;
    const QModelIndex cur = currentIndex();
    if (cur.isValid() && cur.row() == row)
        return;
    // The record set was moved under an open editor: its text belongs to a line that is no longer current.
    if (QWidget *editor = liveEditor())
        closeEditor(editor, QAbstractItemDelegate::RevertModelCache);
    following_ = true;
    selectionModel()->setCurrentIndex(model_->index(row, cur.isValid() ? cur.column() : 0),
                                      QItemSelectionModel::ClearAndSelect);
    following_ = false;
}

bool TDBGrid::enterRow(int row)
{
    if (!dataSet_ || following_)
        return true;
    if (refusal_)
        return false;
    if (row == dataSet_->currentDisplayRow())
        return true;
    if (!closeOpenEditor())
        return false;
    try {
        dataSet_->gotoDisplayRow(row);
        return row == dataSet_->currentDisplayRow();
    } catch (const std::exception &error) {
        report(error);
        return false;
    }
}

bool TDBGrid::isNumberColumn(int column) const
{
    return dataSet_ && column >= 0 && column < dataSet_->fieldCount() &&
           dataSet_->fields(column).dataType() == data::TFieldType::ftInteger;
}

void TDBGrid::takeEntry(const QModelIndex &index, const QString &text)
{
    QString entry = text;
    if (isNumberColumn(index.column())) {
        const std::optional<data::TValue> value = wholeNumber(text);
        if (!value) {
            refuseEntry([this] {
                if (entryRefused)
                    entryRefused();
            });
            return;
        }
        entry = QString::fromStdString(value->asString());
    }
    try {
        model_->writeText(index, entry);
    } catch (const std::exception &) {
        refuseEntry([this, error = std::current_exception()] {
            try {
                std::rethrow_exception(error);
            } catch (const std::exception &e) {
                report(e);
            }
        });
    }
}

void TDBGrid::refuseEntry(std::function<void()> report)
{
    const bool queued = bool(refusal_);
    refusal_ = std::move(report);
    if (!queued)
        QMetaObject::invokeMethod(this, [this] { std::exchange(refusal_, {})(); }, Qt::QueuedConnection);
}

QWidget *TDBGrid::liveEditor() const
{
    return openEditor_ && openEditor_->isVisible() ? openEditor_.data() : nullptr;
}

bool TDBGrid::closeOpenEditor()
{
    if (QWidget *editor = liveEditor()) {
        commitData(editor);
        if (openEditor_)
            closeEditor(editor, QAbstractItemDelegate::NoHint);
    }
    return !refusal_;
}

void TDBGrid::moveToCell(int row, int column)
{
    if (!model_ || refusal_ || column < 0 || column >= model_->columnCount() || row < 0)
        return;
    if (row >= model_->rowCount()) {
        appendLine(column);
        return;
    }
    selectionModel()->setCurrentIndex(model_->index(row, column), QItemSelectionModel::ClearAndSelect);
}

void TDBGrid::appendLine(int column)
{
    if (!dataSet_ || !dataSet_->active() || dataSet_->fieldCount() == 0)
        return;
    if (dataSet_->state() == TDataSetState::dsInsert && !dataSet_->modified())
        return; // the blank line at the end is already there
    if (!closeOpenEditor())
        return;
    try {
        dataSet_->append();
    } catch (const std::exception &error) {
        report(error);
        return;
    }
    const int row = dataSet_->currentDisplayRow();
    if (row >= 0 && row < model_->rowCount())
        selectionModel()->setCurrentIndex(model_->index(row, column), QItemSelectionModel::ClearAndSelect);
}

void TDBGrid::moveNext()
{
    const QModelIndex cur = currentIndex();
    if (!cur.isValid())
        return;
    if (cur.column() + 1 < model_->columnCount())
        moveToCell(cur.row(), cur.column() + 1);
    else
        moveToCell(cur.row() + 1, 0);
}

void TDBGrid::movePrevious()
{
    const QModelIndex cur = currentIndex();
    if (!cur.isValid())
        return;
    if (cur.column() > 0)
        moveToCell(cur.row(), cur.column() - 1);
    else if (cur.row() > 0)
        moveToCell(cur.row() - 1, model_->columnCount() - 1);
}

void TDBGrid::cancelEdit()
{
    if (QWidget *editor = liveEditor())
        closeEditor(editor, QAbstractItemDelegate::RevertModelCache);
    if (!dataSet_ || (dataSet_->state() != TDataSetState::dsEdit && dataSet_->state() != TDataSetState::dsInsert))
        return;
    try {
        dataSet_->cancel();
    } catch (const std::exception &error) {
        report(error);
    }
    followDataSet();
}

// Hands a typed character to the key hook; false when the hook swallowed it.
bool TDBGrid::typeKey(QKeyEvent *event)
{
    if (!keyPressed || event->text().isEmpty())
        return true;
    QChar key = event->text().front();
    try {
        keyPressed(key);
    } catch (const std::exception &error) {
        report(error);
    }
    return !key.isNull();
}

void TDBGrid::keyPressEvent(QKeyEvent *event)
{
    if (!typeKey(event))
        return;
    const QModelIndex cur = currentIndex();
    switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        return; // the key hook decides what Enter does
    case Qt::Key_Tab:
        moveNext();
        return;
    case Qt::Key_Backtab:
        movePrevious();
        return;
    case Qt::Key_Escape:
        cancelEdit();
        return;
    case Qt::Key_Down:
        if (cur.isValid() && cur.row() + 1 == model_->rowCount()) {
            appendLine(cur.column());
            return;
        }
        break;
    default:
        break;
    }
    forwardingKey_ = true; // a key that opens the cell editor reaches it once more; the hook has had it
    QTableView::keyPressEvent(event);
    forwardingKey_ = false;
}

void TDBGrid::mouseMoveEvent(QMouseEvent *event)
{
    if (mouseMoved) {
        try {
            mouseMoved(event->modifiers(), event->position().toPoint());
        } catch (const std::exception &error) {
            report(error);
        }
    }
    QTableView::mouseMoveEvent(event);
}

void TDBGrid::mousePressEvent(QMouseEvent *event)
{
    pressTaken_ = QPersistentModelIndex();
    QTableView::mousePressEvent(event);
    const QModelIndex cell = indexAt(event->position().toPoint());
    if (event->button() != Qt::LeftButton || !cellPressed || !cell.isValid() || cell != currentIndex())
        return;
    try {
        if (cellPressed(cell))
            pressTaken_ = cell;
    } catch (const std::exception &error) {
        report(error);
    }
}

void TDBGrid::inputMethodEvent(QInputMethodEvent *event)
{
    // The item view opens the cell editor for a commit of the input method but does not hand the commit on:
    // the first character typed so would be lost.
    if (state() != EditingState && !event->commitString().isEmpty() && edit(currentIndex(), AnyKeyPressed, event)) {
        if (openEditor_)
            QCoreApplication::sendEvent(openEditor_, event);
        return;
    }
    QTableView::inputMethodEvent(event);
}

bool TDBGrid::edit(const QModelIndex &index, EditTrigger trigger, QEvent *event)
{
    if ((trigger == SelectedClicked || trigger == DoubleClicked) && index.isValid() && index == pressTaken_)
        return false; // the cell's press hook took the pointer
    return QTableView::edit(index, trigger, event);
}

void TDBGrid::wheelEvent(QWheelEvent *event)
{
    event->accept(); // the wheel does not scroll this grid
}

bool TDBGrid::viewportEvent(QEvent *event)
{
    if (event->type() == QEvent::ToolTip) {
        if (!showHint_ || hintText_.isEmpty())
            QToolTip::hideText();
        else
            QToolTip::showText(static_cast<QHelpEvent *>(event)->globalPos(),
                               QString(hintText_).replace(QChar('\r'), QChar('\n')), viewport());
        return true;
    }
    return QTableView::viewportEvent(event);
}

void TDBGrid::setHintText(const QString &text)
{
    hintText_ = text;
}

void TDBGrid::hideHint()
{
    QToolTip::hideText();
}

void TDBGrid::report(const std::exception &error)
{
    reportToHook(onError, error, "grid:");
}

TDBGrid::Pause::Pause(TDBGrid &grid) : grid_(grid)
{
    grid_.closeOpenEditor();
    if (grid_.pauses_++ > 0)
        return;
    grid_.setUpdatesEnabled(false);
    if (grid_.model_)
        grid_.model_->setPaused(true);
}

TDBGrid::Pause::~Pause()
{
    if (--grid_.pauses_ > 0)
        return;
    if (grid_.model_)
        grid_.model_->setPaused(false);
    grid_.setUpdatesEnabled(true);
    grid_.followDataSet();
    // Lines added while paused may have scrolled the view; the current line is what the operator sees.
    if (grid_.currentIndex().isValid())
        grid_.scrollTo(grid_.currentIndex());
}

} // namespace widgets
