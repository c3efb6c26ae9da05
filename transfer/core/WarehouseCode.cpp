#include "WarehouseCode.h"

#include <algorithm>

namespace transfer {

std::string trimCode(const std::string &code)
{
    const auto blank = [](char c) { return static_cast<unsigned char>(c) <= ' '; };
    auto begin = std::find_if_not(code.begin(), code.end(), blank);
    auto end = std::find_if_not(code.rbegin(), std::make_reverse_iterator(begin), blank).base();
    return std::string(begin, end);
}

} // namespace transfer
