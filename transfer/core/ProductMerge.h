#pragma once
// Adding products by hand: the exclusion list of the products already on the bill, and the merge of the
// picked products into the line table as new lines with 應補數 0.

#include "LineTable.h"

#include "data/SqlQuery.h"

#include <string>
#include <vector>

namespace transfer {

/// The codes of the line table's lines, each between single quotes (quotes inside doubled), joined by
/// commas; empty for an empty table. A line still pending is stored first: a refusal of the quantity check
/// shows its message and raises the silent abort.
std::string exclusionList(const LineTable &lines);

/// What the merge works on. All of it must outlive the merge.
struct MergeLinks {
    /// A statement object on the first connection (SQLQuery1): a product's name and main stock.
    data::TSQLQuery &mainQuery;
    /// Another one on the first connection (SQLQuery2): the product's branch stock.
    data::TSQLQuery &branchQuery;
    /// The picked-product set (TempCDS).
    LineTable picked;
    /// The line table (ClientDataSet2).
    LineTable lines;
};

/// Adds every product of the picked set that is not in the line table yet as a new line with 應補數 0: its
/// name and stock read in the main warehouse `mainCode`, its stock read in the branch `branchCode` (a missing
/// stock row gives an empty value). The lines are numbered after the proposal's `candidateCount` candidates
/// and after every line number already in the table; each is stored through the quantity check, the last one
/// at once. The fixed columns are writable while the merge runs and locked again however it ends. A database
/// error ends the merge at its product; a refused line ends it with the check's message and the silent abort,
/// and stays pending. Lines added before either stay. A product whose stock in either warehouse does not fit
/// the line's 32-bit fields gets no line and takes no number; the codes of those products are returned.
std::vector<std::string> mergePicked(const MergeLinks &links, int candidateCount, const std::string &mainCode,
                                     const std::string &branchCode);

} // namespace transfer
