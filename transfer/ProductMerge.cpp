#include "ProductMerge.h"

#include "Proposal.h"

#include "data/SqlText.h"
#include "prodchk/FrmProdChk.h"
#include "prodchk/ProductPages.h"

#include <QScopeGuard>

#include <algorithm>

namespace transfer {

void ProductMerge::buildExclusionList()
{
    const LineTable lines(store_.ClientDataSet2);
    const int code = lines.position(PROD_ID);
    std::string list;
    for (const auto &line : lines.set().data().rows) {
        if (!list.empty())
            list += ',';
        list += "'" + data::quoteValue(line[code].asString()) + "'";
    }
    store_.ProdIdList = list;
    store_.PageSize = prodchk::PageSize;
}

void ProductMerge::prepareBoard(prodchk::TFormProdChk &board)
{
    board.listPages(prodchk::countStatement(store_.ProdIdList));
    board.loadPage(0);
}

int ProductMerge::nextLineNumber(const LineTable &lines)
{
    const int sno = lines.position(Sno);
    int highest = store_.CandidateCount;
    for (const auto &line : lines.set().data().rows)
        if (!line[sno].isNull())
            highest = std::max(highest, line[sno].asInteger());
    return highest + 1;
}

void ProductMerge::merge(const std::string &mainStock, const std::string &branchStock)
{
    const LineTable lines(store_.ClientDataSet2);
    const LineTable picked(store_.TempCDS);
    auto &mainQuery = store_.SQLQuery1;
    auto &branchQuery = store_.SQLQuery2;

    lines.lockFixedColumns(false);
    const auto relock = qScopeGuard([&lines] { lines.lockFixedColumns(true); });

    int number = nextLineNumber(lines);
    for (picked.set().first(); !picked.set().eof(); picked.set().next()) {
        const std::string code = picked.prodId().asString();
        // Looking the product up stores the line added before it, through the quantity check.
        if (lines.locateProduct(code))
            continue; // already on the bill: no need to read it
        data::setStatement(mainQuery, proposal_sql::mainStock(mainStock, code));
        mainQuery.open();
        data::setStatement(branchQuery, {"SELECT NOW_QTY FROM STORE_QTY WHERE STOCK_ID = '" +
                                             data::quoteValue(branchStock) + "'",
                                         " AND PROD_ID = '" + data::quoteValue(code) + "'"});
        branchQuery.open();

        lines.set().append();
        lines.sno().setAsInteger(number++);
        lines.prodId().setAsString(code);
        lines.prodName().setAsString(mainQuery.fieldByName("PROD_NAME").asString());
        lines.mainStock().setValue(mainQuery.fieldByName("NOW_QTY").value());
        lines.branchStock().setValue(branchQuery.fieldByName("NOW_QTY").value());
        lines.sold().setAsInteger(0);
        lines.toMove().setAsInteger(0);
    }
    lines.set().checkBrowseMode(); // the last line added is stored at once, through the check like the others
}

} // namespace transfer
