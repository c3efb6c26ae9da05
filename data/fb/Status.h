#pragma once
// The status of client calls, passed to every call of the OO API: a failed call raises EDatabaseError at
// once, with the text that IUtil::formatStatus gives, every gds code of the error vector and the SQLSTATE.

#include "SmartPtrs.h"

#include <firebird/Interface.h>

namespace data {
class EDatabaseError;
}

namespace data::fb {

class Client;

class StatusWrapper : public Firebird::BaseStatusWrapper<StatusWrapper> {
public:
    /// `client` must outlive the wrapper.
    explicit StatusWrapper(const Client &client);
    StatusWrapper(const StatusWrapper &) = delete;
    StatusWrapper &operator=(const StatusWrapper &) = delete;

    /// Called by the interfaces after each call.
    static void checkException(StatusWrapper *status);

private:
    EDatabaseError error() const;

    const Client &client_;
    DisposePtr<Firebird::IStatus> owned_;
};

/// Makes `call`, a call that ends the object and releases it when it succeeds (commit, rollback, detach,
/// free, close), on the interface that `handle` owns. The interface is given up either way; a failure
/// raises the call's error.
template <class T, class Call> void end(const Client &client, ReleasePtr<T> handle, Call call)
{
    StatusWrapper st(client);
    call(handle.get(), &st);
    handle.release();
}

/// end() for destructors: a failure (the attachment is lost, and the object with it) is not reported.
template <class T, class Call> void endQuietly(const Client &client, ReleasePtr<T> handle, Call call) noexcept
{
    try {
        end(client, std::move(handle), call);
    } catch (...) {
        // The interface is released all the same.
    }
}

} // namespace data::fb
