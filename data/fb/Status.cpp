#include "Status.h"

#include "Client.h"
#include "data/DbError.h"

namespace data::fb {

using namespace Firebird;

StatusWrapper::StatusWrapper(const Client &client)
    : BaseStatusWrapper(client.master()->getStatus()), client_(client), owned_(status)
{
}

void StatusWrapper::checkException(StatusWrapper *status)
{
    if (status->dirty && (status->getState() & IStatus::STATE_ERRORS))
        throw status->error();
}

EDatabaseError StatusWrapper::error() const
{
    char text[2048];
    client_.util()->formatStatus(text, sizeof text, status);
    std::vector<long> codes;
    for (const intptr_t *e = status->getErrors(); *e != isc_arg_end; e += (*e == isc_arg_cstring ? 3 : 2))
        if (e[0] == isc_arg_gds)
            codes.push_back(long(e[1]));
    return EDatabaseError(text, std::move(codes), client_.sqlState(status->getErrors()));
}

} // namespace data::fb
