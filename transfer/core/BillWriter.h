#pragma once
// Writing a transfer bill: one header row in MOVE_MASTER and one row in MOVE_SUB for every line of the line
// table with a quantity to move, in one transaction on the second connection. A bill is all or nothing: when
// any step fails, everything of it is rolled back.

#include "BillHeader.h"
#include "LineTable.h"

#include "data/DateText.h"
#include "data/SqlQuery.h"

#include <string>

namespace transfer {

/// The salesperson code of a salesperson text "code_name": the text before its first "_", empty when it
/// has none. The text is code page 950: the second byte of a Chinese character may look like "_" and is
/// not taken for one.
std::string salespersonCode(const std::string &salesText);

/// The statement objects a bill is written with.
struct BillStatements {
    /// On the first connection (SQLQuery1): deletes a header stored under the bill's number.
    data::TSQLQuery &removal;
    /// On the first connection (SQLQuery2): finds that header, and reads each line's product.
    data::TSQLQuery &lookUp;
    /// On the second connection (SQL_Master), whose transaction holds the bill: the header.
    data::TSQLQuery &master;
    /// On the second connection (SQL_Sub): the lines.
    data::TSQLQuery &sub;
};

class BillWriter {
public:
    struct Result {
        bool written = false;
        /// Why the bill was not written; empty for the silent abort of the quantity check, which has shown
        /// its own message.
        std::string error;
        /// What a written bill holds: its lines and their quantities added up.
        int lines = 0;
        long long quantity = 0;
    };

    /// The statement objects and `clock` must outlive the writer.
    BillWriter(const BillStatements &statements, const data::IClock &clock) : statements_(statements), clock_(clock) {}

    /// Writes the bill `header` with the lines of `lines` and today's date; `salesText` gives the header's
    /// CHG_USER. A header already stored under that number is deleted first (at once, on the first
    /// connection). Lines without a product code or without a quantity above 0 are left out; a product
    /// without a PRODUCT row, or without package quantities, is written with empty values in those columns.
    ///
    /// Nothing is written when the second connection already has an open transaction. Moving to the first
    /// line stores a line being edited, through the line table's before-post check; a veto, a failing
    /// statement or a failing commit rolls the bill back. Never raises.
    Result write(const BillHeader &header, const std::string &salesText, const LineTable &lines);

private:
    void deleteExistingHeader(const BillHeader &header);
    void insertHeader(const BillHeader &header, const std::string &today, const std::string &salesText);
    void insertLine(const BillHeader &header, const LineTable &line, const std::string &today);

    BillStatements statements_;
    const data::IClock &clock_;
};

} // namespace transfer
