#pragma once
// TClientDataSet: the in-memory record set on which every screen works.
//
// Rows stay in the order in which they were appended (an index definition is kept, never made active).
// At most one row is pending: a new row after append() (dsInsert) or a copy of the current row after
// edit() (dsEdit). post() stores it after the BeforePost hook let it pass; cancel() drops it. Moving
// (first, next, prior, last, locate, setRecNo), append() and data() first "check browse mode": a pending row
// that was changed is posted, an unchanged one is dropped. When that post is vetoed by the hook (EAbort) the
// operation stops there and EAbort travels on to the caller.
//
// Every change is announced through changed(); the data-aware grid and the product board listen to it.

#include "DataPacket.h"
#include "DbError.h"
#include "RecordSource.h"
#include "Value.h"

#include <QObject>

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace data {

class TClientDataSet;
class Filter;

enum class TDataSetState { dsInactive, dsBrowse, dsEdit, dsInsert };

/// One field of an open record set, always reading and writing the current row (or the pending one).
/// Owned by its record set; valid while the set keeps its field definitions.
class TField {
public:
    const std::string &fieldName() const;
    TFieldType dataType() const;
    int size() const;
    int index() const { return index_; }

    /// A read-only field refuses every write with "Field '%s' cannot be modified".
    bool readOnly() const { return readOnly_; }
    void setReadOnly(bool on) { readOnly_ = on; }

    bool isNull() const;
    TValue value() const;
    std::string asString() const;
    std::int32_t asInteger() const;
    double asFloat() const;

    /// Writes go to the pending row; on a set in browse state the current row is put into edit first
    /// (an empty set is appended to). The value is converted to the field's type (see TValue::convertedTo);
    /// for the integer field an empty text stores null.
    void setValue(const TValue &v);
    void setAsString(const std::string &s);
    void setAsInteger(std::int32_t i);
    void clear();

private:
    friend class TClientDataSet;
    TField(TClientDataSet *owner, int index) : owner_(owner), index_(index) {}
    TClientDataSet *owner_;
    int index_;
    bool readOnly_ = false;
};

/// What changed, for the views over a record set. `row` is a display row (see displayRowCount()).
struct DataSetChange {
    enum Kind {
        Reset,        ///< opened, closed, loaded, copied into, filter changed: everything may differ
        RowInserted,  ///< a display row appeared at `row` (a pending append, or a stored row)
        RowRemoved,   ///< the display row at `row` disappeared (a pending append dropped, a row removed)
        RowChanged,   ///< values of the display row at `row` changed
        CurrentMoved, ///< the current row is now `row` (-1: none)
        StateChanged  ///< browse / edit / insert changed
    };
    Kind kind = Reset;
    int row = -1;
};

class TClientDataSet : public QObject {
    Q_OBJECT
public:
    explicit TClientDataSet(QObject *parent = nullptr);
    ~TClientDataSet() override;

    // ---- definition ---------------------------------------------------------------------------------
    std::vector<TFieldDef> &fieldDefs() { return fieldDefs_; }
    const std::vector<TFieldDef> &fieldDefs() const { return fieldDefs_; }
    void addFieldDef(const std::string &name, TFieldType type, int size = 0, bool required = false);
    std::vector<TIndexDef> &indexDefs() { return indexDefs_; }
    void addIndexDef(const std::string &name, const std::string &fields);
    /// Opens an empty set with the current field definitions ("Missing data provider or data packet"
    /// is not raised here: fields are required, "No fields defined" otherwise).
    void createDataSet();

    // ---- open / close ---------------------------------------------------------------------------------
    /// With a provider: sends commandText() to it and fetches (all rows, or packetRecords() at a time as the
    /// set is walked). Field definitions declared before opening are kept as the stored fields and must match
    /// the result in kind: "Type mismatch for field '%s', expecting: %s actual: %s". Without a provider the
    /// set opens on the rows it already holds ("Missing data provider or data packet" when it has none).
    void open();
    void close();
    bool active() const { return state_ != TDataSetState::dsInactive; }
    TDataSetState state() const { return state_; }
    bool modified() const { return modified_; }

    // ---- provider feed ------------------------------------------------------------------------------
    void setProvider(IRecordProvider *provider) { provider_ = provider; }
    IRecordProvider *provider() const { return provider_; }
    void setCommandText(const std::string &text) { commandText_ = text; }
    const std::string &commandText() const { return commandText_; }
    /// -1 (the default): every row at open. N > 0: N rows at open and N more whenever the walk passes
    /// the rows fetched so far.
    void setPacketRecords(int n) { packetRecords_ = n; }
    int packetRecords() const { return packetRecords_; }

    // ---- walking ------------------------------------------------------------------------------------
    void first();
    void next();
    void prior();
    void last();
    bool eof() const { return eof_; }
    bool bof() const { return bof_; }
    bool isEmpty() const;
    /// Rows that pass the filter (a pending append not counted). Rows the provider still holds are fetched
    /// first, so the count is the whole result's.
    int recordCount() const;
    /// Position of the current row among the rows that pass the filter, from 1; 0 when there is none.
    int recNo() const;
    void setRecNo(int recNo);
    /// Exact, case-sensitive match of the value; the field name is matched without regard to case.
    bool locate(const std::string &fieldName, const TValue &value);

    // ---- editing ------------------------------------------------------------------------------------
    void append();
    void edit();
    void post();
    void cancel();
    /// Removes the current row from the set, without the BeforePost hook: a pending new row is dropped as
    /// cancel() drops it, a pending edit goes with its row. The row after it becomes current, or the one
    /// before when it was the last. "Cannot perform this operation on an empty dataset" when there is none.
    void remove();
    /// Posts a changed pending row, drops an unchanged one; nothing in browse state.
    void checkBrowseMode();
    /// Runs before every post; raise EAbort to veto it silently (the row stays pending).
    std::function<void(TClientDataSet &)> beforePost;

    // ---- fields -------------------------------------------------------------------------------------
    int fieldCount() const { return int(fields_.size()); }
    TField &fields(int index);
    /// "Field '%s' not found" when there is none of that name (matched without regard to case).
    TField &fieldByName(const std::string &name);
    TField *findField(const std::string &name);

    // ---- contents, filter, files --------------------------------------------------------------------
    /// The stored contents (a pending row is checked first, as a move would). Fetches any rows still due.
    DataPacket data();
    /// Closes, takes the contents and opens; the current row is the first.
    void setData(const DataPacket &packet);

    /// Expressions of the form FIELD='text' or FIELD=number, joined by AND.
    /// "Invalid filter expression: %s" for anything else.
    void setFilter(const std::string &expression);
    const std::string &filter() const { return filterText_; }
    void setFiltered(bool on);
    bool filtered() const { return filtered_; }

    using FileFormat = PacketFormat;
    /// Written atomically: a failed save leaves the previous file as it was. Errors name the file and the
    /// system's reason.
    void saveToFile(const std::string &path, FileFormat format = FileFormat::Binary);
    /// The form is recognised from the content; a damaged, truncated or foreign file is refused with a
    /// message naming the file and what is wrong, and the set is left as it was.
    void loadFromFile(const std::string &path);

    // ---- display rows (for the grid and the board) --------------------------------------------------
    /// Rows a view shows: the rows passing the filter, plus a pending append at its place.
    int displayRowCount() const;
    /// The display row of the current (or pending) row; -1 when the set is empty or closed.
    int currentDisplayRow() const;
    TValue displayValue(int displayRow, int fieldIndex) const;
    /// Makes the display row current (checking browse mode first, which may raise EAbort).
    void gotoDisplayRow(int displayRow);

signals:
    void changed(const data::DataSetChange &change);

private:
    friend class TField;
    struct Impl;
    void openOnRows();
    void shutDown();
    bool passes(const std::vector<TValue> &row) const;
    void rebuildView();
    /// Fetches up to `count` rows (-1: all) from the provider's source; drops the source when it is done.
    void fetchRows(int count, bool announce);
    /// Fetches until the filtered row `viewIndex` exists or the source is done; whether it exists.
    bool ensureRow(int viewIndex);
    void fetchAll();
    const std::vector<TValue> *currentValues() const;
    void notify(DataSetChange::Kind kind, int row = -1);
    void moveTo(int viewIndex);
    void requireActive() const;
    void setFieldValue(int index, const TValue &value);
    void applyFilter(const Filter *filter, bool on);
    std::unique_ptr<Impl> d;
    std::vector<TFieldDef> fieldDefs_;
    std::vector<TIndexDef> indexDefs_;
    std::vector<std::unique_ptr<TField>> fields_;
    TDataSetState state_ = TDataSetState::dsInactive;
    bool modified_ = false;
    bool eof_ = true;
    bool bof_ = true;
    bool filtered_ = false;
    std::string filterText_;
    IRecordProvider *provider_ = nullptr;
    std::string commandText_;
    int packetRecords_ = -1;
};

} // namespace data
