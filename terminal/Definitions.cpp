#include "Definitions.h"

#include "data/ConnectionDefs.h"
#include "data/IniFile.h"
#include "data/ReplaceFile.h"
#include "data/SqlQuery.h"

#include <QFile>

#include <optional>
#include <stdexcept>

namespace terminal {

namespace {

constexpr auto OwnerOnly = QFile::ReadOwner | QFile::WriteOwner;

[[noreturn]] void fail(const std::string &what, const std::string &file, const QString &reason)
{
    throw std::runtime_error(what + " '" + file + "': " + reason.toStdString());
}

/// Makes sure that nobody but the owner can read `file` before a password goes into it.
void restrictReading(const std::string &file)
{
    QFile f(QString::fromStdString(file));
    if (!f.exists() && !f.open(QIODevice::WriteOnly | QIODevice::NewOnly))
        fail("Cannot make", file, f.errorString());
    f.close();
    if (!f.setPermissions(f.permissions() & OwnerOnly))
        fail("Cannot restrict the access to", file, f.errorString());
}

/// A file's bytes as they were, to be put back. Its mode stays as it is now: a definition that others could
/// read is not opened to them again.
class FileBackup {
public:
    explicit FileBackup(std::string file) : file_(std::move(file))
    {
        QFile f(QString::fromStdString(file_));
        if (!f.exists())
            return;
        if (!f.open(QIODevice::ReadOnly))
            fail("Cannot read", file_, f.errorString());
        bytes_ = f.readAll();
    }

    void restore() const
    {
        if (!bytes_) {
            QFile::remove(QString::fromStdString(file_));
            return;
        }
        data::replaceFile(file_, *bytes_);
    }

private:
    std::string file_;
    std::optional<QByteArray> bytes_;
};

} // namespace

void writeConnectionDefinition(const std::string &file, const DatabaseLogin &login)
{
    restrictReading(file);
    data::TIniFile ini(file);
    const std::pair<const char *, std::string> params[] = {
        {"DriverName", "Interbase"}, {"Database", login.database}, {"RoleName", "RoleName"},
        {"User_Name", login.user},   {"Password", login.password}, {"ServerCharSet", ""},
        {"SQLDialect", "3"},         {"BlobSize", "-1"},           {"CommitRetain", "False"},
        {"WaitOnLocks", "True"},     {"ErrorResourceFile", ""},    {"LocaleCode", "0000"},
        {"Interbase TransIsolation", "ReadCommited"},              {"Trim Char", "False"}};
    for (const auto &[key, value] : params)
        ini.writeString("Kobrel", key, value);
}

void writeDriverDefinition(const std::string &file, const std::string &vendorLib)
{
    data::TIniFile ini(file);
    ini.writeString("Interbase", "GetDriverFunc", "getSQLDriverINTERBASE");
    ini.writeString("Interbase", "LibraryName", "libdbxfb.so");
    ini.writeString("Interbase", "VendorLib", vendorLib);
}

void provideDriverDefinition(const std::string &folder)
{
    const std::string drivers = data::driverRegistryFile(folder);
    if (!QFile::exists(QFile::decodeName(drivers.c_str())))
        writeDriverDefinition(drivers);
}

std::string connectTerminal(const std::string &folder, const DatabaseLogin &login)
{
    provideDriverDefinition(folder);
    const std::string connections = data::connectionRegistryFile(folder);
    const FileBackup previous(connections);
    writeConnectionDefinition(connections, login);
    try {
        data::TSQLConnection connection(folder);
        connection.ConnectionName = "Kobrel";
        data::TSQLQuery query(&connection);
        data::setStatement(query, {"SELECT * FROM STORE_CHOISE"});
        query.open();
        return query.fieldByName("STORE_ID").asString();
    } catch (...) {
        previous.restore();
        throw;
    }
}

} // namespace terminal
