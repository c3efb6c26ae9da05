#pragma once
// The editable connection and driver definitions ("dbxconnections.ini", "dbxdrivers.ini"), read at every
// connect. Each file is looked up first in the per-user settings of the data layer ("Connection Registry
// File", "Driver Registry File"); when that setting is absent, the file of that name in the program folder is
// used.

#include <string>
#include <utility>
#include <vector>

namespace data {

/// An ordered name=value list, names matched without regard to case.
class TParamList {
public:
    std::vector<std::pair<std::string, std::string>> items;
    std::string value(const std::string &name, const std::string &def = {}) const;
    void set(const std::string &name, const std::string &value);
};

struct TDriverDef {
    std::string libraryName;
    std::string getDriverFunc;
    std::string vendorLib;
};

/// The organisation and application names under which the per-user settings are kept.
inline constexpr const char *kDataLayerSettingsOrg = "TouchMove";
inline constexpr const char *kDataLayerSettingsApp = "DataLayer";

std::string connectionRegistryFile(const std::string &programDir);
std::string driverRegistryFile(const std::string &programDir);

/// The section `connectionName` of the connection definitions. "Driver/Connection Registry File '%s' not
/// found" when the file does not exist.
TParamList loadConnectionParams(const std::string &programDir, const std::string &connectionName);
/// The section `driverName` of the driver definitions; a missing file or section gives empty values.
TDriverDef loadDriverDef(const std::string &programDir, const std::string &driverName);

} // namespace data
