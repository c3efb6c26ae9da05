#pragma once
// The non-visual components of the transfer screen: the two connections to the shop database with their
// statement objects, the provider-fed query record set, the line table and the picked-product set. The screen
// owns one for the whole run; each operation is handed the components it works on.

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

    data::TSQLConnection SQLConnection1;
    data::TSQLConnection SQLConnection2;
    data::TSQLQuery SQLQuery1{&SQLConnection1};
    data::TSQLQuery SQLQuery2{&SQLConnection1};
    data::TSQLQuery SQL_ID{&SQLConnection2};
    /// Reads the products of a bill's lines within the bill's transaction.
    data::TSQLQuery SQL_Product{&SQLConnection2};
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
};

/// Sets up a connection as the screen's design does: the definition "Kobrel" of the driver "Interbase",
/// with its parameters read from the definition files at every connect.
void configureConnection(data::TSQLConnection &connection);

} // namespace transfer
