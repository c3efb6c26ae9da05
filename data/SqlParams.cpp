#include "SqlParams.h"

#include "CodePage.h"
#include "DbError.h"

#include <algorithm>
#include <cctype>

namespace data {

TParam *TParams::findParam(const std::string &name)
{
    for (auto &p : items_)
        if (sameName(p.name(), name))
            return &p;
    return nullptr;
}

TParam &TParams::paramByName(const std::string &name)
{
    if (TParam *p = findParam(name))
        return *p;
    throw EDatabaseError(formatMessage("Parameter '%s' not found", name));
}

void TParams::assignNames(const std::vector<std::string> &names)
{
    items_.clear();
    for (const auto &n : names)
        if (!findParam(n))
            items_.emplace_back(n);
}

static bool nameChar(char c)
{
    return std::isalnum(static_cast<unsigned char>(c)) || c == '_' || c == '$';
}

ParsedSql parseParameters(const std::string &text)
{
    ParsedSql out;
    out.serverText.reserve(text.size());
    size_t i = 0;
    const size_t n = text.size();
    while (i < n) {
        char c = text[i];
        if (c == '\'' || c == '"') { // quoted literal or identifier, doubled quotes included
            size_t j = i + 1;
            while (j < n) {
                if (text[j] == c) {
                    if (j + 1 < n && text[j + 1] == c) {
                        j += 2;
                        continue;
                    }
                    break;
                }
                ++j;
            }
            j = std::min(n, j + 1);
            out.serverText.append(text, i, j - i);
            i = j;
        } else if (c == '-' && i + 1 < n && text[i + 1] == '-') {
            size_t j = text.find('\n', i);
            j = (j == std::string::npos) ? n : j;
            out.serverText.append(text, i, j - i);
            i = j;
        } else if (c == '/' && i + 1 < n && text[i + 1] == '*') {
            size_t j = text.find("*/", i + 2);
            j = (j == std::string::npos) ? n : j + 2;
            out.serverText.append(text, i, j - i);
            i = j;
        } else if (c == ':' && i + 1 < n && nameChar(text[i + 1])) {
            size_t j = i + 1;
            while (j < n && nameChar(text[j]))
                ++j;
            out.markers.push_back(text.substr(i + 1, j - i - 1));
            out.serverText += '?';
            i = j;
        } else {
            out.serverText += c;
            ++i;
        }
    }
    return out;
}

} // namespace data
