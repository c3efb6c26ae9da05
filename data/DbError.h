#pragma once
// The two errors of the data layer.

#include <exception>
#include <stdexcept>
#include <string>

namespace data {

/// A failure of the data layer or the record-set engine. The message is the server's, the driver's or the
/// engine's own text; `gdsCode` is the server's first error code (0 when the error is not the server's).
class EDatabaseError : public std::runtime_error {
public:
    explicit EDatabaseError(const std::string &message, long gdsCode = 0)
        : std::runtime_error(message), gds_(gdsCode) {}
    long gdsCode() const { return gds_; }

private:
    long gds_;
};

/// The silent abort: stops the operation that caused it without any further message.
class EAbort : public std::exception {
public:
    const char *what() const noexcept override { return "Operation aborted"; }
};

/// printf-style "%s" substitution for the layer's fixed messages.
std::string formatMessage(const char *pattern, const std::string &arg);

} // namespace data
