#pragma once
// One attachment to a database.

#include "Client.h"
#include "SmartPtrs.h"

#include <firebird/Interface.h>

#include <memory>
#include <string>

namespace data::fb {

/// What an attachment is made with; an empty text is not sent.
struct AttachmentOptions {
    std::string user;
    std::string password;
    std::string role;
    /// The character set declared for the attachment; empty: none, text travels as bytes.
    std::string characterSet;
    /// The SQL dialect of the attachment and of every statement prepared on it.
    unsigned dialect = 3;
    /// Seconds a server may take to accept the attachment, 0 for the client's default. The embedded engine
    /// does not use it.
    unsigned connectTimeout = 0;

    AttachmentOptions &setUser(std::string v) { user = std::move(v); return *this; }
    AttachmentOptions &setPassword(std::string v) { password = std::move(v); return *this; }
    AttachmentOptions &setRole(std::string v) { role = std::move(v); return *this; }
    AttachmentOptions &setCharacterSet(std::string v) { characterSet = std::move(v); return *this; }
    AttachmentOptions &setDialect(unsigned v) { dialect = v; return *this; }
    AttachmentOptions &setConnectTimeout(unsigned v) { connectTimeout = v; return *this; }
};

/// An attachment, detached when the object goes. Once the server has lost it (EDatabaseError::
/// isConnectionLost), nothing more runs on it: the owner drops it and makes a new one; statements tell by
/// Statement::preparedOn that they belong to the old one.
class Attachment {
public:
    /// Attaches to `database` (a file for the embedded engine, "host:path" for a server). The embedded engine
    /// winds a database down for a moment after its last attachment has gone and refuses an attachment
    /// that comes in that moment as if another process had the file open: that is tried again for up to a
    /// second. Raises EDatabaseError with the server's message.
    Attachment(std::shared_ptr<Client> client, const std::string &database, const AttachmentOptions &options);
    Attachment(Attachment &&) noexcept = default;
    Attachment &operator=(Attachment &&) = delete;
    /// Detaches; a failure (an attachment already lost) is not reported.
    ~Attachment();

    Client &client() const { return *client_; }
    Firebird::IAttachment *handle() const { return handle_.get(); }
    unsigned dialect() const { return dialect_; }

    enum class Cancel {
        /// The running call fails with the server's "operation was cancelled" (isc_cancelled) and its
        /// transaction stays usable for a rollback. Needs a server that answers.
        Raise,
        /// The client closes its side of a server's connection at once: the running call fails as if the
        /// network had broken, the attachment is lost and the server rolls its transactions back. For a
        /// server that does not answer at all; the embedded engine ignores it.
        Abort,
    };
    /// Cancels the operation that runs on this attachment, from any thread. Raise does nothing when no
    /// operation runs.
    void cancelOperation(Cancel how = Cancel::Raise);
    /// Asks the server whether the attachment is still there; raises EDatabaseError (isConnectionLost) when
    /// it is not.
    void ping();

private:
    std::shared_ptr<Client> client_;
    ReleasePtr<Firebird::IAttachment> handle_;
    unsigned dialect_;
};

} // namespace data::fb
