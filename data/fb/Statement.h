#pragma once
// A prepared statement and the cursor over its rows.

#include "Message.h"
#include "SmartPtrs.h"

#include <firebird/Interface.h>

#include <memory>
#include <string>
#include <vector>

namespace data::fb {

class Attachment;
class Transaction;

/// A statement prepared on one attachment, freed when the object goes. It keeps no attachment alive: once
/// its attachment has been dropped (preparedOn answers no for the new one), it can only be freed.
class Statement {
public:
    /// Prepares `sql` on `attachment`, in `transaction` (one of that attachment's), with the attachment's
    /// dialect. Raises EDatabaseError with the server's message.
    Statement(const std::shared_ptr<Attachment> &attachment, Transaction &transaction, const std::string &sql);
    Statement(Statement &&) noexcept = default;
    Statement &operator=(Statement &&) = delete;
    Statement(const Statement &) = delete;
    Statement &operator=(const Statement &) = delete;
    /// Frees the statement; a failure (the attachment is lost) is not reported.
    ~Statement();

    /// Whether this statement was prepared on `attachment` (and not on one that has been dropped since).
    bool preparedOn(const Attachment &attachment) const;
    /// isc_info_sql_stmt_select, isc_info_sql_stmt_insert, ...
    unsigned type() const { return type_; }
    const std::vector<Column> &columns() const { return columns_; }
    unsigned rowLength() const { return rowLength_; }

    /// Runs a statement that returns at most one row. `input` may be null for a statement without
    /// parameters; `row` (rowLength() bytes) receives the returned row, if any.
    void execute(Transaction &transaction, InputMessage *input, void *row);

private:
    friend class Cursor;

    std::weak_ptr<Attachment> attachment_;
    std::shared_ptr<Client> client_;
    ReleasePtr<Firebird::IStatement> handle_;
    ReleasePtr<Firebird::IMessageMetadata> outputMetadata_;
    std::vector<Column> columns_;
    unsigned rowLength_ = 0;
    unsigned type_ = 0;
};

/// The open rows of a statement, closed when the object goes (a failure to close, on an attachment that is
/// lost, is not reported). The statement and the transaction must outlive it.
class Cursor {
public:
    Cursor(Statement &statement, Transaction &transaction, InputMessage *input);
    Cursor(Cursor &&) noexcept = default;
    Cursor &operator=(Cursor &&) = delete;
    ~Cursor();

    /// Reads the next row into row(); false at the end.
    bool fetch();
    const unsigned char *row() const { return reinterpret_cast<const unsigned char *>(row_.data()); }

private:
    std::shared_ptr<Client> client_;
    ReleasePtr<Firebird::IResultSet> handle_;
    std::string row_;
};

/// The whole content of the blob `id`, read in `transaction`.
std::string readBlob(Transaction &transaction, ISC_QUAD id);

} // namespace data::fb
