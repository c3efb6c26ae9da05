#include "Proposal.h"

#include "LeftOut.h"
#include "StockingDate.h"
#include "WarehouseCode.h"

#include "data/DateText.h"
#include "data/DbError.h"
#include "data/SqlText.h"

#include <QRandomGenerator>
#include <QScopeGuard>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <set>
#include <thread>
#include <utility>

namespace transfer {

using data::quoteValue;

namespace {

/// The server's "arithmetic exception, numeric overflow, or string truncation" (isc_arith_except).
constexpr long ArithmeticException = 335544321;
/// How long the view is made again and read again while other terminals or programs change it at the same
/// moment, and the longest pause between two tries (the pause doubles from a few milliseconds up to it, drawn
/// at random so that terminals that met once do not meet again).
constexpr std::chrono::seconds RetryTime{30};
constexpr int LongestPause = 200; // ms

/// Whether the error comes from another attachment changing the view, or its catalogue rows, at the same
/// moment: the drop or creation collided with another's (isc_no_meta_update, isc_unique_key_violation,
/// isc_no_dup, isc_update_conflict, isc_deadlock, isc_lock_conflict, isc_obj_in_use), or the view went away
/// under a statement (isc_relnotdef, isc_dsql_relation_err, isc_dsql_view_not_found).
bool isChangeOfAnother(const data::EDatabaseError &e)
{
    for (long code : {335544351L, 335544665L, 335544349L, 335544451L, 335544336L, 335544345L, 335544453L,
                      335544395L, 335544580L, 336397207L})
        if (e.has(code))
            return !e.isConnectionLost();
    return false;
}

} // namespace

namespace proposal_sql {

namespace {
/// The name as the server keeps an unquoted one.
std::string upperCase(std::string name)
{
    std::transform(name.begin(), name.end(), name.begin(),
                   [](unsigned char c) { return c >= 'a' && c <= 'z' ? char(c - 'a' + 'A') : char(c); });
    return name;
}
} // namespace

Lines viewLookUp(const std::string &viewName)
{
    return {"SELECT RDB$VIEW_NAME FROM RDB$VIEW_RELATIONS WHERE RDB$VIEW_NAME = '" + quoteValue(upperCase(viewName)) + "'"};
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

namespace {
/// A candidate list joined with the main-stock look-up of every product. Each candidate meets at most one
/// row (one product row, one stock row per warehouse), and the outer join keeps the order of the list.
Lines withMainStock(const Lines &candidateList, const std::string &mainCode)
{
    Lines text{"SELECT C.PROD_ID,C.NOW_QTY,C.SAL_QTY,M.PROD_NAME,M.NOW_QTY AS MAIN_QTY FROM ("};
    text.insert(text.end(), candidateList.begin(), candidateList.end());
    text.push_back(") C LEFT JOIN (");
    const Lines lookUp = mainStock(mainCode, "");
    text.insert(text.end(), lookUp.begin(), lookUp.end() - 1); // every product, not one
    text.push_back(") M ON M.PROD_ID = C.PROD_ID");
    return text;
}
} // namespace

Lines candidatesWithMainStock(const std::string &viewName, const std::string &branch, const std::string &mainCode)
{
    return withMainStock(candidates(viewName, branch), mainCode);
}

Lines candidatesFromSales(const std::string &day, const std::string &branch, const std::string &mainCode)
{
    return withMainStock({"SELECT A.PROD_ID,A.NOW_QTY,B.SAL_QTY FROM STORE_QTY A INNER JOIN (",
                          "SELECT PROD_ID,CASE WHEN SUM(QTY) > -2147483648.5 AND SUM(QTY) < 2147483647.5 "
                          "THEN CAST(SUM(QTY) AS INT) END AS SAL_QTY,SUM(QTY) AS SAL_SUM FROM SAL_SUB ",
                          " WHERE BILL_DATE = '" + quoteValue(day) + "'", " AND STOCK_ID = '" + quoteValue(branch) + "'",
                          " GROUP BY PROD_ID) B ", " ON A.PROD_ID = B.PROD_ID ",
                          " AND A.STOCK_ID = '" + quoteValue(branch) + "'",
                          " WHERE A.NOW_QTY - COALESCE(B.SAL_QTY, B.SAL_SUM) <= 0 "},
                         mainCode);
}

Lines ownView(const std::string &viewName, const std::string &day, const std::string &branch)
{
    return {"SELECT RDB$RELATION_NAME FROM RDB$RELATIONS WHERE RDB$RELATION_NAME = '" + quoteValue(upperCase(viewName)) + "'",
            " AND POSITION('" + quoteValue("BILL_DATE = '" + quoteValue(day) + "'") + "' IN RDB$VIEW_SOURCE) > 0",
            " AND POSITION('" + quoteValue("STOCK_ID = '" + quoteValue(branch) + "'") + "' IN RDB$VIEW_SOURCE) > 0",
            " AND (1 = 1 OR EXISTS (SELECT 1 FROM " + viewName + "))"};
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
    leftOut_.clear();
    if (request.stockingDate.empty())
        return false;
    const std::string branch = trimCode(request.branchCode);
    if (!isIdentifierPart(branch)) {
        messages_.messageDlg(BranchCodeMessage, prompts::MsgKind::Warning, prompts::MsgButtons::Ok);
        return false;
    }
    const QDate day = referenceDay(readStockingDate(request.stockingDate));
    const auto giveUp = std::chrono::steady_clock::now() + RetryTime;
    for (int pause = 5;; pause = std::min(2 * pause, LongestPause)) {
        Reading reading = Reading::Again;
        try {
            reading = readCandidates(request, branch, day);
        } catch (const data::EDatabaseError &e) {
            if (!isChangeOfAnother(e) || std::chrono::steady_clock::now() > giveUp)
                throw;
        }
        if (reading == Reading::Stopped)
            return false;
        if (reading == Reading::Done)
            break;
        if (std::chrono::steady_clock::now() > giveUp)
            throw data::EDatabaseError(ViewBusyMessage);
        // Another terminal, or a program, changed the view at the same moment: try again a little later.
        std::this_thread::sleep_for(std::chrono::milliseconds(QRandomGenerator::global()->bounded(1, pause + 1)));
    }
    const int previousCount = std::exchange(candidateCount, links_.results.recordCount());
    appendLines(previousCount, candidateCount, leftOut_);
    return true;
}

// The view dropped and re-created for the reference day (or the week before, when the branch sold nothing on
// it), then the candidates read into the result set. Another terminal proposing for the branch may drop the
// view and make its own between this creation and the reading: so the view is first held (a statement that
// refers to it stays prepared, and a drop waits for it) and checked to be the one made here, else it is made
// again. The view is let go as soon as the candidates are read.
Proposal::Reading Proposal::readCandidates(const ProposalRequest &request, const std::string &branch, QDate day)
{
    const std::string view = salesViewName(branch);
    data::TSQLQuery &query = links_.query;
    data::setStatement(query, proposal_sql::viewLookUp(view));
    query.open();
    if (query.recordCount() > 0) {
        data::setStatement(query, proposal_sql::dropView(view));
        query.execSQL();
    }
    if (trimCode(request.stockingDate).size() != 10) {
        messages_.messageDlg(DateFormatMessage, prompts::MsgKind::Warning, prompts::MsgButtons::Ok);
        return Reading::Stopped;
    }

    if (!soldOn(day, branch, false)) {
        day = day.addDays(-7);
        soldOn(day, branch, true);
    }
    if (showReferenceDay)
        showReferenceDay(day);

    const std::string dayText = data::formatDate(day), mainCode = trimCode(request.mainCode);
    data::setStatement(query, proposal_sql::createView(view, dayText, branch));
    query.execSQL();
    data::setStatement(query, proposal_sql::ownView(view, dayText, branch));
    const auto letGo = qScopeGuard([&query] { query.unprepare(); });
    query.open();
    if (query.recordCount() == 0)
        return Reading::Again;
    try {
        fetch(proposal_sql::candidatesWithMainStock(view, branch, mainCode));
    } catch (const data::EDatabaseError &e) {
        if (!e.has(ArithmeticException))
            throw;
        // A product's sales of the day do not fit the view's integer, and the view cannot be read at all.
        fetch(proposal_sql::candidatesFromSales(dayText, branch, mainCode));
    }
    return Reading::Done;
}

// Whether the branch sold anything on the day: the sales summary's first row tells. A day's sales of a
// product beyond an integer are sales too.
bool Proposal::soldOn(const QDate &day, const std::string &branch, bool earlier)
{
    try {
        fetch(proposal_sql::salesSummary(data::formatDate(day), branch, earlier), 1);
    } catch (const data::EDatabaseError &e) {
        if (!e.has(ArithmeticException))
            throw;
        return true;
    }
    return !links_.results.isEmpty();
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

void Proposal::appendLines(int previousCount, int candidateCount, std::vector<std::string> &leftOut)
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
        appendLine(++position, leftOut);
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
    // Codes compare without trailing blanks, as the server compares them: a stock table that keeps its codes
    // in a CHAR column gives them padded, the board does not.
    const auto product = [code](const std::vector<data::TValue> &row) {
        std::string id = row[code].asString();
        id.erase(id.find_last_not_of(' ') + 1);
        return id;
    };
    data::DataPacket table = lines.set().data();
    const auto firstNew = table.rows.begin() + earlierLines;
    std::vector<std::vector<data::TValue>> rows(firstNew, table.rows.end());
    std::set<std::string> proposed;
    for (const auto &row : rows)
        proposed.insert(product(row));
    int number = candidateCount;
    for (auto row = table.rows.begin(); row != firstNew; ++row) {
        const bool byHand = (*row)[sno].isNull() || (*row)[sno].asInteger() > previousCount;
        if (byHand && !proposed.contains(product(*row))) {
            (*row)[sno] = data::TValue(std::int32_t(++number));
            rows.push_back(std::move(*row));
        }
    }
    table.rows = std::move(rows);
    lines.set().setData(table);
}

// One candidate becomes a line, stored at once, or is discarded when there is nothing to move. A candidate
// whose line would move something but one of whose quantities does not fit the line's fields is left out.
void Proposal::appendLine(int position, std::vector<std::string> &leftOut)
{
    data::TClientDataSet &candidate = links_.results;
    const LineTable &lines = links_.lines;
    const std::string prodId = candidate.fieldByName("PROD_ID").asString();
    const data::TValue main = candidate.fieldByName("MAIN_QTY").value();
    const data::TValue branch = candidate.fieldByName("NOW_QTY").value();
    const data::TValue sold = candidate.fieldByName("SAL_QTY").value(); // empty: beyond an integer
    // The smaller of the need and the main stock, of their whole parts as the line's fields keep them (stock
    // may be fractional: truncated toward zero); an empty main stock is smaller than any need.
    if (main.isNull())
        return;
    const bool mainFits = fitsLineField(main);
    // A main stock beyond the line's field counts by its sign alone: its product is left out or discarded.
    const std::int64_t mainWhole = mainFits ? main.asLargeInt() : main.asFloat() > 0 ? 1 : 0;
    const bool needKnown = !sold.isNull() && fitsLineField(sold) && fitsLineField(branch);
    const std::int64_t need = needKnown ? sold.asLargeInt() - branch.asLargeInt() : 0;
    if (mainWhole <= 0 || (needKnown && need <= 0))
        return;
    if (!needKnown || !mainFits) {
        leftOut.push_back(prodId);
        return;
    }
    const std::int64_t quantity = std::min(need, mainWhole);

    lines.set().append();
    try {
        lines.sno().setAsInteger(position);
        lines.prodId().setAsString(prodId);
        lines.prodName().setAsString(candidate.fieldByName("PROD_NAME").asString());
        lines.mainStock().setValue(main);
        lines.branchStock().setValue(branch);
        lines.sold().setValue(sold);
        lines.toMove().setAsInteger(std::int32_t(quantity));
    } catch (...) {
        lines.set().cancel(); // no half-filled line
        throw;
    }
    lines.set().post();
}

} // namespace transfer
