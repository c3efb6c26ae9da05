#pragma once
// TSQLConnection: one attachment to the shop database, with at most one explicit transaction.
//
// The connection connects by itself at its first statement or transaction. With LoadParamsOnConnect it
// replaces Params by the section ConnectionName of the connection definitions at every connect, and takes
// the driver's LibraryName, VendorLib and GetDriverFunc from the driver definitions. Text travels as bytes:
// no character set is declared unless the definition names one. Outside an explicit transaction every
// statement runs in a transaction of its own that is committed when the statement is done.

#include "ConnectionDefs.h"
#include "FbClient.h"

#include <memory>
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
    ~TSQLConnection();
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
    bool connected() const { return bool(attachment_); }

    bool inTransaction() const { return bool(transaction_); }
    void startTransaction(const TTransactionDesc &desc);
    /// "There is no active transaction" when none is active.
    void commit(const TTransactionDesc &desc);
    void rollback(const TTransactionDesc &desc);

    // For the statement objects of this connection.
    FbClient &client();
    Firebird::IAttachment *attachment();
    /// The explicit transaction, or null.
    Firebird::ITransaction *activeTransaction() const { return transaction_.get(); }
    /// A new transaction with this connection's isolation and lock waiting, for one statement. A read-only
    /// one costs the server no write when it ends.
    FbRef<Firebird::ITransaction> startOwnTransaction(bool readOnly = false);

private:
    std::string programDir_;
    std::shared_ptr<FbClient> client_;
    FbRef<Firebird::IAttachment> attachment_;
    FbRef<Firebird::ITransaction> transaction_;
    std::string tpb_;
};

} // namespace data
