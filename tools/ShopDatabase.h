#pragma once
// Making a shop database for the demo, the tests and the benchmarks: the definition files of a program
// folder, an empty database file with the shop's schema, and the statements of a schema script.

#include <string>
#include <vector>

namespace shopdb {

struct Target {
    std::string programDir;               ///< ends with "/"
    std::string database;                 ///< a file path (embedded engine) or "host:path" (server)
    std::string user = "SYSDBA";
    std::string password = "masterkey";
    std::string vendorLib = "libfbclient.so.2";
};

/// Writes "dbxconnections.ini" (section Kobrel, readable by its owner only) and "dbxdrivers.ini"
/// (section Interbase) into the folder.
void writeDefinitionFiles(const Target &target);

/// Creates the database file named by the target (replacing nothing: an existing file is an error) and runs
/// every statement of the schema script on it.
void createDatabase(const Target &target, const std::string &schemaFile);

/// Drops the database named by the target; a database that is gone already is no error.
void dropDatabase(const Target &target);

/// The statements of a script, split at ";" outside quotes and comments; comment lines dropped.
std::vector<std::string> splitStatements(const std::string &script);

} // namespace shopdb
