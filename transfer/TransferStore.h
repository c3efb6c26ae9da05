#pragma once
// The non-visual parts of the transfer screen: the two connections to the shop database with their statement
// objects, the provider-fed query record set, the line table, the picked-product set and the values the
// screen's operations share. The screen owns one for the whole run; the work of each operation takes it by
// reference, so that it can run without a window.

#include "data/ClientDataSet.h"
#include "data/DataSetProvider.h"
#include "data/SqlQuery.h"

#include <string>

namespace transfer {

class TransferStore {
public:
    /// `programDir` ends with the path separator: the connection and driver definitions are read there.
    /// Nothing is connected yet.
    explicit TransferStore(const std::string &programDir);

    const std::string programDir;

    data::TSQLConnection SQLConnection1;
    data::TSQLConnection SQLConnection2;
    data::TSQLQuery SQLQuery1{&SQLConnection1};
    data::TSQLQuery SQLQuery2{&SQLConnection1};
    data::TSQLQuery SQL_ID{&SQLConnection2};
    data::TSQLQuery SQL_Master{&SQLConnection2};
    data::TSQLQuery SQL_Sub{&SQLConnection2};
    data::TSQLDataSet SQLDataSet1{&SQLConnection1};
    data::TDataSetProvider DataSetProvider1{&SQLDataSet1};
    /// Query results fetched whole (sales summary, candidates, the bill for the preview).
    data::TClientDataSet ClientDataSet1;
    /// The line table: the lines of the bill being prepared.
    data::TClientDataSet ClientDataSet2;
    /// The picked-product set: product codes ticked on the product board.
    data::TClientDataSet TempCDS;

    // The values the screen's operations share; each starts empty or zero.
    std::string StoreID;
    int CandidateCount = 0;
    std::string ProdIdList;
    int PageSize = 0;
    std::string BillNo;
    std::string SStockID;
    std::string TStockID;
};

/// A code typed into the header without blanks and control characters at both ends. Code page 950 bytes
/// of Chinese characters are all above the blank, so they are never cut.
std::string trimCode(const std::string &code);

/// Sets up a connection as the screen's design does: the definition "Kobrel" of the driver "Interbase",
/// with its parameters read from the definition files at every connect.
void configureConnection(data::TSQLConnection &connection);

} // namespace transfer
