#pragma once
// TSQLConnection: one attachment to the shop database, with at most one explicit transaction.
//
// The connection connects by itself at its first statement or transaction. With LoadParamsOnConnect it
// replaces Params by the section ConnectionName of the connection definitions at every connect, and takes
// the driver's LibraryName, VendorLib and GetDriverFunc from the driver definitions. Text travels as bytes:
// no character set is declared unless the definition names one. Outside an explicit transaction every
// statement runs in a transaction of its own that is committed when the statement is done.

#include "ConnectionDefs.h"
#include "fb/Attachment.h"
#include "fb/Transaction.h"

#include <memory>
#include <optional>
#include <string>

namespace data {

struct TTransactionDesc {
    enum Isolation { xilREADCOMMITTED, xilREPEATABLEREAD };
    int transactionID = 1;
    Isolation isolationLevel = xilREADCOMMITTED;
};

class TSQLConnection {
public:
    /// `programDir` ends with the path separator; the definition files are looked up there.
    explicit TSQLConnection(std::string programDir);
    TSQLConnection(const TSQLConnection &) = delete;
    TSQLConnection &operator=(const TSQLConnection &) = delete;

    std::string ConnectionName;
    std::string DriverName;
    std::string GetDriverFunc;
    std::string LibraryName;
    std::string VendorLib;
    bool LoadParamsOnConnect = true;
    bool LoginPrompt = false;
    TParamList Params;

    void open();
    /// Drops the attachment, rolling back an explicit transaction (quietly when the attachment is lost). The
    /// next statement or transaction connects anew, and the statement objects of this connection prepare
    /// their statements again on the new attachment.
    void close();
    bool connected() const { return bool(attachment_); }

    bool inTransaction() const { return transaction_.has_value(); }
    /// "A transaction is already active" when one is.
    void startTransaction(const TTransactionDesc &desc);
    /// "There is no active transaction" when none is active. A commit that fails has rolled the transaction
    /// back; either way the connection has no transaction afterwards.
    void commit(const TTransactionDesc &desc);
    void rollback(const TTransactionDesc &desc);

    // For the statement objects of this connection.
    /// The attachment, connecting first. A statement prepared on it can tell whether it still is the
    /// connection's (fb::Statement::preparedOn).
    const std::shared_ptr<fb::Attachment> &attachment();
    /// The explicit transaction, or null.
    fb::Transaction *activeTransaction() { return transaction_ ? &*transaction_ : nullptr; }
    /// A new transaction with this connection's isolation and lock waiting, for one statement.
    fb::Transaction startOwnTransaction(bool readOnly);

private:
    std::string programDir_;
    fb::TransactionOptions transactionOptions_;
    std::shared_ptr<fb::Attachment> attachment_;
    std::optional<fb::Transaction> transaction_;
};

/// An explicit transaction of a connection as an object: started when made, committed explicitly, rolled
/// back when left unfinished (an error on the way, a failed commit). The connection must outlive it.
class TSQLTransactionScope {
public:
    /// Starts a read-committed transaction; raises EDatabaseError when the connection already has one, which
    /// then stays as it was.
    explicit TSQLTransactionScope(TSQLConnection &connection);
    TSQLTransactionScope(const TSQLTransactionScope &) = delete;
    TSQLTransactionScope &operator=(const TSQLTransactionScope &) = delete;
    ~TSQLTransactionScope();

    /// A commit that fails has rolled the transaction back; the error travels on.
    void commit();

private:
    TSQLConnection &connection_;
};

} // namespace data
