#include "ProductPages.h"

#include "data/SqlText.h"

namespace prodchk {

namespace {

constexpr char Columns[] = " PROD_ID, PROD_SNAME,NOW_QTY,DEL_FLAG from PRODUCT";
constexpr char InUse[] = " WHERE NOW_QTY > 0 AND DEL_FLAG = 'False' ";
constexpr char InCodeOrder[] = " ORDER BY PROD_ID ";
/// The longest text parameter the server takes.
constexpr int MaxParameterBytes = 32765;

/// The quoted values of a list, cut at the commas between them (a doubled quote inside a code toggles twice).
std::vector<std::string_view> listedValues(std::string_view list)
{
    std::vector<std::string_view> values;
    if (list.empty())
        return values;
    std::size_t start = 0;
    bool quoted = false;
    for (std::size_t i = 0; i < list.size(); ++i) {
        if (list[i] == '\'')
            quoted = !quoted;
        else if (list[i] == ',' && !quoted) {
            values.push_back(list.substr(start, i - start));
            start = i + 1;
        }
    }
    values.push_back(list.substr(start));
    return values;
}

} // namespace

std::string exclusionText(const std::string &prodIdList)
{
    const std::vector<std::string_view> values = listedValues(prodIdList);
    std::string text;
    for (std::size_t group = 0; group < values.size(); group += MaxInListValues) {
        text += " AND PROD_ID NOT IN (";
        for (std::size_t i = group; i < std::min(values.size(), group + MaxInListValues); ++i)
            (text += i > group ? "," : "") += values[i];
        text += ")\r\n";
    }
    return text;
}

std::string countStatement(const std::string &prodIdList)
{
    return data::joinLines({"select Count(*) from PRODUCT", InUse}) + exclusionText(prodIdList);
}

std::string pageStatement(int page, const std::string &prodIdList)
{
    const std::string first = "select first " + std::to_string(PageSize) + " skip " +
                              std::to_string(page * PageSize) + Columns;
    return data::joinLines({first, InUse}) + exclusionText(prodIdList) + data::joinLines({InCodeOrder});
}

std::vector<std::string> listedCodes(const std::string &prodIdList)
{
    std::vector<std::string> codes;
    for (std::string_view value : listedValues(prodIdList)) {
        if (value.size() >= 2 && value.front() == '\'' && value.back() == '\'')
            value = value.substr(1, value.size() - 2);
        std::string code;
        for (std::size_t i = 0; i < value.size(); ++i) {
            code += value[i];
            if (value[i] == '\'' && i + 1 < value.size() && value[i + 1] == '\'')
                ++i;
        }
        codes.push_back(std::move(code));
    }
    return codes;
}

std::string_view comparedCode(std::string_view code)
{
    const std::size_t end = code.find_last_not_of(' ');
    return code.substr(0, end == std::string_view::npos ? 0 : end + 1);
}

bool serverOrder(std::string_view a, std::string_view b)
{
    for (std::size_t i = 0; i < std::max(a.size(), b.size()); ++i) {
        const auto x = static_cast<unsigned char>(i < a.size() ? a[i] : ' ');
        const auto y = static_cast<unsigned char>(i < b.size() ? b[i] : ' ');
        if (x != y)
            return x < y;
    }
    return false;
}

std::string pageStartsStatement(int codeWidth, int parameters)
{
    // Both the products and the bill come in code order: the bill's next code moves on while it sorts before
    // the product, and a product equal to it is passed over.
    std::string head = "EXECUTE BLOCK (";
    std::string nextChunk = "''";
    for (int i = 1; i <= parameters; ++i) {
        const std::string name = "B" + std::to_string(i);
        head += (i > 1 ? ", " : "") + name + " VARCHAR(" + std::to_string(MaxParameterBytes) + ") = :" + name;
        if (i == 2)
            nextChunk = "CASE CHUNK";
        if (i >= 2)
            nextChunk += " WHEN " + std::to_string(i) + " THEN " + name;
    }
    if (parameters >= 2)
        nextChunk += " ELSE '' END";
    const std::string width = std::to_string(codeWidth);
    return data::joinLines({
        head + ")",
        "RETURNS (FIRST_CODE TYPE OF COLUMN PRODUCT.PROD_ID, OFFERED INTEGER)",
        "AS",
        "DECLARE K TYPE OF COLUMN PRODUCT.PROD_ID;",
        "DECLARE BILL VARCHAR(" + std::to_string(MaxParameterBytes) + ");",
        "DECLARE CHUNK INTEGER = 1;",
        "DECLARE POS INTEGER = 1;",
        "DECLARE NEXT_ON_BILL VARCHAR(" + width + ");",
        "DECLARE LEFT_ON_PAGE INTEGER = 0;",
        "BEGIN",
        "  OFFERED = 0;",
        "  BILL = B1;",
        "  NEXT_ON_BILL = IIF(OCTET_LENGTH(BILL) = 0, NULL, SUBSTRING(BILL FROM 1 FOR " + width + "));",
        "  FOR SELECT PROD_ID FROM PRODUCT" + std::string(InUse) + "ORDER BY PROD_ID INTO K DO",
        "  BEGIN",
        "    WHILE (NEXT_ON_BILL < K) DO",
        "    BEGIN",
        "      POS = POS + " + width + ";",
        "      IF (POS > OCTET_LENGTH(BILL)) THEN",
        "      BEGIN",
        "        CHUNK = CHUNK + 1;",
        "        POS = 1;",
        "        BILL = " + nextChunk + ";",
        "      END",
        "      NEXT_ON_BILL = IIF(POS > OCTET_LENGTH(BILL), NULL, SUBSTRING(BILL FROM POS FOR " + width + "));",
        "    END",
        "    IF (NEXT_ON_BILL IS DISTINCT FROM K) THEN",
        "    BEGIN",
        "      IF (LEFT_ON_PAGE = 0) THEN",
        "      BEGIN",
        "        FIRST_CODE = K;",
        "        SUSPEND;",
        "        LEFT_ON_PAGE = " + std::to_string(PageSize) + ";",
        "      END",
        "      LEFT_ON_PAGE = LEFT_ON_PAGE - 1;",
        "      OFFERED = OFFERED + 1;",
        "    END",
        "  END",
        "  FIRST_CODE = NULL;",
        "  SUSPEND;",
        "END",
    });
}

std::vector<std::string> billParameters(std::span<const std::string> sortedCodes, int codeWidth)
{
    const std::size_t perParameter = std::size_t(MaxParameterBytes / codeWidth);
    std::vector<std::string> values(1);
    for (const std::string &code : sortedCodes) {
        if (values.back().size() / std::size_t(codeWidth) == perParameter)
            values.emplace_back();
        std::string padded = code;
        padded.resize(std::size_t(codeWidth), ' ');
        values.back() += padded;
    }
    return values;
}

std::string rangePageStatement(const std::string &first, const std::optional<std::string> &next)
{
    std::vector<std::string> lines = {std::string("select") + Columns, InUse,
                                      " AND PROD_ID >= '" + data::quoteValue(first) + "'"};
    if (next)
        lines.push_back(" AND PROD_ID < '" + data::quoteValue(*next) + "'");
    lines.push_back(InCodeOrder);
    return data::joinLines(lines);
}

std::string catalogueStatement()
{
    return data::joinLines({"select PROD_ID, PROD_SNAME from PRODUCT", InUse, InCodeOrder});
}

std::string codesPageStatement(std::span<const std::string> codes)
{
    std::string in = " AND PROD_ID IN (";
    for (std::size_t i = 0; i < codes.size(); ++i)
        (in += i > 0 ? ",'" : "'") += data::quoteValue(codes[i]) + "'";
    in += ")";
    return data::joinLines({std::string("select") + Columns, InUse, in, InCodeOrder});
}

} // namespace prodchk
