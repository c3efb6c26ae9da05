#pragma once
// Adding products by hand: the exclusion list of the products already on the bill, the preparation of the
// product board, and the merge of the picked products into the line table as new lines with 應補數 0.

#include "LineTable.h"
#include "TransferStore.h"

#include <string>

namespace prodchk {
class TFormProdChk;
}

namespace transfer {

class ProductMerge {
public:
    /// The store must outlive this object.
    explicit ProductMerge(TransferStore &store) : store_(store) {}

    /// Rebuilds ProdIdList from the line table (each code between single quotes, quotes inside doubled,
    /// joined by commas; empty for an empty table) and sets PageSize. A line still pending is stored first:
    /// a refusal of the quantity check shows its message and raises the silent abort.
    void buildExclusionList();

    /// Fills the board's page list from the count of the products offered and loads its first page.
    /// Raises EDatabaseError with the server's message; the board is then not to be shown.
    void prepareBoard(prodchk::TFormProdChk &board);

    /// Adds every product of the picked set that is not in the line table yet as a new line with 應補數 0:
    /// its name and stock read in the main warehouse `mainStock`, its stock read in the branch `branchStock`
    /// (a missing stock row gives an empty value). The lines are numbered after the proposal's candidates and
    /// after every line number already in the table; each is stored through the quantity check, the last one
    /// at once. The fixed columns are writable while the merge runs and locked again however it ends. A
    /// database error ends the merge at its product; a refused line ends it with the check's message and the
    /// silent abort, and stays pending. Lines added before either stay.
    void merge(const std::string &mainStock, const std::string &branchStock);

private:
    /// The number of the first line the merge adds.
    int nextLineNumber(const LineTable &lines);

    TransferStore &store_;
};

} // namespace transfer
