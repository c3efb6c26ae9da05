#include "ProductMerge.h"

#include "LeftOut.h"
#include "Proposal.h"

#include "data/SqlText.h"

#include <QScopeGuard>

#include <algorithm>

namespace transfer {

namespace {

/// The number of the first line the merge adds.
int nextLineNumber(const LineTable &lines, int candidateCount)
{
    const int sno = lines.position(Sno);
    int highest = candidateCount;
    for (const auto &line : lines.set().data().rows)
        if (!line[sno].isNull())
            highest = std::max(highest, line[sno].asInteger());
    return highest + 1;
}

} // namespace

std::string exclusionList(const LineTable &lines)
{
    const int code = lines.position(PROD_ID);
    std::string list;
    for (const auto &line : lines.set().data().rows) {
        if (!list.empty())
            list += ',';
        list += "'" + data::quoteValue(line[code].asString()) + "'";
    }
    return list;
}

std::vector<std::string> mergePicked(const MergeLinks &links, int candidateCount, const std::string &mainCode,
                                     const std::string &branchCode)
{
    const LineTable &lines = links.lines;
    const LineTable &picked = links.picked;

    lines.lockFixedColumns(false);
    const auto relock = qScopeGuard([&lines] { lines.lockFixedColumns(true); });

    std::vector<std::string> leftOut;
    int number = nextLineNumber(lines, candidateCount);
    for (picked.set().first(); !picked.set().eof(); picked.set().next()) {
        const std::string code = picked.prodId().asString();
        // Looking the product up stores the line added before it, through the quantity check.
        if (lines.locateProduct(code))
            continue; // already on the bill: no need to read it
        data::setStatement(links.mainQuery, proposal_sql::mainStock(mainCode, code));
        links.mainQuery.open();
        data::setStatement(links.branchQuery, {"SELECT NOW_QTY FROM STORE_QTY WHERE STOCK_ID = '" +
                                                   data::quoteValue(branchCode) + "'",
                                               " AND PROD_ID = '" + data::quoteValue(code) + "'"});
        links.branchQuery.open();
        const data::TValue mainStock = links.mainQuery.fieldByName("NOW_QTY").value();
        const data::TValue branchStock = links.branchQuery.fieldByName("NOW_QTY").value();
        if (!fitsLineField(mainStock) || !fitsLineField(branchStock)) {
            leftOut.push_back(code);
            continue;
        }

        lines.set().append();
        lines.sno().setAsInteger(number++);
        lines.prodId().setAsString(code);
        lines.prodName().setAsString(links.mainQuery.fieldByName("PROD_NAME").asString());
        lines.mainStock().setValue(mainStock);
        lines.branchStock().setValue(branchStock);
        lines.sold().setAsInteger(0);
        lines.toMove().setAsInteger(0);
    }
    lines.set().checkBrowseMode(); // the last line added is stored at once, through the check like the others
    return leftOut;
}

} // namespace transfer
