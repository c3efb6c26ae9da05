#pragma once
// The Firebird server that scripts/test starts for the tests (scripts/fbserver): where it is and its SYSDBA.

#include <QString>

#include <optional>
#include <string>

struct TestServer {
    std::string server;   ///< "host/port", put before ":path" in a database name
    std::string folder;   ///< where the server can make databases
    std::string user;     ///< its SYSDBA
    std::string password;
    std::string control;  ///< "start|stop|kill|status" on this server only (may be empty)

    /// What a test that needs the server says when it skips.
    static constexpr const char *Missing = "no Firebird server: TOUCHMOVE_SERVER, TOUCHMOVE_SERVER_DIR, "
                                           "TOUCHMOVE_SERVER_USER and TOUCHMOVE_SERVER_PASSWORD are not all set "
                                           "(scripts/test starts a server for the tests)";
};

/// The server of the TOUCHMOVE_SERVER* variables; nothing when one of them is missing.
inline std::optional<TestServer> testServer()
{
    const auto get = [](const char *name) { return qEnvironmentVariable(name).toStdString(); };
    TestServer s{get("TOUCHMOVE_SERVER"), get("TOUCHMOVE_SERVER_DIR"), get("TOUCHMOVE_SERVER_USER"),
                 get("TOUCHMOVE_SERVER_PASSWORD"), get("TOUCHMOVE_SERVER_CTL")};
    if (s.server.empty() || s.folder.empty() || s.user.empty() || s.password.empty())
        return std::nullopt;
    return s;
}
