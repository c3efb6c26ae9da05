#pragma once
// The replenishment proposal of "條件確定": from the branch's sales on the reference day (one week before the
// stocking date, two weeks when that day has no sales) every product whose branch stock less those sales is
// zero or below becomes a candidate, and a line proposes to move the shortfall, capped by the main
// warehouse's stock. The day's sales are kept in a view named after the branch, dropped and re-created at
// every run. The candidates are read in one statement together with each one's name and main stock, so the
// proposal sends the same few statements whatever the number of candidates. Every statement runs on the
// first connection, each committed on its own.

#include "LineTable.h"

#include "data/ClientDataSet.h"
#include "data/SqlQuery.h"
#include "prompts/MessageBox.h"

#include <QDate>

#include <functional>
#include <string>
#include <vector>

namespace transfer {

inline constexpr char DateFormatMessage[] = "日期格式錯誤..!";
/// The branch code names the view, so it must be a plain identifier part.
inline constexpr char BranchCodeMessage[] = "分倉代號只能由英文字母、數字、_ 或 $ 組成..!";

/// The statements of the proposal as lists of lines (each sent followed by CR LF). Values spliced between
/// single quotes have their quotes doubled; the view name must already be a plain identifier.
namespace proposal_sql {
using Lines = std::vector<std::string>;
/// Whether the view exists; the name is compared upper-cased, as the server keeps unquoted names.
Lines viewLookUp(const std::string &viewName);
Lines dropView(const std::string &viewName);
/// The branch's sales of one day per product; `earlier` gives the text of the fallback day's summary.
Lines salesSummary(const std::string &day, const std::string &branch, bool earlier);
Lines createView(const std::string &viewName, const std::string &day, const std::string &branch);
/// The products whose branch stock less the day's sales is zero or below.
Lines candidates(const std::string &viewName, const std::string &branch);
/// One product's name and its stock in the main warehouse (also the merge of picked products reads it so).
Lines mainStock(const std::string &mainCode, const std::string &prodId);
/// The candidates, in the order and number in which `candidates` returns them, each with the name and main
/// stock that `mainStock` finds for it (PROD_NAME and MAIN_QTY, both empty where it finds no row): the
/// candidate list joined with the main-stock look-up of every product.
Lines candidatesWithMainStock(const std::string &viewName, const std::string &branch, const std::string &mainCode);
} // namespace proposal_sql

/// Letters, digits, "_" and "$" only, and at least one of them.
bool isIdentifierPart(const std::string &code);
/// "VIEW_SALQTY" followed by the branch code.
std::string salesViewName(const std::string &branch);

struct ProposalRequest {
    std::string stockingDate; ///< the stocking-date field, "YYYY/MM/DD" or empty
    std::string branchCode;   ///< 分倉代號 as typed (code-page bytes)
    std::string mainCode;     ///< 總倉代號 as typed (code-page bytes)
};

/// What the proposal works on. All of it must outlive the proposal.
struct ProposalLinks {
    /// A statement object on the first connection (SQLQuery1): the view's statements.
    data::TSQLQuery &query;
    /// The record set fed by its provider from the first connection (ClientDataSet1): the sales summary,
    /// then the candidates with their names and main stock, which it keeps.
    data::TClientDataSet &results;
    /// The line table (ClientDataSet2) the lines are appended to.
    LineTable lines;
};

class Proposal {
public:
    /// `messages` must outlive the proposal.
    Proposal(const ProposalLinks &links, prompts::IMessageBox &messages);

    /// Told the reference day once the sales summary has settled it, before the view is re-created.
    std::function<void(const QDate &day)> showReferenceDay;

    /// Runs the proposal and puts its lines into the line table, each stored through the quantity check as it
    /// is made. `candidateCount` comes in as the previous proposal's count and is set to the number of
    /// candidates as soon as they are read. The new lines replace those of the previous proposal (the lines
    /// numbered up to its count); the lines added by hand stay, after the new lines and numbered after the new
    /// count, except those whose product the new proposal has a line for: no product is on the bill twice.
    /// Returns false when it stopped early:
    /// silently for an empty stocking date, after a warning for a branch code that cannot name a view (before
    /// any statement) or a stocking date not written as ten characters (after the old view was dropped). A
    /// stocking date that names no day raises before any statement. A database error, or the check's silent
    /// abort of a line the operator left pending, ends it at the failing step: what was done stays done, the
    /// lines stored so far are kept and the fixed columns end locked.
    bool run(const ProposalRequest &request, int &candidateCount);

private:
    void fetch(const proposal_sql::Lines &statement, int rows = -1);
    void appendLines(int previousCount, int candidateCount);
    void replaceEarlierLines(int earlierLines, int previousCount, int candidateCount);
    void appendLine(int position);

    ProposalLinks links_;
    prompts::IMessageBox &messages_;
};

} // namespace transfer
