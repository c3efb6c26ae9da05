#include "SqlConnection.h"

#include <ibase.h>

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

/// A limit in whole seconds from the definition's key `name`, `otherwise` when it is empty.
static unsigned secondsOf(const TParamList &params, const char *name, unsigned otherwise)
{
    const QString text = QString::fromStdString(params.value(name)).trimmed();
    if (text.isEmpty())
        return otherwise;
    bool ok = false;
    const unsigned seconds = text.toUInt(&ok);
    if (!ok || seconds < 1 || seconds > 86400)
        throw EDatabaseError(std::string(name) + " '" + text.toStdString() +
                             "' is not a number of seconds (1 to 86400)");
    return seconds;
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
                             .setDialect(dialectOf(Params))
                             .setConnectTimeout(secondsOf(Params, "ConnectTimeout", DefaultConnectTimeout));
    statementTimeout_ = std::chrono::seconds(secondsOf(Params, "StatementTimeout", DefaultStatementTimeout));
    const bool snapshot =
        QString::fromStdString(Params.value("Interbase TransIsolation", "ReadCommited")).startsWith("Repeat", Qt::CaseInsensitive);
    transactionOptions_ = fb::TransactionOptions()
                              .setIsolation(snapshot ? fb::TransactionOptions::Isolation::Snapshot
                                                     : fb::TransactionOptions::Isolation::ReadCommitted)
                              .setWait(isTrue(Params.value("WaitOnLocks", "True")));
    std::shared_ptr<fb::Client> client = fb::Client::load(VendorLib);
    try {
        attachment_ = std::make_shared<fb::Attachment>(std::move(client), database, options);
    } catch (const EDatabaseError &e) {
        throw EConnectFailed(e, database);
    }
    watchdog_.follow(attachment_);
    if (timing_) // a call timed before this connect knew the limit: it counts from now on with this one
        watchdog_.arm(statementTimeout_);
}

void TSQLConnection::close()
{
    if (transaction_)
        timed([&] { transaction_.reset(); });
    attachment_.reset();
    watchdog_.follow(nullptr); // detaches
}

template <class Start> auto TSQLConnection::reattaching(Start &&start) -> decltype(start())
{
    const bool attached = connected();
    try {
        return start();
    } catch (const EDatabaseError &e) {
        if (!e.isConnectionLost())
            throw;
        const bool cancelled = e.has(isc_cancelled) || watchdog_.fired();
        close();
        if (!attached || cancelled)
            throw;
    }
    return start();
}

fb::Transaction TSQLConnection::startOwnTransaction(bool readOnly)
{
    return reattaching([&] {
        return timed([&] {
            std::shared_ptr<fb::Attachment> on = attachment();
            auto options = transactionOptions_;
            return fb::Transaction(std::move(on), options.setReadOnly(readOnly));
        });
    });
}

void TSQLConnection::ensureConnected()
{
    reattaching([&] { timed([&] { attachment()->ping(); }); });
}

TSQLConnection::TimedCall::TimedCall(TSQLConnection &connection) : connection_(connection)
{
    ++connection_.timing_;
    connection_.watchdog_.arm(connection_.statementTimeout_);
}

TSQLConnection::TimedCall::~TimedCall()
{
    if (armed_)
        connection_.watchdog_.disarm();
    --connection_.timing_;
}

void TSQLConnection::TimedCall::failed(const EDatabaseError &failure)
{
    armed_ = false;
    if (!connection_.watchdog_.disarm())
        return;
    std::vector<long> codes = failure.gdsCodes();
    if (!failure.has(isc_cancelled))
        codes.insert(codes.begin(), isc_cancelled);
    throw EDatabaseError("The server did not answer within the statement time limit of " +
                             std::to_string(connection_.statementTimeout_.count()) +
                             " s (StatementTimeout); the statement was cancelled: " + failure.what(),
                         std::move(codes), failure.sqlState());
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
    timed([&] { ending->commit(); });
}

void TSQLConnection::rollback(const TTransactionDesc &)
{
    if (!transaction_)
        throw EDatabaseError("There is no active transaction");
    std::optional<fb::Transaction> ending = std::move(transaction_);
    transaction_.reset();
    timed([&] { ending->rollback(); });
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
