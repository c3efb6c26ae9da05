#include "SqlQuery.h"

#include "CodePage.h"
#include "DateText.h"
#include "DbError.h"
#include "SqlText.h"

#include <cstring>

namespace data {

using namespace Firebird;

namespace {

struct Column {
    TFieldDef def;
    unsigned sqlType = 0;
    int scale = 0;
    unsigned length = 0;
    unsigned offset = 0;
    unsigned nullOffset = 0;
};

template <class T> T readAt(const unsigned char *p)
{
    T v;
    std::memcpy(&v, p, sizeof v);
    return v;
}

TValue scaled(std::int64_t units, int scale, bool narrow)
{
    if (scale < 0)
        return Decimal{units, -scale};
    if (narrow)
        return TValue(std::int32_t(units));
    return TValue(units);
}

} // namespace

/// A prepared statement with the layout of its result row.
struct TCustomSQLDataSet::Statement {
    std::string sourceText; ///< the text as given, markers and all
    std::vector<std::pair<unsigned, int>> inLayout; ///< the input message's layout, see bindInput
    FbRef<IMessageMetadata> inMeta;
    std::string serverText;
    FbRef<IStatement> stmt;
    FbRef<IMessageMetadata> outMeta;
    std::vector<Column> columns;
    unsigned outLength = 0;
    unsigned type = 0;
};

/// Hands the rows of an open cursor out one at a time (the provider feed).
class SqlRecordSource : public IRecordSource {
public:
    SqlRecordSource(TCustomSQLDataSet &ds, FbRef<ITransaction> own, FbRef<IResultSet> cursor, bool releaseAtEnd)
        : ds_(ds), own_(std::move(own)), cursor_(std::move(cursor)), defs_(ds.resultFieldDefs()),
          releaseAtEnd_(releaseAtEnd)
    {
        buffer_.resize(ds.statement_->outLength);
    }
    ~SqlRecordSource() override { finish(false); }

    const std::vector<TFieldDef> &fieldDefs() const override { return defs_; }

    bool fetch(std::vector<TValue> &row) override;

