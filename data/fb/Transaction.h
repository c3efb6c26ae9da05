#pragma once
// A transaction of an attachment.

#include "SmartPtrs.h"

#include <firebird/Interface.h>

#include <memory>

namespace data::fb {

class Attachment;

/// How a transaction reads and waits.
struct TransactionOptions {
    enum class Isolation { ReadCommitted, Snapshot };
    Isolation isolation = Isolation::ReadCommitted;
    /// A read-only transaction costs the server no write when it ends.
    bool readOnly = false;
    /// Whether a statement that meets a row locked by another transaction waits for it or fails at once.
    bool wait = true;

    TransactionOptions &setIsolation(Isolation v) { isolation = v; return *this; }
    TransactionOptions &setReadOnly(bool v) { readOnly = v; return *this; }
    TransactionOptions &setWait(bool v) { wait = v; return *this; }
};

enum class TransactionState { Active, Committed, RolledBack };

/// A started transaction: committed or rolled back explicitly, rolled back by the destructor when it is
/// still active. It keeps its attachment alive; a moved-from transaction is not active.
class Transaction {
public:
    /// Starts the transaction; raises EDatabaseError with the server's message.
    Transaction(std::shared_ptr<Attachment> attachment, const TransactionOptions &options);
    Transaction(Transaction &&other) noexcept;
    Transaction &operator=(Transaction &&) = delete;
    Transaction(const Transaction &) = delete;
    Transaction &operator=(const Transaction &) = delete;
    /// Rolls back an active transaction; a failure (the attachment is lost) is not reported.
    ~Transaction();

    TransactionState state() const { return state_; }
    bool active() const { return state_ == TransactionState::Active; }
    Attachment &attachment() const { return *attachment_; }
    Firebird::ITransaction *handle() const { return handle_.get(); }

    /// A commit that fails leaves nothing half-done: the transaction is rolled back and ended, and the
    /// commit's error travels on.
    void commit();
    /// Ends the transaction even when the rollback fails (the attachment is lost); that error travels on.
    void rollback();

private:
    void rollbackQuietly() noexcept;

    std::shared_ptr<Attachment> attachment_;
    ReleasePtr<Firebird::ITransaction> handle_;
    TransactionState state_ = TransactionState::Active;
};

} // namespace data::fb
