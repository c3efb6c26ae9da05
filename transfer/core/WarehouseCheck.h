#pragma once
// The two warehouse codes of the header are checked before anything that uses them runs: the proposal, the
// product board and the posting. Both must name warehouses of STOCK_ITEM, compared as stored, and differ.

#include "data/SqlQuery.h"

#include <QString>

#include <optional>
#include <string>

namespace transfer {

/// What is wrong with the branch code `branch` (分倉代號) and the main warehouse code `main` (總倉代號), both
/// already trimmed, as the operator's message; nothing when both are right. A code that names a warehouse
/// only without regard to case is refused too (the shop may have codes that differ only in case), and the
/// message names the stored code. Runs on `query`; raises EDatabaseError with the server's message when
/// STOCK_ITEM cannot be read.
std::optional<QString> checkWarehouseCodes(data::TSQLQuery &query, const std::string &branch, const std::string &main);

} // namespace transfer
