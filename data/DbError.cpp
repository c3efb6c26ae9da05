#include "DbError.h"

#include <ibase.h>

#include <algorithm>

namespace data {

bool EDatabaseError::has(long gdsCode) const
{
    return std::find(codes_.begin(), codes_.end(), gdsCode) != codes_.end();
}

bool EDatabaseError::isConnectionLost() const
{
    static constexpr long lost[] = {
        isc_network_error,  isc_net_read_err, isc_net_write_err, isc_conn_lost,
        isc_lost_db_connection, isc_shutdown, isc_att_shutdown, isc_bad_db_handle,
        isc_net_server_shutdown,
    };
    return std::any_of(std::begin(lost), std::end(lost), [this](long code) { return has(code); });
}

std::string formatMessage(const char *pattern, const std::string &arg)
{
    std::string text(pattern);
    if (const auto at = text.find("%s"); at != std::string::npos)
        text.replace(at, 2, arg);
    return text;
}

} // namespace data
