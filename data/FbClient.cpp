#include "FbClient.h"

#include "DbError.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLibrary>

#ifdef Q_OS_UNIX
#include <unistd.h>
#endif

namespace data {

using namespace Firebird;

namespace {

/// The embedded engine keeps its lock files in /tmp/firebird, which belongs to the server's user. Anyone else
/// gets a folder of their own, unless FIREBIRD_LOCK already names one.
void ensureLockFolder()
{
#ifdef Q_OS_UNIX
    if (qEnvironmentVariableIsSet("FIREBIRD_LOCK"))
        return;
    const QFileInfo shared(QStringLiteral("/tmp/firebird"));
    if (!shared.exists() || (shared.isWritable() && shared.isExecutable()))
        return;
    const QString own = QDir::tempPath() + QStringLiteral("/firebird-") + QString::number(getuid());
    if (QDir().mkpath(own))
        qputenv("FIREBIRD_LOCK", QFile::encodeName(own));
#endif
}

} // namespace

std::shared_ptr<FbClient> FbClient::load(const std::string &libraryPath)
{
    ensureLockFolder();
    QLibrary lib(QString::fromStdString(libraryPath));
    if (!lib.load())
        throw EDatabaseError("Unable to load the client library '" + libraryPath + "': " +
                             lib.errorString().toStdString());
    using Entry = IMaster *(*)();
    auto entry = reinterpret_cast<Entry>(lib.resolve("fb_get_master_interface"));
    if (!entry)
        throw EDatabaseError("'" + libraryPath + "' is not a Firebird client library (no fb_get_master_interface)");
    return std::shared_ptr<FbClient>(new FbClient(entry()));
}

FbClient::FbClient(IMaster *master)
    : master_(master), util_(master->getUtilInterface()), provider_(master->getDispatcher())
{
}

FbStatus::FbStatus(const FbClient &client)
    : client_(client), status_(client.master()->getStatus()), wrapper_(status_.get())
{
}

bool FbStatus::failed() const
{
    return wrapper_.getState() & IStatus::STATE_ERRORS;
}

bool FbStatus::has(long gdsCode) const
{
    if (!failed())
        return false;
    for (const intptr_t *e = wrapper_.getErrors(); *e != isc_arg_end; e += (*e == isc_arg_cstring ? 3 : 2))
        if (e[0] == isc_arg_gds && e[1] == gdsCode)
            return true;
    return false;
}

void FbStatus::check()
{
    if (!failed())
        return;
    char text[2048];
    client_.util()->formatStatus(text, sizeof text, &wrapper_);
    const intptr_t *errors = wrapper_.getErrors();
    long gds = (errors[0] == isc_arg_gds) ? long(errors[1]) : 0;
    wrapper_.init();
    throw EDatabaseError(text, gds);
}

} // namespace data