    /// Ends the cursor and its own transaction and frees the statement: a statement left prepared on a view
    /// would make another terminal's DROP VIEW wait.
    void finish(bool checkErrors);

private:
    TCustomSQLDataSet &ds_;
    FbRef<ITransaction> own_;
    FbRef<IResultSet> cursor_;
    std::vector<TFieldDef> defs_;
    std::string buffer_;
    bool releaseAtEnd_;
    bool finished_ = false;
};

// Reads one value of the result row in `buf`.
static TValue decodeColumn(FbClient &client, TSQLConnection &conn, ITransaction *tra, const Column &c,
                           const unsigned char *buf)
{
    if (readAt<short>(buf + c.nullOffset))
        return {};
    const unsigned char *p = buf + c.offset;
    switch (c.sqlType) {
    case SQL_TEXT:
        return std::string(reinterpret_cast<const char *>(p), c.length);
    case SQL_VARYING:
        return std::string(reinterpret_cast<const char *>(p) + 2, readAt<unsigned short>(p));
    case SQL_SHORT:
        return scaled(readAt<short>(p), c.scale, true);
    case SQL_LONG:
        return scaled(readAt<ISC_LONG>(p), c.scale, true);
    case SQL_INT64:
        return scaled(readAt<ISC_INT64>(p), c.scale, false);
    case SQL_FLOAT:
        return double(readAt<float>(p));
    case SQL_DOUBLE:
    case SQL_D_FLOAT:
        return readAt<double>(p);
    case SQL_BOOLEAN:
        return std::string(*p ? "True" : "False");
    case SQL_TYPE_DATE: {
        unsigned y, m, d;
        client.util()->decodeDate(readAt<ISC_DATE>(p), &y, &m, &d);
        return formatDate(QDate(int(y), int(m), int(d)));
    }
    case SQL_TYPE_TIME:
    case SQL_TIMESTAMP: {
        ISC_TIME t = c.sqlType == SQL_TIMESTAMP ? readAt<ISC_TIMESTAMP>(p).timestamp_time : readAt<ISC_TIME>(p);
        unsigned h, mi, s, frac;
        client.util()->decodeTime(t, &h, &mi, &s, &frac);
        char text[16];
        std::snprintf(text, sizeof text, "%02u:%02u:%02u", h, mi, s);
        if (c.sqlType == SQL_TYPE_TIME)
            return std::string(text);
        unsigned y, m, d;
        client.util()->decodeDate(readAt<ISC_TIMESTAMP>(p).timestamp_date, &y, &m, &d);
        return formatDate(QDate(int(y), int(m), int(d))) + " " + text;
    }
    case SQL_BLOB: {
        FbStatus st(client);
        ISC_QUAD id = readAt<ISC_QUAD>(p);
        FbRef<IBlob> blob(conn.attachment()->openBlob(&st, tra, &id, 0, nullptr));
        st.check();
        std::string out;
        char chunk[32768];
        for (;;) {
            unsigned got = 0;
            int rc = blob->getSegment(&st, sizeof chunk, chunk, &got);
            st.check();
            if (rc == IStatus::RESULT_NO_DATA)
                break;
            out.append(chunk, got);
        }
        blob.release()->close(&st);
        return out;
    }
    case SQL_NULL:
        return {};
    default:
        throw EDatabaseError("Unsupported column type " + std::to_string(c.sqlType) + " of column '" + c.def.name + "'");
    }
}

bool SqlRecordSource::fetch(std::vector<TValue> &row)
{
    if (finished_)
        return false;
    FbClient &client = ds_.SQLConnection->client();
    FbStatus st(client);
    auto *buf = reinterpret_cast<unsigned char *>(buffer_.data());
    int rc = cursor_->fetchNext(&st, buf);
    if (st.failed()) {
        finish(false);
        st.check();
    }
    if (rc != IStatus::RESULT_OK) {
        finish(true);
        return false;
    }
    ITransaction *tra = own_ ? own_.get() : ds_.SQLConnection->activeTransaction();
    const auto &cols = ds_.statement_->columns;
    row.resize(cols.size());
    for (size_t i = 0; i < cols.size(); ++i)
        row[i] = decodeColumn(client, *ds_.SQLConnection, tra, cols[i], buf);
    return true;
}

void SqlRecordSource::finish(bool checkErrors)
{
    if (finished_)
        return;
    finished_ = true;
    FbClient &client = ds_.SQLConnection->client();
    FbStatus st(client);
    if (cursor_) {
        IResultSet *rs = cursor_.release();
        rs->close(&st);
        if (st.failed())
            rs->release();
    }
    if (own_) {
        FbStatus st2(client);
        ITransaction *t = own_.release();
        t->commit(&st2);
        if (st2.failed()) {
            FbStatus st3(client);
            t->rollback(&st3);
            if (st3.failed())
                t->release();
            if (checkErrors)
                st2.check();
        }
    }
    if (ds_.source_ == this)
        ds_.source_ = nullptr;
    if (releaseAtEnd_)
        ds_.unprepare();
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
    try {
        if (source_)
            source_->finish(false);
        unprepare();
    } catch (...) {
        // Nothing can be reported from here; the attachment frees what is left when it ends.
    }
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
    if (!statement_)
        return;
    std::unique_ptr<Statement> s = std::move(statement_);
    FbStatus st(SQLConnection->client());
    s->outMeta.reset();
    IStatement *raw = s->stmt.release();
    raw->free(&st);
    if (st.failed())
        raw->release();
}

TCustomSQLDataSet::Statement &TCustomSQLDataSet::prepare(ITransaction *tra)
{
    if (source_)
        source_->finish(false);
    derive();
    if (statement_ && statement_->serverText == parsed_.serverText)
        return *statement_;
    unprepare();
    if (parsed_.serverText.find_first_not_of(" \r\n\t") == std::string::npos)
        throw EDatabaseError("SQL statement is empty");
    FbClient &client = SQLConnection->client();
    FbStatus st(client);
    auto s = std::make_unique<Statement>();
    s->sourceText = text_;
    s->serverText = parsed_.serverText;
    s->stmt.reset(SQLConnection->attachment()->prepare(&st, tra, 0, s->serverText.c_str(), 3,
                                                        IStatement::PREPARE_PREFETCH_METADATA));
    st.check();
    s->type = s->stmt->getType(&st);
    s->outMeta.reset(s->stmt->getOutputMetadata(&st));
    st.check();
    unsigned n = s->outMeta->getCount(&st);
    for (unsigned i = 0; i < n; ++i) {
        Column c;
        c.sqlType = s->outMeta->getType(&st, i) & ~1u;
        c.scale = s->outMeta->getScale(&st, i);
        c.length = s->outMeta->getLength(&st, i);
        c.offset = s->outMeta->getOffset(&st, i);
        c.nullOffset = s->outMeta->getNullOffset(&st, i);
        const char *alias = s->outMeta->getAlias(&st, i);
        c.def.name = (alias && *alias) ? alias : s->outMeta->getField(&st, i);
        switch (c.sqlType) {
        case SQL_TEXT:
        case SQL_VARYING:
            c.def.type = TFieldType::ftString;
            c.def.size = int(c.length);
            break;
        case SQL_SHORT:
        case SQL_LONG:
            c.def.type = c.scale < 0 ? TFieldType::ftBCD : TFieldType::ftInteger;
            break;
        case SQL_INT64:
            c.def.type = c.scale < 0 ? TFieldType::ftBCD : TFieldType::ftLargeint;
            break;
        case SQL_FLOAT:
        case SQL_DOUBLE:
        case SQL_D_FLOAT:
            c.def.type = TFieldType::ftFloat;
            break;
        default:
            c.def.type = TFieldType::ftString;
            c.def.size = c.sqlType == SQL_BOOLEAN ? 5 : c.sqlType == SQL_BLOB ? 0 : 19;
        }
        s->columns.push_back(std::move(c));
    }
    s->outLength = s->outMeta->getMessageLength(&st);
    st.check();
    statement_ = std::move(s);
    return *statement_;
}

IMessageMetadata *TCustomSQLDataSet::bindInput(std::string &buffer)
{
    const auto &markers = parsed_.markers;
    if (markers.empty())
        return nullptr;
    // The layout of the input message: each parameter's type with its length or scale. Text goes as
    // VARCHAR of a length rounded up, so that the same statement run again with other values of the same
    // kinds reuses the layout built for it before.
    std::vector<const TParam *> bound;
    std::vector<std::pair<unsigned, int>> layout;
    for (const auto &marker : markers) {
        const TParam &p = params_.paramByName(marker);
        const TValue &v = p.value();
        bound.push_back(&p);
        switch (p.dataType()) {
        case TFieldType::ftUnknown:
            throw EDatabaseError(formatMessage("No value for parameter '%s'", p.name()));
        case TFieldType::ftString: {
            const size_t length = v.text() ? v.text()->size() : 0;
            layout.emplace_back(SQL_VARYING, int(std::max(length, std::min<size_t>((length / 64 + 1) * 64, 32765))));
            break;
        }
        case TFieldType::ftInteger:
            layout.emplace_back(SQL_LONG, 0);
            break;
        case TFieldType::ftLargeint:
            layout.emplace_back(SQL_INT64, 0);
            break;
        case TFieldType::ftBCD:
            layout.emplace_back(SQL_INT64, v.decimal() ? -v.decimal()->scale : 0);
            break;
        default:
            layout.emplace_back(SQL_DOUBLE, 0);
        }
    }
    FbClient &client = SQLConnection->client();
    FbStatus st(client);
    Statement &s = *statement_;
    if (!s.inMeta || s.inLayout != layout) {
        FbRef<IMetadataBuilder> builder(client.master()->getMetadataBuilder(&st, unsigned(layout.size())));
        st.check();
        for (unsigned i = 0; i < layout.size(); ++i) {
            const auto [type, size] = layout[i];
            builder->setType(&st, i, type + 1);
            if (type == SQL_VARYING) {
                builder->setLength(&st, i, unsigned(size));
                builder->setCharSet(&st, i, 0);
            } else {
                builder->setLength(&st, i, type == SQL_LONG ? sizeof(ISC_LONG) : type == SQL_DOUBLE ? sizeof(double)
                                                                                                      : sizeof(ISC_INT64));
                builder->setScale(&st, i, size);
            }
            st.check();
        }
        s.inMeta.reset(builder->getMetadata(&st));
        st.check();
        s.inLayout = std::move(layout);
    }
    IMessageMetadata *meta = s.inMeta.get();
    buffer.assign(meta->getMessageLength(&st), '\0');
    st.check();
    auto *buf = reinterpret_cast<unsigned char *>(buffer.data());
    for (unsigned i = 0; i < markers.size(); ++i) {
        const TValue &v = bound[i]->value();
        unsigned off = meta->getOffset(&st, i);
        short nullFlag = v.isNull() ? -1 : 0;
        std::memcpy(buf + meta->getNullOffset(&st, i), &nullFlag, sizeof nullFlag);
        if (v.isNull())
            continue;
        switch (bound[i]->dataType()) {
        case TFieldType::ftString: {
            const std::string &t = *v.text();
            unsigned short len = (unsigned short)t.size();
            std::memcpy(buf + off, &len, 2);
            std::memcpy(buf + off + 2, t.data(), t.size());
            break;
        }
        case TFieldType::ftInteger: {
            ISC_LONG x = v.asInteger();
            std::memcpy(buf + off, &x, sizeof x);
            break;
        }
        case TFieldType::ftBCD: {
            ISC_INT64 x = v.decimal() ? v.decimal()->units : v.asLargeInt();
            std::memcpy(buf + off, &x, sizeof x);
            break;
        }
        case TFieldType::ftLargeint: {
            ISC_INT64 x = v.asLargeInt();
            std::memcpy(buf + off, &x, sizeof x);
            break;
        }
        default: {
            double x = v.asFloat();
            std::memcpy(buf + off, &x, sizeof x);
        }
        }
    }
    st.check();
    return meta;
}

void TCustomSQLDataSet::pointRow()
{
    const std::vector<TValue> &row = current_ < rows_.size() ? rows_[current_] : nullRow_;
    for (size_t i = 0; i < fields_.size(); ++i)
        fields_[i].value_ = &row[i];
}

namespace {
/// A transaction of the statement's own, committed by commit() and rolled back when left unfinished.
class OwnTransaction {
public:
    OwnTransaction(TSQLConnection &conn, bool readOnly) : conn_(conn)
    {
        if (!conn.activeTransaction())
            own_ = conn.startOwnTransaction(readOnly);
    }
    ~OwnTransaction() { rollback(); }
    /// A statement that writes after all (a select with a lock, a procedure) needs a writing transaction.
    void makeWritable()
    {
        if (!own_)
            return;
        rollback();
        own_ = conn_.startOwnTransaction(false);
    }
    ITransaction *get() const { return own_ ? own_.get() : conn_.activeTransaction(); }
    FbRef<ITransaction> take() { return std::move(own_); }
    void commit()
    {
        if (!own_)
            return;
        FbStatus st(conn_.client());
        own_->commit(&st);
        st.check();
        own_.release();
    }

private:
    void rollback()
    {
        if (!own_)
            return;
        FbStatus st(conn_.client());
        ITransaction *t = own_.release();
        t->rollback(&st);
        if (st.failed())
            t->release();
    }

