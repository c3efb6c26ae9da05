#pragma once
// The Firebird client library, loaded at run time from the path the driver definition names.

#include "SmartPtrs.h"

#include <firebird/Interface.h>

#include <memory>
#include <string>

namespace data::fb {

/// One loaded client library, shared by the attachments made through it. The library stays loaded for the
/// rest of the process (unloading a Firebird client while its engine threads run is not safe).
class Client : public std::enable_shared_from_this<Client> {
public:
    /// Loads `libraryPath` and enters it through fb_get_master_interface, after pointing the embedded
    /// engine at a lock folder it may use (LockFolder.h). Raises EDatabaseError naming the library and the
    /// system's reason when it cannot be loaded.
    static std::shared_ptr<Client> load(const std::string &libraryPath);

    Client(const Client &) = delete;
    Client &operator=(const Client &) = delete;

    Firebird::IMaster *master() const { return master_; }
    Firebird::IUtil *util() const { return util_; }
    Firebird::IProvider *provider() const { return provider_.get(); }

    /// The SQLSTATE of an error vector ("HY000" when the library cannot tell).
    std::string sqlState(const intptr_t *errors) const;

private:
    using SqlStateFunction = void (*)(char *, const intptr_t *);
    Client(Firebird::IMaster *master, SqlStateFunction sqlState);

    Firebird::IMaster *master_;
    Firebird::IUtil *util_;
    ReleasePtr<Firebird::IProvider> provider_;
    SqlStateFunction sqlState_;
};

} // namespace data::fb
