#pragma once
// The statements of the product board: the count of the products it offers and one page of them. Both
// leave out the products already on the bill, given as the exclusion list: the codes of the bill's lines,
// each between single quotes (quotes inside doubled), joined by commas.

#include <string>

namespace prodchk {

/// Products on one page of the board.
inline constexpr int PageSize = 100;
/// The most values the server takes in one IN list.
inline constexpr int MaxInListValues = 1500;

/// The lines that leave the listed products out, each followed by CR LF: none for an empty list,
/// " AND PROD_ID NOT IN (" + list + ")" for a list of up to 1,500 codes, and one such line per group of
/// 1,500 codes for a longer list.
std::string exclusionText(const std::string &prodIdList);

/// "select Count(*) from PRODUCT", the products in use with a quantity above zero, less the listed ones.
std::string countStatement(const std::string &prodIdList);

/// Page `page` (from 0) of the same products in code order: 100 of them after the first page × 100.
std::string pageStatement(int page, const std::string &prodIdList);

} // namespace prodchk
