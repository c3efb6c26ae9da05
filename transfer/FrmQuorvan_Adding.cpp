// Adding products by hand: the product board and the merge of the picked products.

#include "FrmQuorvan.h"

#include "prodchk/FrmProdChk.h"
#include "prodchk/ProductPages.h"
#include "transfer/core/LeftOut.h"
#include "transfer/core/ProductMerge.h"
#include "transfer/core/WarehouseCode.h"
#include "widgets/CodePageEdit.h"

#include <QLineEdit>
#include <QScopeGuard>
#include <QTimer>

#include <memory>

namespace transfer {

void TFormTouchMove::bsSkinButton2Click()
{
    if (Edit_Rdate->text().isEmpty() || !headerCodesAreWarehouses())
        return;
    ProdIdList = exclusionList(LineTable(store.ClientDataSet2));
    PageSize = prodchk::PageSize;
    auto board = std::make_unique<prodchk::TFormProdChk>(
        prodchk::BoardLinks{store.SQLConnection1, store.TempCDS, *Timer1, ProdIdList, services_.errors});
    board->setScale(dialogScale(prodchk::TFormProdChk::DesignSize));
    board->listPages();
    board->loadPage(0);
    // The board frees itself when it closes; the picked products come back through TempCDS and Timer1.
    services_.dialogs.runModal(*board.release());
}

void TFormTouchMove::Timer1Timer()
{
    Timer1->stop();
    MergePickedProducts();
}

void TFormTouchMove::MergePickedProducts()
{
    // Also a merge that stopped at a refused line tells how many lines it added.
    const int before = lineCount();
    const auto tell = qScopeGuard([&] { say(QStringLiteral("加入 %1 項").arg(lineCount() - before)); });
    std::vector<std::string> leftOut;
    {
        const auto pause = pauseGrid();
        leftOut = mergePicked({.mainQuery = store.SQLQuery1,
                               .branchQuery = store.SQLQuery2,
                               .picked = LineTable(store.TempCDS),
                               .lines = LineTable(store.ClientDataSet2)},
                              CandidateCount, trimCode(bsSkinEdit2->bytes()), trimCode(bsSkinEdit1->bytes()));
    }
    if (!leftOut.empty())
        services_.messages.messageDlg(leftOutMessage(leftOut), prompts::MsgKind::Warning, prompts::MsgButtons::Ok);
}

} // namespace transfer
