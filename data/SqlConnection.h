#pragma once
// TSQLConnection: one attachment to the shop database, with at most one explicit transaction.
//
// The connection connects by itself at its first statement or transaction. With LoadParamsOnConnect it
// replaces Params by the section ConnectionName of the connection definitions at every connect, and takes
// the driver's LibraryName, VendorLib and GetDriverFunc from the driver definitions. Text travels as bytes:
// no character set is declared unless the definition names one. Outside an explicit transaction every
// statement runs in a transaction of its own that is committed when the statement is done.
//
// The server may go away and come back (a restart, a network break): every unit of work starts with a
// transaction, and a start that finds the attachment lost attaches anew and starts once more, so the next
// action after a restart simply works; nothing was done on the lost attachment that could be lost with it.
// A loss in the middle of a unit of work is raised (the server rolls its transaction back), and the next
// unit attaches anew.
// A server that does not answer holds the screen for a limited time only: connecting has the definition's
// "ConnectTimeout" (seconds, 15 when absent), and a call that the server has not answered within
// "StatementTimeout" (seconds, 60 when absent) is cancelled.

#include "ConnectionDefs.h"
#include "DbError.h"
#include "fb/Attachment.h"
#include "fb/Transaction.h"
#include "fb/Watchdog.h"

#include <chrono>
#include <memory>
#include <optional>
#include <string>

namespace data {

struct TTransactionDesc {
    enum Isolation { xilREADCOMMITTED, xilREPEATABLEREAD };
    int transactionID = 1;
    Isolation isolationLevel = xilREADCOMMITTED;
};

inline constexpr unsigned DefaultConnectTimeout = 15;
inline constexpr unsigned DefaultStatementTimeout = 60;

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

    /// Connects unless connected. A database that cannot be attached raises EConnectFailed; a definition
    /// that is missing or broken raises EDatabaseError.
    void open();
    /// Drops the attachment, rolling back an explicit transaction (quietly when the attachment is lost). The
    /// next statement or transaction connects anew, and the statement objects of this connection prepare
    /// their statements again on the new attachment.
    void close();
    bool connected() const { return bool(attachment_); }
    /// Makes sure that the server answers on this connection: connects when not connected, asks the server
    /// otherwise (one round trip), and attaches anew when the attachment turns out to be lost (an explicit
    /// transaction is gone with it). Raises EConnectFailed when the database cannot be reached.
    void ensureConnected();

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
    /// A new transaction with this connection's isolation and lock waiting, for one statement. Connects
    /// first; a lost attachment is replaced once (see the head of this file).
    fb::Transaction startOwnTransaction(bool readOnly);
    /// Runs `work`, calls to the server on this connection, under the statement time limit. When the server
    /// has not answered within it, the running call is cancelled and `work`'s failure is raised as an
    /// EDatabaseError that says so, with isc_cancelled among its codes. Runs nested in another are timed
    /// with it.
    template <class Work> decltype(auto) timed(Work &&work);

private:
    /// Times one outermost run of timed().
    class TimedCall {
    public:
        explicit TimedCall(TSQLConnection &connection);
        TimedCall(const TimedCall &) = delete;
        TimedCall &operator=(const TimedCall &) = delete;
        ~TimedCall();
        /// Raises the time-out error in place of `failure` when the limit has passed.
        void failed(const EDatabaseError &failure);

    private:
        TSQLConnection &connection_;
        bool armed_ = true;
    };
    /// Runs `start`, the first call of a unit of work; see the head of this file.
    template <class Start> auto reattaching(Start &&start) -> decltype(start());

    std::string programDir_;
    fb::Watchdog watchdog_;
    int timing_ = 0; ///< how deep timed() runs are nested
    std::chrono::seconds statementTimeout_{DefaultStatementTimeout};
    fb::TransactionOptions transactionOptions_;
    std::shared_ptr<fb::Attachment> attachment_;
    std::optional<fb::Transaction> transaction_;
};

template <class Work> decltype(auto) TSQLConnection::timed(Work &&work)
{
    if (timing_)
        return std::forward<Work>(work)();
    TimedCall call(*this);
    try {
        return std::forward<Work>(work)();
    } catch (const EDatabaseError &failure) {
        call.failed(failure);
        throw;
    }
}

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
