#include "WarehouseCheck.h"

#include "data/CodePage.h"
#include "data/SqlText.h"

#include <vector>

namespace transfer {

namespace {

/// The stored codes that equal `code` without regard to ASCII case (CHAR columns come back padded). The code
/// is compared as a long text: one longer than the column names no warehouse, and the server would refuse it
/// as a parameter of the column's length.
std::vector<std::string> storedCodesLike(data::TSQLQuery &query, const std::string &code)
{
    data::setStatement(query,
                       {"SELECT STOCK_ID FROM STOCK_ITEM WHERE UPPER(STOCK_ID) = UPPER(CAST(:STOCK_ID AS VARCHAR(8000)))"});
    query.paramByName("STOCK_ID").setAsString(code);
    query.open();
    std::vector<std::string> codes;
    for (; !query.eof(); query.next()) {
        std::string stored = query.fields(0).asString();
        stored.erase(stored.find_last_not_of(' ') + 1);
        codes.push_back(std::move(stored));
    }
    query.close();
    return codes;
}

std::optional<QString> checkOne(data::TSQLQuery &query, const char *caption, const std::string &code)
{
    const QString name = QString::fromUtf8(caption);
    if (code.empty())
        return QStringLiteral("請輸入%1..!").arg(name);
    const std::vector<std::string> stored = storedCodesLike(query, code);
    for (const std::string &s : stored)
        if (s == code)
            return std::nullopt;
    QString message = QStringLiteral("%1「%2」不是倉庫代號..!").arg(name, data::decodeText(code));
    for (const std::string &s : stored)
        if (data::sameName(s, code))
            return message + QStringLiteral("\n是否為「%1」?").arg(data::decodeText(s));
    return message;
}

} // namespace

std::optional<QString> checkWarehouseCodes(data::TSQLQuery &query, const std::string &branch, const std::string &main)
{
    if (auto wrong = checkOne(query, "分倉代號", branch))
        return wrong;
    if (auto wrong = checkOne(query, "總倉代號", main))
        return wrong;
    if (branch == main)
        return QStringLiteral("分倉代號與總倉代號不可相同..!");
    return std::nullopt;
}

} // namespace transfer