    TSQLConnection &conn_;
    FbRef<ITransaction> own_;
};
} // namespace

void TCustomSQLDataSet::open()
{
    close();
    std::unique_ptr<IRecordSource> source = openSource(false);
    std::vector<TValue> row;
    while (source->fetch(row))
        rows_.push_back(row);
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
    OwnTransaction tra(*SQLConnection, false);
    Statement &s = prepare(tra.get());
    std::string inBuf;
    IMessageMetadata *inMeta = bindInput(inBuf);
    FbStatus st(SQLConnection->client());
    std::string outBuf(s.outLength, '\0');
    s.stmt->execute(&st, tra.get(), inMeta, inBuf.empty() ? nullptr : inBuf.data(),
                    s.columns.empty() ? nullptr : s.outMeta.get(), s.columns.empty() ? nullptr : outBuf.data());
    st.check();
    tra.commit();
}

std::unique_ptr<IRecordSource> TCustomSQLDataSet::openSource(bool releaseAtEnd)
{
    // A plain select outside the connection's transaction reads in a read-only transaction of its own.
    OwnTransaction tra(*SQLConnection, true);
    Statement &s = prepare(tra.get());
    if (s.type != isc_info_sql_stmt_select)
        tra.makeWritable();
    std::string inBuf;
    IMessageMetadata *inMeta = bindInput(inBuf);
    FbStatus st(SQLConnection->client());
    FbRef<IResultSet> cursor(s.stmt->openCursor(&st, tra.get(), inMeta, inBuf.empty() ? nullptr : inBuf.data(),
                                                s.outMeta.get(), 0));
    st.check();
    auto source = std::make_unique<SqlRecordSource>(*this, tra.take(), std::move(cursor), releaseAtEnd);
    source_ = source.get();
    return source;
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
    for (const auto &c : statement_->columns) {
        TFieldDef d = c.def;
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

} // namespace data
