#include "ClientDataSet.h"

#include "CodePage.h"
#include "Filter.h"
#include "RecordSetFile.h"

namespace data {

namespace {

[[noreturn]] void closedDataSet() { throw EDatabaseError("Cannot perform this operation on a closed dataset"); }

} // namespace

struct TClientDataSet::Impl {
    std::vector<std::vector<TValue>> rows; // stored rows, in append order
    bool hasData = false;                  // rows (possibly none) came from somewhere: the set can open
    std::vector<int> view;                 // stored rows passing the filter, in order
    int pos = -1;                          // current place in view; -1 when there is none
    std::vector<TValue> pending;           // the row being edited or appended
    std::unique_ptr<IRecordSource> source; // set while the provider still has rows for us
    std::vector<int> sourceColumn;         // for each stored field, its column in the source
    std::vector<TFieldDef> takenDefs;      // the defs last taken from a result or packet, not declared
    std::optional<Filter> filter;          // as read from filterText_
    std::optional<Filter> activeFilter;    // bound to the fields while the set is open and filtered
};

// ---- TField ----------------------------------------------------------------------------------------------

const std::string &TField::fieldName() const { return owner_->fieldDefs_[index_].name; }
TFieldType TField::dataType() const { return owner_->fieldDefs_[index_].type; }
int TField::size() const { return owner_->fieldDefs_[index_].size; }

TValue TField::value() const
{
    if (!owner_->active())
        closedDataSet();
    const std::vector<TValue> *row = owner_->currentValues();
    return row ? (*row)[index_] : TValue();
}

bool TField::isNull() const { return value().isNull(); }
std::string TField::asString() const { return value().asString(); }
std::int32_t TField::asInteger() const { return value().asInteger(); }
double TField::asFloat() const { return value().asFloat(); }

void TField::setValue(const TValue &v) { owner_->setFieldValue(index_, v); }
void TField::setAsString(const std::string &s) { setValue(TValue(s)); }
void TField::setAsInteger(std::int32_t i) { setValue(TValue(i)); }
void TField::clear() { setValue(TValue()); }

// ---- definition -----------------------------------------------------------------------------------------

TClientDataSet::TClientDataSet(QObject *parent) : QObject(parent), d(std::make_unique<Impl>()) {}

TClientDataSet::~TClientDataSet() = default;

void TClientDataSet::addFieldDef(const std::string &name, TFieldType type, int size, bool required)
{
    fieldDefs_.push_back({name, type, size, required});
}

void TClientDataSet::addIndexDef(const std::string &name, const std::string &fields)
{
    indexDefs_.push_back({name, fields});
}

void TClientDataSet::createDataSet()
{
    if (fieldDefs_.empty())
        throw EDatabaseError("No fields defined");
    shutDown();
    d->rows.clear();
    d->hasData = true;
    d->takenDefs.clear();
    openOnRows();
}

// ---- open / close ---------------------------------------------------------------------------------------

void TClientDataSet::open()
{
    if (active())
        return;
    if (provider_) {
        std::unique_ptr<IRecordSource> source = provider_->open(commandText_);
        const std::vector<TFieldDef> &result = source->fieldDefs();
        const bool declared = !fieldDefs_.empty() && fieldDefs_ != d->takenDefs;
        std::vector<int> columns;
        if (declared) {
            for (const TFieldDef &def : fieldDefs_) {
                int column = -1;
                for (std::size_t c = 0; c < result.size() && column < 0; ++c)
                    if (sameName(result[c].name, def.name))
                        column = int(c);
                if (column < 0)
                    throw EDatabaseError(formatMessage("Field '%s' not found", def.name));
                if (result[column].type != def.type)
                    throw EDatabaseError("Type mismatch for field '" + def.name + "', expecting: " +
                                         fieldTypeName(def.type) + " actual: " + fieldTypeName(result[column].type));
                columns.push_back(column);
            }
        } else {
            fieldDefs_ = result;
            d->takenDefs = result;
            for (std::size_t c = 0; c < result.size(); ++c)
                columns.push_back(int(c));
        }
        d->rows.clear();
        d->source = std::move(source);
        d->sourceColumn = std::move(columns);
        d->hasData = true;
        fetchRows(packetRecords_ > 0 ? packetRecords_ : -1, false);
    } else if (!d->hasData) {
        throw EDatabaseError("Missing data provider or data packet");
    }
    try {
        openOnRows();
    } catch (...) {
        d->source.reset();
        throw;
    }
}

void TClientDataSet::openOnRows()
{
    bool sameFields = fields_.size() == fieldDefs_.size();
    for (std::size_t i = 0; sameFields && i < fields_.size(); ++i)
        sameFields = fields_[i]->fieldName() == fieldDefs_[i].name;
    if (!sameFields) {
        fields_.clear();
        for (std::size_t i = 0; i < fieldDefs_.size(); ++i)
            fields_.push_back(std::unique_ptr<TField>(new TField(this, int(i))));
    }
    d->activeFilter.reset();
    if (filtered_ && d->filter) {
        Filter bound = *d->filter;
        bound.bind(fieldDefs_);
        d->activeFilter = std::move(bound);
    }
    rebuildView();
    ensureRow(0);
    state_ = TDataSetState::dsBrowse;
    modified_ = false;
    d->pos = d->view.empty() ? -1 : 0;
    bof_ = true;
    eof_ = d->view.empty();
    notify(DataSetChange::Reset);
}

void TClientDataSet::close()
{
    if (!active())
        return;
    shutDown();
    notify(DataSetChange::Reset);
}

void TClientDataSet::shutDown()
{
    state_ = TDataSetState::dsInactive;
    modified_ = false;
    d->pending.clear();
    d->source.reset();
    d->view.clear();
    d->activeFilter.reset();
    d->pos = -1;
    eof_ = bof_ = true;
}

// ---- rows and the provider ------------------------------------------------------------------------------

bool TClientDataSet::passes(const std::vector<TValue> &row) const
{
    return !d->activeFilter || d->activeFilter->matches(row);
}

void TClientDataSet::rebuildView()
{
    d->view.clear();
    for (std::size_t i = 0; i < d->rows.size(); ++i)
        if (passes(d->rows[i]))
            d->view.push_back(int(i));
}

void TClientDataSet::fetchRows(int count, bool announce)
{
    std::vector<TValue> incoming;
    for (int fetched = 0; d->source && (count < 0 || fetched < count); ++fetched) {
        incoming.clear();
        if (!d->source->fetch(incoming)) {
            d->source.reset(); // frees the statement behind it
            break;
        }
        std::vector<TValue> row;
        row.reserve(d->sourceColumn.size());
        for (const int column : d->sourceColumn)
            row.push_back(column < int(incoming.size()) ? std::move(incoming[column]) : TValue());
        d->rows.push_back(std::move(row));
        if (passes(d->rows.back())) {
            d->view.push_back(int(d->rows.size() - 1));
            if (announce)
                notify(DataSetChange::RowInserted, int(d->view.size() - 1));
        }
    }
}

bool TClientDataSet::ensureRow(int viewIndex)
{
    while (viewIndex >= int(d->view.size()) && d->source)
        fetchRows(packetRecords_ > 0 ? packetRecords_ : -1, active());
    return viewIndex >= 0 && viewIndex < int(d->view.size());
}

void TClientDataSet::fetchAll()
{
    if (d->source)
        fetchRows(-1, active());
}

const std::vector<TValue> *TClientDataSet::currentValues() const
{
    if (state_ == TDataSetState::dsEdit || state_ == TDataSetState::dsInsert)
        return &d->pending;
    if (d->pos < 0 || d->pos >= int(d->view.size()))
        return nullptr;
    return &d->rows[d->view[d->pos]];
}

void TClientDataSet::notify(DataSetChange::Kind kind, int row) { emit changed(DataSetChange{kind, row}); }

void TClientDataSet::moveTo(int viewIndex)
{
    if (d->pos == viewIndex)
        return;
    d->pos = viewIndex;
    notify(DataSetChange::CurrentMoved, viewIndex);
}

void TClientDataSet::requireActive() const
{
    if (!active())
        closedDataSet();
}

// ---- walking --------------------------------------------------------------------------------------------

void TClientDataSet::first()
{
    requireActive();
    checkBrowseMode();
    const bool any = ensureRow(0);
    moveTo(any ? 0 : -1);
    bof_ = true;
    eof_ = !any;
}

void TClientDataSet::next()
{
    requireActive();
    checkBrowseMode();
    if (ensureRow(d->pos + 1)) {
        moveTo(d->pos + 1);
        bof_ = false;
        eof_ = false;
    } else {
        eof_ = true;
    }
}

void TClientDataSet::prior()
{
    requireActive();
    checkBrowseMode();
    if (d->pos > 0) {
        moveTo(d->pos - 1);
        bof_ = false;
        eof_ = false;
    } else {
        bof_ = true;
    }
}

void TClientDataSet::last()
{
    requireActive();
    checkBrowseMode();
    fetchAll();
    moveTo(int(d->view.size()) - 1);
    eof_ = true;
    bof_ = d->view.empty();
}

bool TClientDataSet::isEmpty() const
{
    if (!active())
        return true;
    if (state_ == TDataSetState::dsInsert)
        return false;
    return !const_cast<TClientDataSet *>(this)->ensureRow(0);
}

int TClientDataSet::recordCount() const
{
    requireActive();
    // Counts every row of the result, not only those fetched so far: the rest is fetched first.
    const_cast<TClientDataSet *>(this)->fetchAll();
    return int(d->view.size());
}

int TClientDataSet::recNo() const
{
    if (!active() || state_ == TDataSetState::dsInsert)
        return 0;
    return d->pos + 1;
}

void TClientDataSet::setRecNo(int recNo)
{
    requireActive();
    checkBrowseMode();
    if (!ensureRow(recNo - 1))
        return;
    moveTo(recNo - 1);
    bof_ = eof_ = false;
}

bool TClientDataSet::locate(const std::string &fieldName, const TValue &value)
{
    requireActive();
    checkBrowseMode();
    const int f = fieldByName(fieldName).index();
    const TFieldType type = fieldDefs_[f].type;
    TValue wanted;
    try {
        wanted = value.convertedTo(type);
    } catch (const EDatabaseError &) {
        return false; // a text that is no number matches no row of a numeric field
    }
    for (int i = 0; ensureRow(i); ++i) {
        if (d->rows[d->view[i]][f] == wanted) {
            moveTo(i);
            bof_ = eof_ = false;
            return true;
        }
    }
    return false;
}

// ---- editing --------------------------------------------------------------------------------------------

void TClientDataSet::append()
{
    requireActive();
    checkBrowseMode();
    fetchAll();
    d->pending.assign(fieldDefs_.size(), TValue());
    modified_ = false;
    state_ = TDataSetState::dsInsert;
    bof_ = eof_ = false;
    const int row = int(d->view.size());
    notify(DataSetChange::RowInserted, row);
    notify(DataSetChange::StateChanged);
    notify(DataSetChange::CurrentMoved, row);
}

void TClientDataSet::edit()
{
    requireActive();
    if (state_ != TDataSetState::dsBrowse)
        return;
    if (!ensureRow(d->pos < 0 ? 0 : d->pos)) {
        append();
        return;
    }
    if (d->pos < 0)
        moveTo(0);
    d->pending = d->rows[d->view[d->pos]];
    modified_ = false;
    state_ = TDataSetState::dsEdit;
    notify(DataSetChange::StateChanged);
}

void TClientDataSet::post()
{
    requireActive();
    if (state_ == TDataSetState::dsBrowse)
        return;
    if (beforePost)
        beforePost(*this);
    for (std::size_t i = 0; i < fieldDefs_.size(); ++i)
        if (fieldDefs_[i].required && d->pending[i].isNull())
            throw EDatabaseError(formatMessage("Field '%s' must have a value", fieldDefs_[i].name));

    const bool inserting = state_ == TDataSetState::dsInsert;
    const int displayRow = inserting ? int(d->view.size()) : d->pos;
    const bool passed = passes(d->pending);
    if (inserting)
        d->rows.push_back(std::move(d->pending));
    else
        d->rows[d->view[d->pos]] = std::move(d->pending);
    d->pending.clear();
    state_ = TDataSetState::dsBrowse;
    modified_ = false;
    notify(DataSetChange::StateChanged);
    if (passed) {
        if (inserting) {
            d->view.push_back(int(d->rows.size() - 1));
            d->pos = displayRow;
        }
        notify(DataSetChange::RowChanged, displayRow);
        return;
    }
    // The stored row no longer passes the filter: it leaves the view.
    if (!inserting)
        d->view.erase(d->view.begin() + displayRow);
    notify(DataSetChange::RowRemoved, displayRow);
    d->pos = std::min(inserting ? d->pos : displayRow, int(d->view.size()) - 1);
    notify(DataSetChange::CurrentMoved, d->pos);
    eof_ = bof_ = d->view.empty();
}

void TClientDataSet::cancel()
{
    if (state_ != TDataSetState::dsEdit && state_ != TDataSetState::dsInsert)
        return;
    const bool inserting = state_ == TDataSetState::dsInsert;
    const bool changedValues = modified_;
    d->pending.clear();
    state_ = TDataSetState::dsBrowse;
    modified_ = false;
    if (inserting) {
        notify(DataSetChange::RowRemoved, int(d->view.size()));
        notify(DataSetChange::StateChanged);
        notify(DataSetChange::CurrentMoved, d->pos);
        eof_ = bof_ = d->view.empty();
    } else {
        if (changedValues)
            notify(DataSetChange::RowChanged, d->pos);
        notify(DataSetChange::StateChanged);
    }
}

void TClientDataSet::remove()
{
    requireActive();
    if (state_ == TDataSetState::dsInsert) {
        cancel();
        return;
    }
    if (d->pos < 0 || d->pos >= int(d->view.size()))
        throw EDatabaseError("Cannot perform this operation on an empty dataset");
    const bool editing = state_ == TDataSetState::dsEdit;
    const int row = d->pos;
    const int stored = d->view[row];
    d->pending.clear();
    state_ = TDataSetState::dsBrowse;
    modified_ = false;
    d->rows.erase(d->rows.begin() + stored);
    d->view.erase(d->view.begin() + row);
    for (int &index : d->view)
        if (index > stored)
            --index;
    notify(DataSetChange::RowRemoved, row);
    if (editing)
        notify(DataSetChange::StateChanged);
    d->pos = std::min(row, int(d->view.size()) - 1);
    notify(DataSetChange::CurrentMoved, d->pos);
    bof_ = eof_ = d->view.empty();
}

void TClientDataSet::checkBrowseMode()
{
    if (state_ != TDataSetState::dsEdit && state_ != TDataSetState::dsInsert)
        return;
    if (modified_)
        post();
    else
        cancel();
}

void TClientDataSet::setFieldValue(int index, const TValue &value)
{
    requireActive();
    const TFieldDef &def = fieldDefs_[index];
    if (fields_[index]->readOnly())
        throw EDatabaseError(formatMessage("Field '%s' cannot be modified", def.name));
    // An empty text is an empty field, whatever the field's type.
    TValue stored = value.text() && value.text()->empty() ? TValue() : value.convertedTo(def.type);
    if (state_ == TDataSetState::dsBrowse)
        edit();
    d->pending[index] = std::move(stored);
    modified_ = true;
    notify(DataSetChange::RowChanged, currentDisplayRow());
}

// ---- fields ---------------------------------------------------------------------------------------------

TField &TClientDataSet::fields(int index)
{
    if (index < 0 || index >= fieldCount())
        throw EDatabaseError("Field index out of range: " + std::to_string(index));
    return *fields_[index];
}

TField *TClientDataSet::findField(const std::string &name)
{
    for (const auto &field : fields_)
        if (sameName(field->fieldName(), name))
            return field.get();
    return nullptr;
}

TField &TClientDataSet::fieldByName(const std::string &name)
{
    if (TField *field = findField(name))
        return *field;
    throw EDatabaseError(formatMessage("Field '%s' not found", name));
}

// ---- contents, filter, files ----------------------------------------------------------------------------

DataPacket TClientDataSet::data()
{
    if (active()) {
        checkBrowseMode();
        fetchAll();
    }
    return DataPacket{fieldDefs_, indexDefs_, d->rows};
}

void TClientDataSet::setData(const DataPacket &packet)
{
    for (const auto &row : packet.rows)
        if (row.size() != packet.fields.size())
            throw EDatabaseError("Invalid data packet: a row does not have one value per field");
    const bool wasActive = active();
    shutDown();
    fieldDefs_ = packet.fields;
    indexDefs_ = packet.indexes;
    d->rows = packet.rows;
    d->takenDefs = packet.fields;
    d->hasData = true;
    try {
        openOnRows();
    } catch (...) {
        if (wasActive)
            notify(DataSetChange::Reset);
        throw;
    }
}

void TClientDataSet::setFilter(const std::string &expression)
{
    std::optional<Filter> parsed;
    if (expression.find_first_not_of(' ') != std::string::npos)
        parsed = Filter::parse(expression);
    applyFilter(parsed ? &*parsed : nullptr, filtered_);
    filterText_ = expression;
}

void TClientDataSet::setFiltered(bool on)
{
    if (on == filtered_)
        return;
    const std::optional<Filter> filter = d->filter;
    applyFilter(filter ? &*filter : nullptr, on);
}

void TClientDataSet::applyFilter(const Filter *filter, bool on)
{
    if (active())
        checkBrowseMode();
    std::optional<Filter> bound;
    if (active() && on && filter) {
        bound = *filter;
        bound->bind(fieldDefs_);
    }
    d->filter = filter ? std::optional<Filter>(*filter) : std::nullopt;
    filtered_ = on;
    if (!active())
        return;
    d->activeFilter = std::move(bound);
    rebuildView();
    const bool any = ensureRow(0);
    d->pos = any ? 0 : -1;
    bof_ = true;
    eof_ = !any;
    notify(DataSetChange::Reset);
}

void TClientDataSet::saveToFile(const std::string &path, FileFormat format)
{
    RecordSetFile::save(path, data(), format);
}

void TClientDataSet::loadFromFile(const std::string &path)
{
    setData(RecordSetFile::load(path));
}

// ---- display rows ---------------------------------------------------------------------------------------

int TClientDataSet::displayRowCount() const
{
    if (!active())
        return 0;
    return int(d->view.size()) + (state_ == TDataSetState::dsInsert ? 1 : 0);
}

int TClientDataSet::currentDisplayRow() const
{
    if (!active())
        return -1;
    return state_ == TDataSetState::dsInsert ? int(d->view.size()) : d->pos;
}

TValue TClientDataSet::displayValue(int displayRow, int fieldIndex) const
{
    if (!active() || fieldIndex < 0 || fieldIndex >= fieldCount() || displayRow < 0)
        return {};
    if (displayRow == currentDisplayRow() && state_ != TDataSetState::dsBrowse)
        return d->pending[fieldIndex];
    if (displayRow >= int(d->view.size()))
        return {};
    return d->rows[d->view[displayRow]][fieldIndex];
}

void TClientDataSet::gotoDisplayRow(int displayRow)
{
    requireActive();
    if (state_ == TDataSetState::dsInsert && displayRow == int(d->view.size()))
        return;
    checkBrowseMode();
    if (!ensureRow(displayRow))
        return;
    moveTo(displayRow);
    bof_ = eof_ = false;
}

} // namespace data
