#include "SqlText.h"

namespace data {

std::string quoteValue(const std::string &value)
{
    std::string out;
    out.reserve(value.size());
    for (char c : value) {
        out += c;
        if (c == '\'')
            out += '\'';
    }
    return out;
}

std::string joinLines(const std::vector<std::string> &lines)
{
    std::string text;
    for (const auto &line : lines)
        text += line + "\r\n";
    return text;
}

} // namespace data
