#include "SqlConnection.h"

#include "DbError.h"

#include <QString>

#include <chrono>
#include <thread>

namespace data {

using namespace Firebird;

static bool isTrue(const std::string &v)
{
    return QString::fromStdString(v).trimmed().compare("True", Qt::CaseInsensitive) == 0;
}

TSQLConnection::TSQLConnection(std::string programDir) : programDir_(std::move(programDir)) {}

TSQLConnection::~TSQLConnection()
{
    if (!client_)
        return;
    FbStatus st(*client_);
    if (transaction_)
        transaction_.release()->rollback(&st);
    if (attachment_) {
        FbStatus st2(*client_);
        attachment_.release()->detach(&st2);
    }
}

FbClient &TSQLConnection::client()
{
    open();
    return *client_;
}

IAttachment *TSQLConnection::attachment()
{
    open();
    return attachment_.get();
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
        throw EDatabaseError("DLL/Shared Library Name not Set");
    if (VendorLib.empty())
        throw EDatabaseError("Vendor Library Name not Set for driver '" + DriverName + "'");
    std::string database = Params.value("Database");
    if (database.empty())
        throw EDatabaseError("No database is set for connection '" + ConnectionName + "'");

    auto client = FbClient::load(VendorLib);
    FbStatus st(*client);
    FbOwned<IXpbBuilder> dpb(client->util()->getXpbBuilder(&st, IXpbBuilder::DPB, nullptr, 0));
    st.check();
    auto addString = [&](unsigned char tag, const std::string &name) {
        std::string v = Params.value(name);
        if (!v.empty())
            dpb->insertString(&st, tag, v.c_str());
    };
    addString(isc_dpb_user_name, "User_Name");
    addString(isc_dpb_password, "Password");
    addString(isc_dpb_sql_role_name, "RoleName");
    addString(isc_dpb_lc_ctype, "ServerCharSet");
    std::string dialect = Params.value("SQLDialect", "3");
    dpb->insertInt(&st, isc_dpb_sql_dialect, std::stoi(dialect.empty() ? "3" : dialect));
    st.check();
    // The embedded engine winds a database down for a moment after its last attachment has gone; an
    // attachment that comes in that moment is refused as if another process had the file open. It is tried
    // again for up to a second.
    FbRef<IAttachment> att;
    for (int attempt = 1;; ++attempt) {
        FbStatus attach(*client);
        att.reset(client->provider()->attachDatabase(&attach, database.c_str(), dpb->getBufferLength(&st),
                                                     dpb->getBuffer(&st)));
        if (!attach.failed())
            break;
        if (attempt == 50 || !attach.has(isc_already_opened))
            attach.check();
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }

    tpb_.clear();
    tpb_ += char(isc_tpb_version3);
    tpb_ += char(isc_tpb_write);
    std::string isolation = Params.value("Interbase TransIsolation", "ReadCommited");
    if (QString::fromStdString(isolation).startsWith("Repeat", Qt::CaseInsensitive)) {
        tpb_ += char(isc_tpb_concurrency);
    } else {
        tpb_ += char(isc_tpb_read_committed);
        tpb_ += char(isc_tpb_rec_version);
    }
    tpb_ += char(isTrue(Params.value("WaitOnLocks", "True")) ? isc_tpb_wait : isc_tpb_nowait);

    client_ = std::move(client);
    attachment_ = std::move(att);
}

FbRef<ITransaction> TSQLConnection::startOwnTransaction(bool readOnly)
{
    IAttachment *att = attachment();
    FbStatus st(*client_);
    std::string tpb = tpb_;
    if (readOnly)
        tpb[1] = char(isc_tpb_read);
    FbRef<ITransaction> tra(att->startTransaction(&st, unsigned(tpb.size()),
                                                  reinterpret_cast<const unsigned char *>(tpb.data())));
    st.check();
    return tra;
}

void TSQLConnection::startTransaction(const TTransactionDesc &)
{
    if (transaction_)
        throw EDatabaseError("A transaction is already active");
    transaction_ = startOwnTransaction();
}

void TSQLConnection::commit(const TTransactionDesc &)
{
    if (!transaction_)
        throw EDatabaseError("There is no active transaction");
    FbStatus st(*client_);
    transaction_->commit(&st);
    if (st.failed()) {
        // A failed commit leaves nothing half-done behind: the transaction is rolled back and ended.
        FbStatus st2(*client_);
        ITransaction *t = transaction_.release();
        t->rollback(&st2);
        if (st2.failed())
            t->release();
        st.check();
    }
    transaction_.release();
}

void TSQLConnection::rollback(const TTransactionDesc &)
{
    if (!transaction_)
        throw EDatabaseError("There is no active transaction");
    FbStatus st(*client_);
    ITransaction *t = transaction_.release();
    t->rollback(&st);
    if (st.failed())
        t->release();
    st.check();
}

} // namespace data
