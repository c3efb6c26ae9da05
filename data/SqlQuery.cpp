#include "SqlQuery.h"

#include "CodePage.h"
#include "DbError.h"
#include "SqlMessages.h"
#include "SqlText.h"
#include "fb/Statement.h"

#include <exception>
#include <optional>

namespace data {

/// A prepared statement with the message that carries its parameters.
struct TCustomSQLDataSet::Statement {
    std::string sourceText; ///< the text as given, markers and all
    std::string serverText;
    fb::Statement prepared;
    std::optional<fb::InputMessage> input;
};

/// Hands the rows of an open cursor out one at a time (the provider feed).
class SqlRecordSource : public IRecordSource {
public:
    SqlRecordSource(TCustomSQLDataSet &ds, StatementTransaction transaction, fb::Cursor cursor, bool releaseAtEnd)
        : ds_(ds), transaction_(std::move(transaction)), cursor_(std::move(cursor)),
          defs_(ds.resultFieldDefs()), releaseAtEnd_(releaseAtEnd)
    {
    }
    ~SqlRecordSource() override { finish(false); }

    const std::vector<TFieldDef> &fieldDefs() const override { return defs_; }

    bool fetch(std::vector<TValue> &row) override;

    /// Closes the cursor, commits the statement's own transaction and, with releaseAtEnd, frees the
    /// statement: a statement left prepared on a view would make another terminal's DROP VIEW wait. Only
    /// with `checkErrors` does a failed commit raise its error, after all of that is done.
    void finish(bool checkErrors);

private:
    TCustomSQLDataSet &ds_;
    StatementTransaction transaction_;
    std::optional<fb::Cursor> cursor_;
    std::vector<TFieldDef> defs_;
    bool releaseAtEnd_;
    bool finished_ = false;
};

bool SqlRecordSource::fetch(std::vector<TValue> &row)
{
    if (finished_)
        return false;
    return ds_.SQLConnection->timed([&] {
        bool more = false;
        try {
            more = cursor_->fetch();
        } catch (const EDatabaseError &) {
            finish(false);
            throw;
        }
        if (!more) {
            finish(true);
            return false;
        }
        const auto &columns = ds_.statement_->prepared.columns();
        row.resize(columns.size());
        for (size_t i = 0; i < columns.size(); ++i)
            row[i] = readColumn(columns[i], cursor_->row(), transaction_.get());
        return true;
    });
}

void SqlRecordSource::finish(bool checkErrors)
{
    if (finished_)
        return;
    finished_ = true;
    cursor_.reset();
    std::exception_ptr failed;
    try {
        transaction_.commit();
    } catch (const EDatabaseError &) {
        if (checkErrors)
            failed = std::current_exception();
    }
    if (ds_.source_ == this)
        ds_.source_ = nullptr;
    if (releaseAtEnd_)
        ds_.unprepare();
    if (failed)
        std::rethrow_exception(failed);
}

// ---- TStrings ------------------------------------------------------------------------------------------

void TStrings::clear()
{
    lines_.clear();
    if (onChange)
        onChange();
}

void TStrings::add(const std::string &line)
{
    lines_.push_back(line);
    if (onChange)
        onChange();
}

std::string TStrings::text() const
{
    return joinLines(lines_);
}

// ---- TCustomSQLDataSet ---------------------------------------------------------------------------------

TCustomSQLDataSet::TCustomSQLDataSet(TSQLConnection *connection) : SQLConnection(connection) {}

TCustomSQLDataSet::~TCustomSQLDataSet()
{
    if (source_)
        source_->finish(false);
}

void TCustomSQLDataSet::setText(const std::string &text)
{
    close();
    text_ = text;
    derived_ = false;
    // A statement is released as soon as its text changes to another one (a statement left prepared on a
    // view makes a DROP VIEW wait). Rebuilding the same text line by line passes through prefixes of it:
    // the statement stays prepared then.
    if (statement_ && statement_->sourceText.compare(0, text_.size(), text_) != 0)
        unprepare();
}

void TCustomSQLDataSet::derive()
{
    if (derived_)
        return;
    parsed_ = parseParameters(text_);
    params_.assignNames(parsed_.markers);
    derived_ = true;
}

TParams &TCustomSQLDataSet::params()
{
    derive();
    return params_;
}

bool TCustomSQLDataSet::prepared() const { return bool(statement_); }

void TCustomSQLDataSet::unprepare()
{
    if (source_)
        source_->finish(false);
    statement_.reset();
}

TCustomSQLDataSet::Statement &TCustomSQLDataSet::prepare(StatementTransaction &transaction)
{
    if (source_)
        source_->finish(false);
    derive();
    const std::shared_ptr<fb::Attachment> &attachment = SQLConnection->attachment();
    if (statement_ && statement_->serverText == parsed_.serverText && statement_->prepared.preparedOn(*attachment))
        return *statement_;
    unprepare();
    if (parsed_.serverText.find_first_not_of(" \r\n\t") == std::string::npos)
        throw EDatabaseError("SQL statement is empty");
    statement_.reset(new Statement{text_, parsed_.serverText,
                                   fb::Statement(attachment, transaction.get(), parsed_.serverText), {}});
    return *statement_;
}

fb::InputMessage *TCustomSQLDataSet::bindInput()
{
    if (parsed_.markers.empty())
        return nullptr;
    std::vector<const TParam *> bound;
    for (const auto &marker : parsed_.markers)
        bound.push_back(&params_.paramByName(marker));
    std::vector<fb::ParameterType> layout = parameterLayout(bound);
    std::optional<fb::InputMessage> &input = statement_->input;
    if (!input || input->layout() != layout)
        input.emplace(SQLConnection->attachment()->client(), std::move(layout));
    writeParameters(bound, *input);
    return &*input;
}

void TCustomSQLDataSet::pointRow()
{
    const std::vector<TValue> &row = current_ < rows_.size() ? rows_[current_] : nullRow_;
    for (size_t i = 0; i < fields_.size(); ++i)
        fields_[i].value_ = &row[i];
}

void TCustomSQLDataSet::open()
{
    close();
    std::unique_ptr<IRecordSource> source;
    SQLConnection->timed([&] {
        source = openSource(false);
        std::vector<TValue> row;
        while (source->fetch(row))
            rows_.push_back(row);
    });
    const auto &defs = source->fieldDefs();
    nullRow_.assign(defs.size(), TValue());
    fields_.resize(defs.size());
    for (size_t i = 0; i < defs.size(); ++i)
        fields_[i].def_ = defs[i];
    current_ = 0;
    active_ = true;
    pointRow();
}

void TCustomSQLDataSet::execSQL()
{
    close();
    SQLConnection->timed([&] {
        StatementTransaction transaction(*SQLConnection, false);
        Statement &s = prepare(transaction);
        fb::InputMessage *input = bindInput();
        std::string row(s.prepared.rowLength(), '\0');
        s.prepared.execute(transaction.get(), input, row.data());
        transaction.commit();
    });
}

std::unique_ptr<IRecordSource> TCustomSQLDataSet::openSource(bool releaseAtEnd)
{
    return SQLConnection->timed([&] {
        // A plain select outside the connection's transaction reads in a read-only transaction of its own.
        StatementTransaction transaction(*SQLConnection, true);
        Statement &s = prepare(transaction);
        if (s.prepared.type() != isc_info_sql_stmt_select)
            transaction.makeWritable();
        fb::InputMessage *input = bindInput();
        fb::Cursor cursor(s.prepared, transaction.get(), input);
        auto source =
            std::make_unique<SqlRecordSource>(*this, std::move(transaction), std::move(cursor), releaseAtEnd);
        source_ = source.get();
        return std::unique_ptr<IRecordSource>(std::move(source));
    });
}

void TCustomSQLDataSet::close()
{
    rows_.clear();
    current_ = 0;
    active_ = false;
    for (auto &f : fields_)
        f.value_ = nullptr;
    fields_.clear();
}

bool TCustomSQLDataSet::eof() const { return current_ >= rows_.size(); }

void TCustomSQLDataSet::next()
{
    if (current_ < rows_.size())
        ++current_;
    pointRow();
}

TSQLField &TCustomSQLDataSet::fields(int index)
{
    if (index < 0 || index >= fieldCount())
        throw EDatabaseError("Field index out of range: " + std::to_string(index));
    return fields_[size_t(index)];
}

TSQLField *TCustomSQLDataSet::findField(const std::string &name)
{
    for (auto &f : fields_)
        if (sameName(f.fieldName(), name))
            return &f;
    return nullptr;
}

TSQLField &TCustomSQLDataSet::fieldByName(const std::string &name)
{
    if (TSQLField *f = findField(name))
        return *f;
    throw EDatabaseError(formatMessage("Field '%s' not found", name));
}

std::vector<TFieldDef> TCustomSQLDataSet::resultFieldDefs()
{
    std::vector<TFieldDef> defs;
    if (!statement_)
        return defs;
    for (const auto &c : statement_->prepared.columns()) {
        TFieldDef d = fieldDefOf(c);
        auto taken = [&](const std::string &n) {
            for (const auto &e : defs)
                if (sameName(e.name, n))
                    return true;
            return false;
        };
        if (taken(d.name)) {
            int k = 1;
            while (taken(d.name + "_" + std::to_string(k)))
                ++k;
            d.name += "_" + std::to_string(k);
        }
        defs.push_back(d);
    }
    return defs;
}

TSQLQuery::TSQLQuery(TSQLConnection *connection) : TCustomSQLDataSet(connection)
{
    sql_.onChange = [this] { setText(sql_.text()); };
}

void setStatement(TSQLQuery &query, const std::vector<std::string> &lines)
{
    query.close();
    query.SQL().clear();
    for (const auto &line : lines)
        query.SQL().add(line);
}

} // namespace data
