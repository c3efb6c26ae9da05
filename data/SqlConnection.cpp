#include "SqlConnection.h"

#include "DbError.h"

#include <QFile>
#include <QString>

namespace data {

static bool isTrue(const std::string &v)
{
    return QString::fromStdString(v).trimmed().compare("True", Qt::CaseInsensitive) == 0;
}

/// Where the driver's LibraryName was looked for and why it was not found there.
static std::string whyNoLibraryName(const std::string &programDir, const std::string &driverName)
{
    const std::string path = driverRegistryFile(programDir);
    QFile file(QString::fromStdString(path));
    if (!file.open(QIODevice::ReadOnly))
        return path + ": " + file.errorString().toStdString();
    return path + ": no LibraryName in section [" + driverName + "]";
}

/// The definition's "SQLDialect": 1, 2 or 3, 3 when it is empty.
static unsigned dialectOf(const TParamList &params)
{
    const QString text = QString::fromStdString(params.value("SQLDialect")).trimmed();
    if (text.isEmpty())
        return 3;
    bool ok = false;
    const unsigned dialect = text.toUInt(&ok);
    if (!ok || dialect < 1 || dialect > 3)
        throw EDatabaseError("SQLDialect '" + text.toStdString() + "' is not a SQL dialect (1, 2 or 3)");
    return dialect;
}

TSQLConnection::TSQLConnection(std::string programDir) : programDir_(std::move(programDir)) {}

const std::shared_ptr<fb::Attachment> &TSQLConnection::attachment()
{
    open();
    return attachment_;
}

void TSQLConnection::open()
{
    if (attachment_)
        return;
    if (LoadParamsOnConnect) {
        Params = loadConnectionParams(programDir_, ConnectionName);
        DriverName = Params.value("DriverName", DriverName);
        TDriverDef driver = loadDriverDef(programDir_, DriverName);
        LibraryName = driver.libraryName;
        GetDriverFunc = driver.getDriverFunc;
        VendorLib = driver.vendorLib;
    }
    if (LibraryName.empty())
        throw EDatabaseError("DLL/Shared Library Name not Set\n" + whyNoLibraryName(programDir_, DriverName));
    if (VendorLib.empty())
        throw EDatabaseError("Vendor Library Name not Set for driver '" + DriverName + "'");
    std::string database = Params.value("Database");
    if (database.empty())
        throw EDatabaseError("No database is set for connection '" + ConnectionName + "'");

    const auto options = fb::AttachmentOptions()
                             .setUser(Params.value("User_Name"))
                             .setPassword(Params.value("Password"))
                             .setRole(Params.value("RoleName"))
                             .setCharacterSet(Params.value("ServerCharSet"))
                             .setDialect(dialectOf(Params));
    const bool snapshot =
        QString::fromStdString(Params.value("Interbase TransIsolation", "ReadCommited")).startsWith("Repeat", Qt::CaseInsensitive);
    transactionOptions_ = fb::TransactionOptions()
                              .setIsolation(snapshot ? fb::TransactionOptions::Isolation::Snapshot
                                                     : fb::TransactionOptions::Isolation::ReadCommitted)
                              .setWait(isTrue(Params.value("WaitOnLocks", "True")));
    attachment_ = std::make_shared<fb::Attachment>(fb::Client::load(VendorLib), database, options);
}

void TSQLConnection::close()
{
    transaction_.reset();
    attachment_.reset();
}

fb::Transaction TSQLConnection::startOwnTransaction(bool readOnly)
{
    auto options = transactionOptions_;
    return fb::Transaction(attachment(), options.setReadOnly(readOnly));
}

void TSQLConnection::startTransaction(const TTransactionDesc &)
{
    if (transaction_)
        throw EDatabaseError("A transaction is already active");
    transaction_.emplace(startOwnTransaction(false));
}

void TSQLConnection::commit(const TTransactionDesc &)
{
    if (!transaction_)
        throw EDatabaseError("There is no active transaction");
    std::optional<fb::Transaction> ending = std::move(transaction_);
    transaction_.reset();
    ending->commit();
}

void TSQLConnection::rollback(const TTransactionDesc &)
{
    if (!transaction_)
        throw EDatabaseError("There is no active transaction");
    std::optional<fb::Transaction> ending = std::move(transaction_);
    transaction_.reset();
    ending->rollback();
}

TSQLTransactionScope::TSQLTransactionScope(TSQLConnection &connection) : connection_(connection)
{
    connection_.startTransaction({});
}

TSQLTransactionScope::~TSQLTransactionScope()
{
    if (!connection_.inTransaction())
        return;
    try {
        connection_.rollback({});
    } catch (...) {
        // A connection that is lost has dropped the transaction with it.
    }
}

void TSQLTransactionScope::commit()
{
    connection_.commit({});
}

} // namespace data
