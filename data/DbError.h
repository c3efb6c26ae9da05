#pragma once
// The two errors of the data layer.

#include <exception>
#include <stdexcept>
#include <string>
#include <vector>

namespace data {

/// A failure of the data layer or the record-set engine. The message is the server's, the driver's or the
/// engine's own text. A failure reported by the server also keeps every gds code of its error vector, first
/// to last, and its SQLSTATE; the layer's and the engine's own failures have neither.
class EDatabaseError : public std::runtime_error {
public:
    explicit EDatabaseError(const std::string &message, long gdsCode = 0)
        : std::runtime_error(message), codes_(gdsCode ? std::vector<long>{gdsCode} : std::vector<long>{}) {}
    EDatabaseError(const std::string &message, std::vector<long> gdsCodes, std::string sqlState)
        : std::runtime_error(message), codes_(std::move(gdsCodes)), sqlState_(std::move(sqlState)) {}

    /// The first gds code, 0 when the error is not the server's.
    long gdsCode() const { return codes_.empty() ? 0 : codes_.front(); }
    const std::vector<long> &gdsCodes() const { return codes_; }
    /// Whether `gdsCode` occurs anywhere in the error vector.
    bool has(long gdsCode) const;
    /// The five-character SQLSTATE, empty when the error is not the server's.
    const std::string &sqlState() const { return sqlState_; }
    /// Whether the attachment this error came from is gone (the server stopped or shut the database down,
    /// the network broke, the attachment was killed): nothing more can run on it, and a new attachment may
    /// succeed where this one failed.
    bool isConnectionLost() const;

private:
    std::vector<long> codes_;
    std::string sqlState_;
};

/// A connect to the database that failed (not a missing or broken definition): the server's or the
/// client's message, with the database the connection definition names.
class EConnectFailed : public EDatabaseError {
public:
    EConnectFailed(const EDatabaseError &cause, std::string database)
        : EDatabaseError(cause), database_(std::move(database)) {}
    /// The definition's "Database", as written there.
    const std::string &database() const { return database_; }

private:
    std::string database_;
};

/// The silent abort: stops the operation that caused it without any further message.
class EAbort : public std::exception {
public:
    const char *what() const noexcept override { return "Operation aborted"; }
};

/// printf-style "%s" substitution for the layer's fixed messages.
std::string formatMessage(const char *pattern, const std::string &arg);

} // namespace data
