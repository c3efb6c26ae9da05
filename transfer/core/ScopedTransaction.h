#pragma once
// An explicit transaction of a connection as an object: started when made, committed explicitly, rolled back
// when left unfinished (an error on the way, a failed commit).

#include "data/SqlConnection.h"

namespace transfer {

class ScopedTransaction {
public:
    /// Starts a read-committed transaction; raises EDatabaseError when the connection already has one, which
    /// then stays as it was.
    explicit ScopedTransaction(data::TSQLConnection &connection) : connection_(connection)
    {
        connection_.startTransaction(data::TTransactionDesc{});
    }
    ScopedTransaction(const ScopedTransaction &) = delete;
    ScopedTransaction &operator=(const ScopedTransaction &) = delete;

    ~ScopedTransaction()
    {
        if (!connection_.inTransaction())
            return;
        try {
            connection_.rollback(data::TTransactionDesc{});
        } catch (...) {
            // A connection that is gone has dropped the transaction with it.
        }
    }

    /// A commit that fails has rolled the transaction back; the error travels on.
    void commit() { connection_.commit(data::TTransactionDesc{}); }

private:
    data::TSQLConnection &connection_;
};

} // namespace transfer
