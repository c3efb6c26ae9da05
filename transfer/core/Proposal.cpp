#include "Proposal.h"

#include "StockingDate.h"
#include "WarehouseCode.h"

#include "data/DateText.h"
#include "data/SqlText.h"

#include <QScopeGuard>

#include <algorithm>
#include <cstdint>
#include <set>
#include <utility>

namespace transfer {

using data::quoteValue;

namespace proposal_sql {

Lines viewLookUp(const std::string &viewName)
{
    std::string upper = viewName;
    std::transform(upper.begin(), upper.end(), upper.begin(),
                   [](unsigned char c) { return c >= 'a' && c <= 'z' ? char(c - 'a' + 'A') : char(c); });
    return {"SELECT RDB$VIEW_NAME FROM RDB$VIEW_RELATIONS WHERE RDB$VIEW_NAME = '" + quoteValue(upper) + "'"};
}

Lines dropView(const std::string &viewName)
{
    return {"DROP VIEW " + viewName};
}

Lines salesSummary(const std::string &day, const std::string &branch, bool earlier)
{
    return {earlier ? "SELECT PROD_ID,CAST(SUM(QTY) AS INT) FROM SAL_SUB " : "SELECT PROD_ID,cast(SUM(QTY) as INT) FROM SAL_SUB ",
            " WHERE BILL_DATE = '" + quoteValue(day) + "'", " AND STOCK_ID = '" + quoteValue(branch) + "'",
            "GROUP BY PROD_ID"};
}

Lines createView(const std::string &viewName, const std::string &day, const std::string &branch)
{
    return {"CREATE VIEW " + viewName + "(PROD_ID,SAL_QTY) as ", "SELECT PROD_ID,CAST(SUM(QTY) AS INT) FROM SAL_SUB ",
            " WHERE BILL_DATE = '" + quoteValue(day) + "'", " AND STOCK_ID = '" + quoteValue(branch) + "'",
            " GROUP BY PROD_ID"};
}

Lines candidates(const std::string &viewName, const std::string &branch)
{
    return {"SELECT A.PROD_ID,A.NOW_QTY,B.SAL_QTY FROM STORE_QTY A INNER JOIN " + viewName + " B ",
            " ON A.PROD_ID = B.PROD_ID ", " AND A.STOCK_ID = '" + quoteValue(branch) + "'",
            " WHERE A.NOW_QTY - B.SAL_QTY <= 0 "};
}

Lines mainStock(const std::string &mainCode, const std::string &prodId)
{
    return {"SELECT A.PROD_ID,A.PROD_NAME,B.NOW_QTY FROM PRODUCT A INNER JOIN ", "STORE_QTY B ",
            "ON A.PROD_ID = B.PROD_ID ", "AND B.STOCK_ID = '" + quoteValue(mainCode) + "'",
            "WHERE A.PROD_ID = '" + quoteValue(prodId) + "'"};
}

Lines candidatesWithMainStock(const std::string &viewName, const std::string &branch, const std::string &mainCode)
{
    // Each candidate is joined to at most one row (one product row, one stock row per warehouse), and outer
    // joins keep the order of the candidate list, so the result has its rows in its order.
    Lines text{"SELECT C.PROD_ID,C.NOW_QTY,C.SAL_QTY,M.PROD_NAME,M.NOW_QTY AS MAIN_QTY FROM ("};
    for (const std::string &line : candidates(viewName, branch))
        text.push_back(line);
    text.push_back(") C LEFT JOIN (");
    Lines lookUp = mainStock(mainCode, "");
    lookUp.pop_back(); // every product, not one
    for (const std::string &line : lookUp)
        text.push_back(line);
    text.push_back(") M ON M.PROD_ID = C.PROD_ID");
    return text;
}

} // namespace proposal_sql

bool isIdentifierPart(const std::string &code)
{
    return !code.empty() && std::all_of(code.begin(), code.end(), [](char c) {
        return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_' || c == '$';
    });
}

std::string salesViewName(const std::string &branch)
{
    return "VIEW_SALQTY" + branch;
}

Proposal::Proposal(const ProposalLinks &links, prompts::IMessageBox &messages) : links_(links), messages_(messages) {}

bool Proposal::run(const ProposalRequest &request, int &candidateCount)
{
    if (request.stockingDate.empty())
        return false;
    const std::string branch = trimCode(request.branchCode);
    if (!isIdentifierPart(branch)) {
        messages_.messageDlg(BranchCodeMessage, prompts::MsgKind::Warning, prompts::MsgButtons::Ok);
        return false;
    }
    const std::string view = salesViewName(branch);
    QDate day = referenceDay(readStockingDate(request.stockingDate));

    data::TSQLQuery &query = links_.query;
    data::setStatement(query, proposal_sql::viewLookUp(view));
    query.open();
    if (query.recordCount() > 0) {
        data::setStatement(query, proposal_sql::dropView(view));
        query.execSQL();
    }
    if (trimCode(request.stockingDate).size() != 10) {
        messages_.messageDlg(DateFormatMessage, prompts::MsgKind::Warning, prompts::MsgButtons::Ok);
        return false;
    }

    // Only whether the branch sold anything on the day matters: the summary's first row tells.
    fetch(proposal_sql::salesSummary(data::formatDate(day), branch, false), 1);
    if (links_.results.isEmpty()) {
        day = day.addDays(-7);
        fetch(proposal_sql::salesSummary(data::formatDate(day), branch, true), 1);
    }
    if (showReferenceDay)
        showReferenceDay(day);

    data::setStatement(query, proposal_sql::createView(view, data::formatDate(day), branch));
    query.execSQL();
    fetch(proposal_sql::candidatesWithMainStock(view, branch, trimCode(request.mainCode)));
    const int previousCount = std::exchange(candidateCount, links_.results.recordCount());
    appendLines(previousCount, candidateCount);
    return true;
}

// Runs a statement into the result set, fetching `rows` of its result, or all of it (-1). The statement is
// freed once every row has been fetched or the set is closed, which the next statement does first.
void Proposal::fetch(const proposal_sql::Lines &statement, int rows)
{
    data::TClientDataSet &result = links_.results;
    result.close();
    result.setCommandText(data::joinLines(statement));
    result.setPacketRecords(rows);
    result.open();
}

void Proposal::appendLines(int previousCount, int candidateCount)
{
    data::TClientDataSet &candidates = links_.results;
    const LineTable &lines = links_.lines;
    // The fixed columns are writable while the proposal fills them, and locked again whatever happens.
    lines.lockFixedColumns(false);
    const auto relock = qScopeGuard([&lines] { lines.lockFixedColumns(true); });
    lines.set().checkBrowseMode(); // a line the operator left pending is stored first, through the check
    const int earlierLines = lines.set().recordCount();
    int position = 0;
    for (candidates.first(); !candidates.eof(); candidates.next())
        appendLine(++position);
    replaceEarlierLines(earlierLines, previousCount, candidateCount);
}

// The lines stored before this proposal are the previous proposal's, numbered up to its candidate count, and
// those added by hand, numbered after it (or not at all). The new lines take the place of the previous
// proposal's; the lines added by hand follow them, numbered after the new candidate count, except those
// whose product the new proposal has a line for. Every line kept has passed the quantity check already, so
// the table takes its new contents at once.
void Proposal::replaceEarlierLines(int earlierLines, int previousCount, int candidateCount)
{
    if (earlierLines == 0)
        return;
    const LineTable &lines = links_.lines;
    const int sno = lines.position(Sno), code = lines.position(PROD_ID);
    data::DataPacket table = lines.set().data();
    const auto firstNew = table.rows.begin() + earlierLines;
    std::vector<std::vector<data::TValue>> rows(firstNew, table.rows.end());
    std::set<std::string> proposed;
    for (const auto &row : rows)
        proposed.insert(row[code].asString());
    int number = candidateCount;
    for (auto row = table.rows.begin(); row != firstNew; ++row) {
        const bool byHand = (*row)[sno].isNull() || (*row)[sno].asInteger() > previousCount;
        if (byHand && !proposed.contains((*row)[code].asString())) {
            (*row)[sno] = data::TValue(std::int32_t(++number));
            rows.push_back(std::move(*row));
        }
    }
    table.rows = std::move(rows);
    lines.set().setData(table);
}

// One candidate becomes a line, stored at once or discarded when there is nothing to move. Appending first
// stores a line the operator left pending, through the quantity check.
void Proposal::appendLine(int position)
{
    data::TClientDataSet &candidate = links_.results;
    const LineTable &lines = links_.lines;

    lines.set().append();
    std::int64_t quantity = 0;
    try {
        lines.sno().setAsInteger(position);
        lines.prodId().setAsString(candidate.fieldByName("PROD_ID").asString());
        lines.prodName().setAsString(candidate.fieldByName("PROD_NAME").asString());
        // Stock may be fractional: the integer fields keep the whole part (truncated toward zero).
        lines.mainStock().setValue(candidate.fieldByName("MAIN_QTY").value());
        lines.branchStock().setValue(candidate.fieldByName("NOW_QTY").value());
        lines.sold().setValue(candidate.fieldByName("SAL_QTY").value());
        // The smaller of the need and the main stock; an empty main stock is smaller than any need.
        const data::TValue mainStock = lines.mainStock().value();
        const std::int64_t need = std::int64_t(lines.sold().asInteger()) - lines.branchStock().asInteger();
        quantity = mainStock.isNull() ? 0 : std::min<std::int64_t>(need, mainStock.asInteger());
    } catch (...) {
        lines.set().cancel(); // no half-filled line
        throw;
    }
    if (quantity <= 0) {
        lines.set().cancel();
        return;
    }
    lines.toMove().setAsInteger(std::int32_t(quantity));
    lines.set().post();
}

} // namespace transfer
