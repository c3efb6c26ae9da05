#include "ProductPages.h"

#include "data/SqlText.h"

#include <vector>

namespace prodchk {

namespace {

constexpr char InUse[] = " WHERE NOW_QTY > 0 AND DEL_FLAG = 'False' ";

/// The list cut into groups of at most MaxInListValues codes, at the commas between the quoted codes.
std::vector<std::string> valueGroups(const std::string &list)
{
    std::vector<std::string> groups;
    std::size_t start = 0;
    int values = 1;
    bool quoted = false;
    for (std::size_t i = 0; i < list.size(); ++i) {
        if (list[i] == '\'')
            quoted = !quoted; // a doubled quote inside a code toggles twice
        else if (list[i] == ',' && !quoted && ++values > MaxInListValues) {
            groups.push_back(list.substr(start, i - start));
            start = i + 1;
            values = 1;
        }
    }
    groups.push_back(list.substr(start));
    return groups;
}

} // namespace

std::string exclusionText(const std::string &prodIdList)
{
    std::string text;
    if (prodIdList.empty())
        return text;
    for (const std::string &group : valueGroups(prodIdList))
        text += " AND PROD_ID NOT IN (" + group + ")\r\n";
    return text;
}

std::string countStatement(const std::string &prodIdList)
{
    return data::joinLines({"select Count(*) from PRODUCT", InUse}) + exclusionText(prodIdList);
}

std::string pageStatement(int page, const std::string &prodIdList)
{
    const std::string first = "select first " + std::to_string(PageSize) + " skip " +
                              std::to_string(page * PageSize) + " PROD_ID, PROD_SNAME,NOW_QTY,DEL_FLAG from PRODUCT";
    return data::joinLines({first, InUse}) + exclusionText(prodIdList) + data::joinLines({" ORDER BY PROD_ID "});
}

} // namespace prodchk
