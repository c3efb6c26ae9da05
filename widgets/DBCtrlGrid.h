#pragma once
// TDBCtrlGrid: a board of panels over a record set, one panel per display row, 5 columns of 20 panels
// filled column by column. Each panel carries a check box bound to one field, a text bound to another and,
// in a second, smaller line, a third field (the product code). A touch anywhere on a panel makes it current
// and toggles its check box. The board paints its panels itself and follows every change of the record set.

#include "data/ClientDataSet.h"
#include "widgets/DesignScale.h"

#include <QWidget>

#include <exception>
#include <functional>
#include <string>

namespace widgets {

class TDBCtrlGrid : public QWidget {
    Q_OBJECT
public:
    static constexpr int ColCount = 5;
    static constexpr int RowCount = 20;
    static constexpr int PanelsPerPage = ColCount * RowCount;
    /// A panel's size in design units.
    static constexpr int PanelWidth = 133;
    static constexpr int PanelHeight = 24;
    static constexpr char CheckedValue[] = "True";
    static constexpr char UncheckedValue[] = "False";

    explicit TDBCtrlGrid(QWidget *parent = nullptr);

    /// The record set must outlive the board, or be replaced first.
    void setDataSet(data::TClientDataSet *dataSet);
    data::TClientDataSet *dataSet() const { return dataSet_; }
    void setCheckField(const std::string &name) { checkField_ = name; update(); }
    void setTextField(const std::string &name) { textField_ = name; update(); }
    void setCodeField(const std::string &name) { codeField_ = name; update(); }
    /// Panels, their check boxes and texts grow with the screen's scale.
    void setScale(const DesignScale &scale);
    const DesignScale &scale() const { return scale_; }

    /// Every key that goes down in the board, before the board moves its current row.
    std::function<void(int key)> keyDown;
    /// Receives the failures of the record set met while the operator works the board; the silent abort
    /// of a vetoed post is not reported.
    std::function<void(const std::exception &error)> onError;

    /// The first display row on the board (a multiple of 100).
    int topRow() const { return topRow_; }
    /// Where a display row's panel, check box, text and code line sit; empty when the row is not on the board.
    QRect panelRect(int displayRow) const;
    QRect checkBoxRect(int displayRow) const;
    QRect textRect(int displayRow) const;
    QRect codeRect(int displayRow) const;
    bool isChecked(int displayRow) const;

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    int rowAt(const QPoint &pos) const;
    void moveTo(int displayRow);
    void toggle();
    void scrollToCurrent();
    void report(const std::exception &error);

    data::TClientDataSet *dataSet_ = nullptr;
    std::string checkField_ = "DEL_FLAG";
    std::string textField_ = "PROD_SNAME";
    std::string codeField_ = "PROD_ID";
    int topRow_ = 0;
    DesignScale scale_;
};

} // namespace widgets
