#include "ConnectionDefs.h"

#include "CodePage.h"
#include "DbError.h"
#include "IniFile.h"

#include <QFileInfo>
#include <QSettings>

namespace data {

std::string TParamList::value(const std::string &name, const std::string &def) const
{
    for (const auto &[k, v] : items)
        if (sameName(k, name))
            return v;
    return def;
}

void TParamList::set(const std::string &name, const std::string &value)
{
    for (auto &[k, v] : items)
        if (sameName(k, name)) {
            v = value;
            return;
        }
    items.emplace_back(name, value);
}

static std::string registryFile(const std::string &programDir, const char *key, const char *fileName)
{
    QSettings settings(QSettings::UserScope, kDataLayerSettingsOrg, kDataLayerSettingsApp);
    QString overridden = settings.value(key).toString();
    if (!overridden.isEmpty())
        return overridden.toStdString();
    return programDir + fileName;
}

std::string connectionRegistryFile(const std::string &programDir)
{
    return registryFile(programDir, "Connection Registry File", "dbxconnections.ini");
}

std::string driverRegistryFile(const std::string &programDir)
{
    return registryFile(programDir, "Driver Registry File", "dbxdrivers.ini");
}

TParamList loadConnectionParams(const std::string &programDir, const std::string &connectionName)
{
    std::string path = connectionRegistryFile(programDir);
    if (!QFileInfo(QString::fromStdString(path)).isFile())
        throw EDatabaseError(formatMessage("Driver/Connection Registry File '%s' not found", path));
    TIniFile ini(path);
    TParamList params;
    params.items = ini.sectionValues(connectionName);
    if (params.items.empty())
        throw EDatabaseError("Connection '" + connectionName + "' is not defined in '" + path + "'");
    return params;
}

TDriverDef loadDriverDef(const std::string &programDir, const std::string &driverName)
{
    TIniFile ini(driverRegistryFile(programDir));
    return {ini.readString(driverName, "LibraryName", ""), ini.readString(driverName, "GetDriverFunc", ""),
            ini.readString(driverName, "VendorLib", "")};
}

} // namespace data
