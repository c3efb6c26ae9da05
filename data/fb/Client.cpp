#include "Client.h"

#include "LockFolder.h"
#include "data/DbError.h"

#include <QLibrary>

namespace data::fb {

using namespace Firebird;

std::shared_ptr<Client> Client::load(const std::string &libraryPath)
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
    auto sqlState = reinterpret_cast<SqlStateFunction>(lib.resolve("fb_sqlstate"));
    return std::shared_ptr<Client>(new Client(entry(), sqlState));
}

Client::Client(IMaster *master, SqlStateFunction sqlState)
    : master_(master), util_(master->getUtilInterface()), provider_(master->getDispatcher()), sqlState_(sqlState)
{
}

std::string Client::sqlState(const intptr_t *errors) const
{
    char state[6] = "HY000";
    if (sqlState_)
        sqlState_(state, errors);
    return state;
}

} // namespace data::fb
