#pragma once
// DataSetModel: a record set seen as a table, one column per field in field order, one row per display row
// (the pending append included). Reads and writes go through the record set; nothing is kept here but the
// column captions and the row that carries the current-row mark.

#include "data/ClientDataSet.h"

#include <QAbstractTableModel>
#include <QStringList>

#include <exception>
#include <functional>

namespace widgets {

class DataSetModel : public QAbstractTableModel {
    Q_OBJECT
public:
    /// The record set must outlive the model.
    explicit DataSetModel(data::TClientDataSet *dataSet, QObject *parent = nullptr);

    data::TClientDataSet *dataSet() const { return dataSet_; }
    void setCaption(int column, const QString &caption);

    /// Receives the failures of writes made through setData; a vetoed post (EAbort) is not reported.
    std::function<void(const std::exception &)> onError;

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;
    /// Writes the text into the field of the row (making the row current first); unchanged text writes
    /// nothing, so bytes the code page cannot show are never replaced. Failures go to onError.
    bool setData(const QModelIndex &index, const QVariant &value, int role = Qt::EditRole) override;
    /// The same write, raising what the record set raises; whether anything was written.
    bool writeText(const QModelIndex &index, const QString &text);

    /// While paused the model passes no change of the record set on; resuming announces one reset when
    /// anything changed meanwhile. Until then the views see the rows as they were (rows that have gone read
    /// as empty).
    void setPaused(bool paused);

private:
    void dataSetChanged(const data::DataSetChange &change);
    void markCurrentRow();
    void reset();
    bool fieldsAvailable() const;
    void report(const std::exception &error);

    data::TClientDataSet *dataSet_;
    QStringList captions_;
    int rows_ = 0;
    int columns_ = 0;
    int markedRow_ = -1;
    bool paused_ = false;
    bool missed_ = false;
};

} // namespace widgets
