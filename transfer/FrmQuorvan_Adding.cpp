// Adding products by hand: the product board and the merge of the picked products.

#include "FrmQuorvan.h"

#include "ProductMerge.h"

#include "prodchk/FrmProdChk.h"
#include "widgets/CodePageEdit.h"

#include <QLineEdit>
#include <QTimer>

#include <memory>

namespace transfer {

void TFormTouchMove::bsSkinButton2Click()
{
    if (Edit_Rdate->text().isEmpty())
        return;
    ProductMerge adding(store);
    adding.buildExclusionList();
    auto board = std::make_unique<prodchk::TFormProdChk>(
        prodchk::BoardLinks{store.SQLConnection1, store.TempCDS, *Timer1, store.ProdIdList, services_.errors});
    adding.prepareBoard(*board);
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
    ProductMerge(store).merge(trimCode(bsSkinEdit2->bytes()), trimCode(bsSkinEdit1->bytes()));
}

} // namespace transfer
