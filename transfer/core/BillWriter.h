#pragma once
// Writing a transfer bill: one header row in MOVE_MASTER and one row in MOVE_SUB for every line of the line
// table with a quantity to move, in one transaction on the second connection. A bill is all or nothing: when
// any step fails, everything of it is rolled back.

#include "BillHeader.h"
#include "LineTable.h"

#include "data/DateText.h"
#include "data/SqlQuery.h"

#include <QString>

#include <map>
#include <string>
#include <utility>
#include <vector>

namespace transfer {

/// The salesperson code of a salesperson text "code_name": the text before its first "_", empty when it
/// has none. The text is code page 950: the second byte of a Chinese character may look like "_" and is
/// not taken for one.
std::string salespersonCode(const std::string &salesText);

/// What a bill of the line table holds: the code and quantity of every line with a code and a quantity above
/// 0, in the table's order, as the operator sees them (a line being edited with its new values). Two
/// postings of equal lines post the same goods.
std::vector<std::pair<std::string, int>> billLines(const LineTable &lines);

/// The statement objects a bill is written with, all on the second connection, whose transaction holds the
/// bill.
struct BillStatements {
    /// Reads the products of the bill's lines (SQL_Product).
    data::TSQLQuery &product;
    /// The header (SQL_Master).
    data::TSQLQuery &master;
    /// The lines (SQL_Sub).
    data::TSQLQuery &sub;
};

class BillWriter {
public:
    struct Result {
        bool written = false;
        /// Why the bill was not written, as the error said it; empty for the silent abort of the quantity
        /// check, which has shown its own message.
        std::string error;
        /// The same for the operator: the cause in plain words where the error is of a common kind, the
        /// error's own text below it.
        QString cause;
        /// What a written bill holds: its lines and their quantities added up.
        int lines = 0;
        long long quantity = 0;
    };

    /// The statement objects and `clock` must outlive the writer.
    BillWriter(const BillStatements &statements, const data::IClock &clock) : statements_(statements), clock_(clock) {}

    /// How many products one read of the bill's products reads.
    static constexpr int ProductsPerRead = 100;

    /// Writes the bill `header` with the lines of `lines` and today's date; `salesText` gives the header's
    /// CHG_USER. Lines without a product code or without a quantity above 0 are left out; a product without
    /// a PRODUCT row, or without package quantities, is written with empty values in those columns. The
    /// products are read ProductsPerRead at a time by one statement, the lines inserted by another, each
    /// prepared once for the whole bill, and everything runs in one read-committed transaction.
    ///
    /// A bill already stored under the number is never touched: its header makes the insert fail. Nothing
    /// is written when the second connection already has an open transaction. Moving to the first line
    /// stores a line being edited, through the line table's before-post check; a veto, a failing statement
    /// or a failing commit rolls the whole bill back. Never raises.
    Result write(const BillHeader &header, const std::string &salesText, const LineTable &lines);

private:
    /// A line of the bill, as the line table holds it.
    struct Line {
        data::TValue prodId, prodName, quantity;
    };
    /// What a line takes from its product's PRODUCT row: texts as text, package quantities as stored.
    struct Product {
        std::string scale, unit;
        data::TValue pack1Qty;
        std::string pack1;
        data::TValue pack2Qty;
        std::string pack2, itemId;
    };
    /// The products by code without trailing blanks, which compare equal in the database as well.
    using Products = std::map<std::string, Product>;
    static std::string productKey(std::string prodId);

    void insertHeader(const BillHeader &header, const std::string &today, const std::string &salesText);
    Products readProducts(const std::vector<Line> &bill);
    /// Prepares the line insert, binds what every line of the bill shares and finds the other parameters.
    void prepareLines(const BillHeader &header, const std::string &today);
    /// Inserts `line`; `product` is null for a product without a PRODUCT row.
    void insertLine(const Line &line, const Product *product);

    /// The parameters of the line insert that differ from line to line, found by name once a bill.
    struct LineParams {
        data::TParam *keyInTime, *prodId, *prodName, *scale, *quantity, *unit, *tempProdId, *vQuantity, *vUnit,
            *pack1Qty, *pack1, *pack2Qty, *pack2, *itemId;
    };

    BillStatements statements_;
    const data::IClock &clock_;
    LineParams lineParams_{};
};

} // namespace transfer
