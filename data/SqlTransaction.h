#pragma once
// The transaction a statement of a statement object runs in.

#include "SqlConnection.h"

#include <optional>

namespace data {

/// The connection's explicit transaction when one is active; otherwise a transaction of the statement's own,
/// read-only for a read, which commit() commits and which is rolled back when left unfinished. The
/// connection must outlive the object.
class StatementTransaction {
public:
    StatementTransaction(TSQLConnection &connection, bool readOnly);

    /// The transaction to run in: the statement's own, or the connection's explicit one ("There is no
    /// active transaction" when that has ended since).
    fb::Transaction &get();
    /// A statement that writes after all (a select with a lock, a procedure) needs a writing transaction:
    /// a read-only one of the statement's own is rolled back and replaced.
    void makeWritable();
    /// Commits a transaction of the statement's own (an explicit one is left to its owner). A commit that
    /// fails has rolled it back; the error travels on.
    void commit();

private:
    TSQLConnection *connection_;
    std::optional<fb::Transaction> own_;
};

} // namespace data
