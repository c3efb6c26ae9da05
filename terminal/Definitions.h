#pragma once
// The connection definition "Kobrel" ("dbxconnections.ini") and the driver definition "Interbase"
// ("dbxdrivers.ini") that the program's connections read at every connect, and pointing a terminal at a
// shop database through them.

#include <string>

namespace terminal {

/// The shop database a terminal works on and the database user it works as.
struct DatabaseLogin {
    std::string database; ///< a file path (embedded engine) or "host[/port]:path" (server)
    std::string user;
    std::string password;
};

/// Writes the section Kobrel of the connection definitions file `file`: the database, user and password
/// of `login` and the fixed parameters the program's connections rely on. The file holds a password: a new
/// one is made readable by its owner only (0600), and one that others may read is narrowed to that before
/// anything is written into it. Other sections and keys stay as they were. Raises
/// std::runtime_error naming the file and the system's reason.
void writeConnectionDefinition(const std::string &file, const DatabaseLogin &login);

/// Writes the section Interbase of the driver definitions file `file`, naming the client library
/// `vendorLib`. Raises as writeConnectionDefinition does.
void writeDriverDefinition(const std::string &file, const std::string &vendorLib = "libfbclient.so.2");

/// Writes the driver definition that the program reads from the terminal folder `folder` when there is none.
void provideDriverDefinition(const std::string &folder);

/// Points the terminal whose terminal folder is `folder` at the database of `login`: writes the connection
/// definition the program reads (and the driver definition when there is none), then tries it by reading
/// the shop's store id, which it returns (empty when the shop has none). When the connection fails, the
/// connection definition gets back what it held (it is removed when there was none; it stays readable by its
/// owner only) and the error carries the server's or the system's message.
std::string connectTerminal(const std::string &folder, const DatabaseLogin &login);

} // namespace terminal
