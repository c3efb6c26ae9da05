#include "DataSetModel.h"

#include "CodePage.h"
#include "ErrorBox.h"

#include <utility>

namespace widgets {

using data::DataSetChange;
using data::TDataSetState;

DataSetModel::DataSetModel(data::TClientDataSet *dataSet, QObject *parent)
    : QAbstractTableModel(parent), dataSet_(dataSet)
{
    connect(dataSet_, &data::TClientDataSet::changed, this, &DataSetModel::dataSetChanged);
    reset();
}

void DataSetModel::setCaption(int column, const QString &caption)
{
    if (column < 0)
        return;
    while (captions_.size() <= column)
        captions_.append(QString());
    captions_[column] = caption;
    emit headerDataChanged(Qt::Horizontal, column, column);
}

bool DataSetModel::fieldsAvailable() const
{
    return dataSet_->active() && dataSet_->fieldCount() > 0;
}

void DataSetModel::reset()
{
    beginResetModel();
    rows_ = fieldsAvailable() ? dataSet_->displayRowCount() : 0;
    columns_ = dataSet_->active() ? dataSet_->fieldCount() : 0;
    markedRow_ = dataSet_->currentDisplayRow();
    endResetModel();
}

void DataSetModel::setPaused(bool paused)
{
    paused_ = paused;
    if (!paused_ && std::exchange(missed_, false))
        reset();
}

// Only the rows whose mark changes are announced: for an announcement of every row the view measures the
// header text of every row, which made each move of a long walk cost as much as all the rest.
void DataSetModel::markCurrentRow()
{
    const int row = dataSet_->currentDisplayRow();
    if (markedRow_ >= 0 && markedRow_ < rows_ && markedRow_ != row)
        emit headerDataChanged(Qt::Vertical, markedRow_, markedRow_);
    markedRow_ = row;
    if (row >= 0 && row < rows_)
        emit headerDataChanged(Qt::Vertical, row, row);
}

void DataSetModel::dataSetChanged(const DataSetChange &change)
{
    if (paused_) {
        missed_ = true;
        return;
    }
    const int rows = fieldsAvailable() ? dataSet_->displayRowCount() : 0;
    const int columns = dataSet_->active() ? dataSet_->fieldCount() : 0;
    switch (change.kind) {
    case DataSetChange::RowInserted:
        if (columns == columns_ && rows == rows_ + 1 && change.row >= 0 && change.row <= rows_) {
            beginInsertRows({}, change.row, change.row);
            rows_ = rows;
            if (markedRow_ >= change.row)
                ++markedRow_;
            endInsertRows();
            return;
        }
        break;
    case DataSetChange::RowRemoved:
        if (columns == columns_ && rows == rows_ - 1 && change.row >= 0 && change.row < rows_) {
            beginRemoveRows({}, change.row, change.row);
            rows_ = rows;
            if (markedRow_ == change.row)
                markedRow_ = -1;
            else if (markedRow_ > change.row)
                --markedRow_;
            endRemoveRows();
            return;
        }
        break;
    case DataSetChange::RowChanged:
        if (columns == columns_ && rows == rows_) {
            if (change.row >= 0 && change.row < rows_)
                emit dataChanged(index(change.row, 0), index(change.row, columns_ - 1));
            return;
        }
        break;
    case DataSetChange::CurrentMoved:
    case DataSetChange::StateChanged:
        if (columns == columns_ && rows == rows_) {
            markCurrentRow();
            return;
        }
        break;
    case DataSetChange::Reset:
        break;
    }
    reset(); // anything the announcement does not account for
}

int DataSetModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : rows_;
}

int DataSetModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : columns_;
}

QVariant DataSetModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= rows_ || index.column() >= columns_ ||
        index.column() >= dataSet_->fieldCount())
        return {};
    if (role == Qt::TextAlignmentRole) { // numbers line up on the right, text on the left
        const bool text = dataSet_->fields(index.column()).dataType() == data::TFieldType::ftString;
        return QVariant::fromValue(Qt::AlignVCenter | (text ? Qt::AlignLeft : Qt::AlignRight));
    }
    if (role != Qt::DisplayRole && role != Qt::EditRole)
        return {};
    return decodeText(dataSet_->displayValue(index.row(), index.column()).asString());
}

QVariant DataSetModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (role != Qt::DisplayRole)
        return {};
    if (orientation == Qt::Horizontal) {
        if (section < 0 || section >= columns_)
            return {};
        if (section < captions_.size() && !captions_[section].isEmpty())
            return captions_[section];
        return decodeText(dataSet_->fields(section).fieldName());
    }
    // The indicator column: the current row's mark tells browsing, editing and a pending append apart.
    if (section != dataSet_->currentDisplayRow())
        return QString();
    switch (dataSet_->state()) {
    case TDataSetState::dsEdit:
        return QStringLiteral("I");
    case TDataSetState::dsInsert:
        return QStringLiteral("*");
    default:
        return QStringLiteral("▶");
    }
}

Qt::ItemFlags DataSetModel::flags(const QModelIndex &index) const
{
    Qt::ItemFlags f = QAbstractTableModel::flags(index);
    if (index.isValid() && index.column() < columns_ && index.column() < dataSet_->fieldCount() &&
        !dataSet_->fields(index.column()).readOnly())
        f |= Qt::ItemIsEditable;
    return f;
}

bool DataSetModel::setData(const QModelIndex &index, const QVariant &value, int role)
{
    if (role != Qt::EditRole)
        return false;
    try {
        return writeText(index, value.toString());
    } catch (const data::EAbort &) {
        return false;
    } catch (const std::exception &error) {
        report(error);
        return false;
    }
}

bool DataSetModel::writeText(const QModelIndex &index, const QString &text)
{
    if (!index.isValid() || index.row() >= rows_ || index.column() >= columns_)
        return false;
    if (text == data(index, Qt::EditRole).toString())
        return false;
    const auto bytes = encodeText(text);
    if (!bytes)
        throw data::EDatabaseError("'" + text.toStdString() + "' holds characters that cannot be stored");
    if (index.row() != dataSet_->currentDisplayRow())
        dataSet_->gotoDisplayRow(index.row());
    dataSet_->fields(index.column()).setAsString(*bytes);
    return true;
}

void DataSetModel::report(const std::exception &error)
{
    reportToHook(onError, error, "record set:");
}

} // namespace widgets
