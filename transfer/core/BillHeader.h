#pragma once

#include <string>

namespace transfer {

/// The values of a posted bill's header that the screen keeps for the whole run.
struct BillHeader {
    std::string billNo;         ///< BillNo, the number drawn for the bill
    std::string sendingStock;   ///< SStockID, the main (source) warehouse
    std::string receivingStock; ///< TStockID, the branch (target) warehouse
    std::string storeId;        ///< StoreID, the shop
};

} // namespace transfer
