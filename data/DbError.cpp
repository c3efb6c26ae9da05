#include "DbError.h"

namespace data {

std::string formatMessage(const char *pattern, const std::string &arg)
{
    std::string text(pattern);
    if (const auto at = text.find("%s"); at != std::string::npos)
        text.replace(at, 2, arg);
    return text;
}

} // namespace data
