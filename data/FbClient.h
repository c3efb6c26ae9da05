#pragma once
// The Firebird client library, loaded at run time from the path the driver definition names, and the two
// smart pointers that hold every interface taken from it.

#include <firebird/Interface.h>

#include <memory>
#include <string>
#include <utility>

namespace data {

/// Holds a reference-counted interface and calls release() when it goes.
template <class T> class FbRef {
public:
    FbRef() = default;
    explicit FbRef(T *p) : p_(p) {}
    FbRef(FbRef &&o) noexcept : p_(std::exchange(o.p_, nullptr)) {}
    FbRef &operator=(FbRef &&o) noexcept { reset(std::exchange(o.p_, nullptr)); return *this; }
    FbRef(const FbRef &) = delete;
    FbRef &operator=(const FbRef &) = delete;
    ~FbRef() { reset(); }
    void reset(T *p = nullptr) { if (p_) p_->release(); p_ = p; }
    /// Gives up ownership, for calls that end the object themselves (commit, detach, free).
    T *release() { return std::exchange(p_, nullptr); }
    T *get() const { return p_; }
    T *operator->() const { return p_; }
    explicit operator bool() const { return p_ != nullptr; }

private:
    T *p_ = nullptr;
};

/// Holds a disposable interface (status, builders) and calls dispose() when it goes.
template <class T> class FbOwned {
public:
    FbOwned() = default;
    explicit FbOwned(T *p) : p_(p) {}
    FbOwned(FbOwned &&o) noexcept : p_(std::exchange(o.p_, nullptr)) {}
    FbOwned &operator=(FbOwned &&o) noexcept { reset(std::exchange(o.p_, nullptr)); return *this; }
    FbOwned(const FbOwned &) = delete;
    FbOwned &operator=(const FbOwned &) = delete;
    ~FbOwned() { reset(); }
    void reset(T *p = nullptr) { if (p_) p_->dispose(); p_ = p; }
    T *get() const { return p_; }
    T *operator->() const { return p_; }

private:
    T *p_ = nullptr;
};

/// One loaded client library. Shared by the connections that use it; the library stays loaded for the rest
/// of the process (unloading a Firebird client while its engine threads run is not safe).
class FbClient {
public:
    /// Loads `libraryPath` and enters it through fb_get_master_interface. Raises EDatabaseError naming the
    /// library and the system's reason when it cannot be loaded.
    static std::shared_ptr<FbClient> load(const std::string &libraryPath);

    Firebird::IMaster *master() const { return master_; }
    Firebird::IUtil *util() const { return util_; }
    Firebird::IProvider *provider() const { return provider_.get(); }

private:
    explicit FbClient(Firebird::IMaster *master);
    Firebird::IMaster *master_;
    Firebird::IUtil *util_;
    FbRef<Firebird::IProvider> provider_;
};

/// The status of one client call. check() raises EDatabaseError with the server's formatted message and its
/// first gds code when the call failed.
class FbStatus {
public:
    explicit FbStatus(const FbClient &client);
    Firebird::CheckStatusWrapper *operator&() { return &wrapper_; }
    void check();
    /// Whether the call failed (for paths that must clean up before check() raises).
    bool failed() const;
    /// Whether the failure carries the server's error code `gdsCode` anywhere in its error vector.
    bool has(long gdsCode) const;

private:
    const FbClient &client_;
    FbOwned<Firebird::IStatus> status_;
    Firebird::CheckStatusWrapper wrapper_;
};

} // namespace data
