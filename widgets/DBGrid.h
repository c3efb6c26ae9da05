#pragma once
// TDBGrid: the data-aware grid over a record set. The record set is the keeper of the data; the grid
// follows its current row, and moving the cell cursor to another line makes that line current, which
// posts a changed line through the record set's before-post check. A vetoed post keeps the cursor where
// it was. Tab moves on, moving past the last line appends one; Enter ends the cell's editing and goes to
// the key hook; Escape cancels the pending edit.
//
// A number cell's editor takes whole numbers only. What a cell editor holds is taken when its editing ends;
// a text the record set does not take (a number beyond 32 bits, a failure of the set) is dropped, the cell
// cursor stays on its cell, and the refusal is reported from the event loop once the editing is over: no
// message box runs while Qt still holds the editor.

#include "data/ClientDataSet.h"

#include <QPersistentModelIndex>
#include <QPointer>
#include <QTableView>

#include <exception>
#include <functional>

namespace widgets {

class DataSetModel;

class TDBGrid : public QTableView {
    Q_OBJECT
public:
    explicit TDBGrid(QWidget *parent = nullptr);

    /// The record set must outlive the grid, or be replaced first.
    void setDataSet(data::TClientDataSet *dataSet);
    data::TClientDataSet *dataSet() const { return dataSet_; }
    DataSetModel *dataSetModel() const { return model_; }
    void setColumn(int column, const QString &caption, int width);
    /// The height of every line and the width of the current-line mark beside them, in pixels.
    void setRowHeight(int pixels);
    void setIndicatorWidth(int pixels);

    /// Each typed character, before the grid acts on it; setting it to QChar() swallows the key.
    std::function<void(QChar &key)> keyPressed;
    /// Every movement of the pointer over the cells.
    std::function<void(Qt::KeyboardModifiers modifiers, const QPoint &pos)> mouseMoved;
    /// A press of the pointer (a touch) on a cell, once the cell cursor stands on it; not called when the
    /// cursor could not go there. Returning true takes the press: the pointer then opens no cell editor on
    /// that cell (the keyboard still does).
    std::function<bool(const QModelIndex &cell)> cellPressed;
    /// A text typed into a number cell was no whole number of 32 bits; the cell kept its value.
    std::function<void()> entryRefused;
    /// Receives every failure of the record set met while the operator works the grid; the silent abort
    /// of a vetoed post is not reported.
    std::function<void(const std::exception &error)> onError;

    /// Hints are shown only when switched on.
    void setShowHint(bool on) { showHint_ = on; }
    bool showHint() const { return showHint_; }
    void setHintText(const QString &text);
    const QString &hintText() const { return hintText_; }
    void hideHint();

    /// The Tab movement: the next cell, after the last column the first cell of the next line.
    void moveNext();
    void movePrevious();
    /// Drops an open cell editor with its text and the pending edit of the record set, restoring the
    /// line's values.
    void cancelEdit();

    /// Keeps the grid still while a whole operation walks or fills its record set line by line (a
    /// proposal, a merge, a posting): while a pause lives the grid neither follows nor paints the record
    /// set's changes; when the last one ends the grid shows the set as it is then, with the current line in
    /// view. An open cell editor is taken first. Pauses nest; the grid must outlive them.
    class Pause {
    public:
        explicit Pause(TDBGrid &grid);
        ~Pause();
        Pause(const Pause &) = delete;
        Pause &operator=(const Pause &) = delete;

    private:
        TDBGrid &grid_;
    };

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void inputMethodEvent(QInputMethodEvent *event) override;
    void wheelEvent(QWheelEvent *event) override;
    bool viewportEvent(QEvent *event) override;
    bool edit(const QModelIndex &index, EditTrigger trigger, QEvent *event) override;

private:
    friend class GridDelegate;
    friend class CurrentCellSelection;

    bool enterRow(int row);
    void moveToCell(int row, int column);
    void appendLine(int column);
    void followDataSet();
    bool isNumberColumn(int column) const;
    /// Takes the text of a cell editor into the record set, or refuses it.
    void takeEntry(const QModelIndex &index, const QString &text);
    /// Reports a refused entry from the event loop; until then the cell cursor stays.
    void refuseEntry(std::function<void()> report);
    /// The cell editor while it is open (a closed one lingers until it is deleted).
    QWidget *liveEditor() const;
    /// Takes what the open cell editor holds and closes it; false when the text was refused.
    bool closeOpenEditor();
    bool typeKey(QKeyEvent *event);
    void report(const std::exception &error);

    data::TClientDataSet *dataSet_ = nullptr;
    DataSetModel *model_ = nullptr;
    QPointer<QWidget> openEditor_;
    QPersistentModelIndex pressTaken_;
    std::function<void()> refusal_;
    QString hintText_;
    bool showHint_ = false;
    bool following_ = false;
    bool forwardingKey_ = false;
    int pauses_ = 0;
};

} // namespace widgets
