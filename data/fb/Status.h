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

} // namespace data::fb
