#pragma once
// The statement objects of a connection: TSQLQuery (text as a list of lines) and TSQLDataSet (command text).
//
// Issuing a statement: close, clear the text, add the lines, set the parameters by name, then open (rows) or
// execSQL (no rows). The text sent to the server is every line followed by CR LF. A statement stays prepared
// while its text is unchanged and is released as soon as the text changes to another statement. Outside an
// explicit transaction of the connection each statement runs in a transaction of its own: execSQL commits it
// at once, open() commits it when the rows have been read.

#include "RecordSource.h"
#include "SqlConnection.h"
#include "SqlParams.h"
#include "SqlTransaction.h"
#include "Value.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace data {

class SqlRecordSource;
namespace fb {
class InputMessage;
}

/// One column of the current row of an open statement. An empty result reads as null in every column.
class TSQLField {
public:
    const std::string &fieldName() const { return def_.name; }
    TFieldType dataType() const { return def_.type; }
    bool isNull() const { return value_->isNull(); }
    const TValue &value() const { return *value_; }
    std::string asString() const { return value_->asString(); }
    std::int32_t asInteger() const { return value_->asInteger(); }
    double asFloat() const { return value_->asFloat(); }

private:
    friend class TCustomSQLDataSet;
    TFieldDef def_;
    const TValue *value_ = nullptr;
};

/// A list of text lines; every change is reported to the owner.
class TStrings {
public:
    void clear();
    void add(const std::string &line);
    int count() const { return int(lines_.size()); }
    const std::string &operator[](int i) const { return lines_[size_t(i)]; }
    /// Every line followed by CR LF.
    std::string text() const;
    std::function<void()> onChange;

private:
    std::vector<std::string> lines_;
};

class TCustomSQLDataSet {
public:
    explicit TCustomSQLDataSet(TSQLConnection *connection);
    virtual ~TCustomSQLDataSet();
    TCustomSQLDataSet(const TCustomSQLDataSet &) = delete;
    TCustomSQLDataSet &operator=(const TCustomSQLDataSet &) = delete;

    TSQLConnection *SQLConnection;
    int MaxBlobSize = -1;

    /// The parameters of the current text, each without a value after the text has changed.
    TParams &params();
    /// "Parameter '%s' not found" when the text has no marker of that name.
    TParam &paramByName(const std::string &name) { return params().paramByName(name); }

    /// Runs a row-returning statement and reads its rows; the first row is current.
    void open();
    /// Runs a statement that returns no rows.
    void execSQL();
    /// Releases the current result (the statement stays prepared).
    void close();
    bool active() const { return active_; }
    bool eof() const;
    void next();
    int recordCount() const { return int(rows_.size()); }

    int fieldCount() const { return int(fields_.size()); }
    TSQLField &fields(int index);
    /// "Field '%s' not found"; names matched without regard to case.
    TSQLField &fieldByName(const std::string &name);
    TSQLField *findField(const std::string &name);

    /// The result's columns as record-set fields; a name that already occurs earlier gets "_1" (then "_2").
    std::vector<TFieldDef> resultFieldDefs();
    /// Starts the statement and hands its rows out one at a time, without keeping them. With `releaseAtEnd`
    /// the statement is freed when the last row has been handed out or the source is destroyed. The source
    /// must not outlive this object; a new use of this object ends it first.
    std::unique_ptr<IRecordSource> openSource(bool releaseAtEnd);
    /// Frees the prepared statement.
    void unprepare();
    bool prepared() const;

protected:
    void setText(const std::string &text);
    const std::string &text() const { return text_; }

private:
    struct Statement;
    friend class SqlRecordSource;
    /// The prepared statement of the current text, prepared anew when the text or the connection's
    /// attachment has changed since.
    Statement &prepare(StatementTransaction &transaction);
    /// The parameters' values in the statement's input message (null when the text has no parameters).
    fb::InputMessage *bindInput();
    void pointRow();
    /// Reads the markers of a changed text: parameters and server text are derived once it is complete.
    void derive();

    std::string text_;
    bool derived_ = true;
    ParsedSql parsed_;
    TParams params_;
    std::unique_ptr<Statement> statement_;
    SqlRecordSource *source_ = nullptr;
    std::vector<std::vector<TValue>> rows_;
    std::vector<TSQLField> fields_;
    std::vector<TValue> nullRow_;
    size_t current_ = 0;
    bool active_ = false;
};

class TSQLQuery : public TCustomSQLDataSet {
public:
    explicit TSQLQuery(TSQLConnection *connection);
    TStrings &SQL() { return sql_; }

private:
    TStrings sql_;
};

class TSQLDataSet : public TCustomSQLDataSet {
public:
    explicit TSQLDataSet(TSQLConnection *connection) : TCustomSQLDataSet(connection) {}
    void setCommandText(const std::string &text) { setText(text); }
    const std::string &commandText() const { return text(); }
};

/// The first steps of issuing a statement: close the object, clear its text, add the lines.
void setStatement(TSQLQuery &query, const std::vector<std::string> &lines);

} // namespace data
