#pragma once
// Products that cannot become lines: a quantity of theirs (a stock, a day's sales) lies beyond the line
// table's 32-bit integer fields. The proposal and the merge go on without them and name them at the end.

#include "data/Value.h"

#include <QString>

#include <string>
#include <vector>

namespace transfer {

inline constexpr char LeftOutMessage[] = "下列商品的數量超出範圍,未列入調撥單..!";

/// Whether a quantity read from the database can be stored in an integer field of the line table: empty,
/// or a number whose whole part (truncated toward zero) is a 32-bit integer.
bool fitsLineField(const data::TValue &quantity);

/// LeftOutMessage, then the product codes (code-page bytes), the first 20 of them and how many there are
/// in all when there are more.
QString leftOutMessage(const std::vector<std::string> &codes);

} // namespace transfer
