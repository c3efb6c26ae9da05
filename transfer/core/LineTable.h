#pragma once
// The line table ClientDataSet2 and the picked-product set TempCDS: their definitions, and a view that reaches
// their fields by role.

#include "data/ClientDataSet.h"

#include <array>
#include <string>

namespace transfer {

/// The fields of the line table, in grid order. The picked-product set has the same fields without Sno.
enum LineField { Sno, PROD_ID, PROD_NAME, T_QTY, NOW_QTY, SAL_QTY, M_QTY, LineFieldCount };
/// The first six fields are the fixed columns of the grid.
inline constexpr int FixedColumnCount = 6;

/// Defines the seven fields and the index of the line table and creates it empty.
void createLineTable(data::TClientDataSet &set);
/// Defines the fields and the index of the picked-product set and creates it empty.
void createPickedSet(data::TClientDataSet &set);

/// The line table, or the picked-product set, field by field. The fields are found by name once, when the
/// view is made; one not found then is looked for again at each use, which raises "Field '%s' not found"
/// while the set has none of that name. The set must outlive the view.
class LineTable {
public:
    explicit LineTable(data::TClientDataSet &set);

    /// The record set itself: walking, appending, storing.
    data::TClientDataSet &set() const { return set_; }

    data::TField &field(LineField f) const;
    data::TField &sno() const { return field(Sno); }              ///< 序, the line number
    data::TField &prodId() const { return field(PROD_ID); }       ///< 商品代號
    data::TField &prodName() const { return field(PROD_NAME); }   ///< 商品名稱
    data::TField &mainStock() const { return field(T_QTY); }      ///< 總倉數, the main warehouse's stock
    data::TField &branchStock() const { return field(NOW_QTY); }  ///< 現有數, the branch's stock
    data::TField &sold() const { return field(SAL_QTY); }         ///< 銷售數, sold on the reference day
    data::TField &toMove() const { return field(M_QTY); }         ///< 應補數, the quantity to move
    /// Where a field stands in the rows of data(); fails as field() does.
    int position(LineField f) const;

    /// Moves to the line of product `prodId` (case and all); whether there is one. Like every move, it first
    /// stores a pending line, which may raise the quantity check's silent abort.
    bool locateProduct(const std::string &prodId) const;
    /// Whether the set holds a stored line; a line still being added does not count.
    bool hasStoredLines() const;
    /// Makes the six fixed fields read-only, or writable again; 應補數 is never locked. Nothing on a closed set.
    void lockFixedColumns(bool locked) const;

private:
    data::TClientDataSet &set_;
    std::array<int, LineFieldCount> positions_;
};

} // namespace transfer
