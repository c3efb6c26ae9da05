// A terminal for the test of several terminals proposing at once: runs the replenishment proposal again and
// again through the program's own code, for one branch and one stocking date, on the shop database named by
// the definition files of its program folder, and checks every proposal's lines against the rule worked out
// from the sales of its own reference day, read straight from the sales lines.
//
//   proposing_terminal PROGRAM_DIR STOCKING_DATE ROUNDS
//
// Prints one line per proposal: "OK", "WRONG <lines> <what>" (lines missing, added or with other values, or
// another reference day) or "FAIL <reason>"; exits with 0 when every proposal was right.

#include "data/DateText.h"
#include "data/SqlQuery.h"
#include "prompts/ScriptedMessageBox.h"
#include "transfer/core/LineTable.h"
#include "transfer/core/Proposal.h"
#include "transfer/core/StockingDate.h"
#include "transfer/core/TransferStore.h"

#include <QCoreApplication>

#include <algorithm>
#include <cstdio>
#include <map>
#include <string>
#include <tuple>

namespace {

constexpr char Branch[] = "S02";
constexpr char Main[] = "S01";

/// A line as the check compares it: branch stock, sales, quantity to move.
using Quantities = std::tuple<int, int, int>;
using Lines = std::map<std::string, Quantities>;

/// The lines the rule gives on `day`: products with a branch stock row whose stock less the day's sales is
/// zero or below, moving the shortfall capped by the main stock, when that comes to something.
Lines expectedLines(data::TSQLConnection &connection, const QDate &day)
{
    data::TSQLQuery q(&connection);
    data::setStatement(q, {"SELECT S.PROD_ID, CAST(SUM(S.QTY) AS INT), MAX(B.NOW_QTY), MAX(M.NOW_QTY) FROM SAL_SUB S",
                           " JOIN STORE_QTY B ON B.PROD_ID = S.PROD_ID AND B.STOCK_ID = '" + std::string(Branch) + "'",
                           " LEFT JOIN STORE_QTY M ON M.PROD_ID = S.PROD_ID AND M.STOCK_ID = '" + std::string(Main) + "'",
                           " WHERE S.BILL_DATE = '" + data::formatDate(day) + "' AND S.STOCK_ID = '" + Branch + "'",
                           " GROUP BY S.PROD_ID"});
    q.open();
    Lines lines;
    for (; !q.eof(); q.next()) {
        const int sold = q.fields(1).asInteger(), branch = q.fields(2).asInteger();
        if (branch - sold > 0 || q.fields(3).isNull())
            continue;
        const int move = std::min(sold - branch, q.fields(3).asInteger());
        if (move > 0)
            lines[q.fields(0).asString()] = {branch, sold, move};
    }
    return lines;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    if (argc != 4) {
        std::fprintf(stderr, "usage: proposing_terminal PROGRAM_DIR STOCKING_DATE ROUNDS\n");
        return 2;
    }
    const std::string programDir = argv[1];
    const std::string stockingDate = argv[2];
    const int rounds = std::stoi(argv[3]);
    try {
        transfer::TransferStore store(programDir);
        const QDate day = transfer::referenceDay(transfer::readStockingDate(stockingDate));
        const Lines expected = expectedLines(store.SQLConnection2, day);
        if (expected.empty())
            throw std::runtime_error("the shop has no lines for " + data::formatDate(day));
        prompts::ScriptedMessageBox messages;
        int wrongProposals = 0;
        for (int r = 0; r < rounds; ++r) {
            transfer::createLineTable(store.ClientDataSet2);
            transfer::Proposal proposal({.query = store.SQLQuery1,
                                         .results = store.ClientDataSet1,
                                         .lines = transfer::LineTable(store.ClientDataSet2)},
                                        messages);
            QDate shown;
            proposal.showReferenceDay = [&shown](const QDate &d) { shown = d; };
            int candidates = 0;
            try {
                if (!proposal.run({stockingDate, Branch, Main}, candidates))
                    throw std::runtime_error("the proposal stopped early");
            } catch (const std::exception &e) {
                std::string reason = e.what();
                std::replace(reason.begin(), reason.end(), '\n', ' ');
                std::printf("FAIL %s\n", reason.c_str());
                ++wrongProposals;
                continue;
            }
            Lines got;
            const transfer::LineTable lines(store.ClientDataSet2);
            for (lines.set().first(); !lines.set().eof(); lines.set().next())
                got[lines.prodId().asString()] = {lines.branchStock().asInteger(), lines.sold().asInteger(),
                                                  lines.toMove().asInteger()};
            int wrong = 0;
            for (const auto &[code, quantities] : expected) {
                const auto at = got.find(code);
                wrong += at == got.end() || at->second != quantities;
            }
            for (const auto &[code, quantities] : got)
                wrong += !expected.contains(code);
            if (wrong == 0 && shown == day && messages.shown().empty()) {
                std::printf("OK\n");
            } else {
                std::printf("WRONG %d lines, reference day %s\n", wrong, data::formatDate(shown).c_str());
                ++wrongProposals;
            }
            std::fflush(stdout);
        }
        return wrongProposals == 0 ? 0 : 1;
    } catch (const std::exception &e) {
        std::fprintf(stderr, "proposing_terminal: %s\n", e.what());
        return 1;
    }
}
