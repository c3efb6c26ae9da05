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
    auto &lines = store_.ClientDataSet2;
    const int code = lines.fieldByName("PROD_ID").index();
    std::string list;
    for (const auto &line : lines.data().rows) {
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

int ProductMerge::nextLineNumber()
{
    auto &lines = store_.ClientDataSet2;
    const int sno = lines.fieldByName("Sno").index();
    int highest = store_.CandidateCount;
    for (const auto &line : lines.data().rows)
        if (!line[sno].isNull())
            highest = std::max(highest, line[sno].asInteger());
    return highest + 1;
}

void ProductMerge::merge(const std::string &mainStock, const std::string &branchStock)
{
    auto &lines = store_.ClientDataSet2;
    auto &picked = store_.TempCDS;
    auto &mainQuery = store_.SQLQuery1;
    auto &branchQuery = store_.SQLQuery2;

    store_.lockFixedColumns(false);
    const auto relock = qScopeGuard([this] { store_.lockFixedColumns(true); });

    int number = nextLineNumber();
    for (picked.first(); !picked.eof(); picked.next()) {
        const std::string code = picked.fieldByName("PROD_ID").asString();
        // Looking the product up stores the line added before it, through the quantity check.
        if (lines.locate("PROD_ID", code))
            continue; // already on the bill: no need to read it
        data::setStatement(mainQuery, proposal_sql::mainStock(mainStock, code));
        mainQuery.open();
        data::setStatement(branchQuery, {"SELECT NOW_QTY FROM STORE_QTY WHERE STOCK_ID = '" +
                                             data::quoteValue(branchStock) + "'",
                                         " AND PROD_ID = '" + data::quoteValue(code) + "'"});
        branchQuery.open();

        lines.append();
        lines.fieldByName("Sno").setAsInteger(number++);
        lines.fieldByName("PROD_ID").setAsString(code);
        lines.fieldByName("PROD_NAME").setAsString(mainQuery.fieldByName("PROD_NAME").asString());
        lines.fieldByName("T_QTY").setValue(mainQuery.fieldByName("NOW_QTY").value());
        lines.fieldByName("NOW_QTY").setValue(branchQuery.fieldByName("NOW_QTY").value());
        lines.fieldByName("SAL_QTY").setAsInteger(0);
        lines.fieldByName("M_QTY").setAsInteger(0);
    }
    lines.checkBrowseMode(); // the last line added is stored at once, through the check like the others
}

} // namespace transfer
