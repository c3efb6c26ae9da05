#pragma once
// The statements of the product board. The shop's own: the count of the products it offers and one page of
// them, both leaving out the products already on the bill, given as the exclusion list: the codes of the
// bill's lines, each between single quotes (quotes inside doubled), joined by commas. And those with which the
// board pages a longer bill or a search (see ProductOffer.h).

#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

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

/// The codes of an exclusion list, unquoted, in the list's order.
std::vector<std::string> listedCodes(const std::string &prodIdList);

/// A code as the server compares it: text columns compare as if the shorter were padded with blanks, so
/// "P1" equals "P1" held in a CHAR(20) column. Trailing blanks are left out.
std::string_view comparedCode(std::string_view code);

/// Whether `a` sorts before `b` as the server sorts PROD_ID: byte by byte, the shorter padded with blanks.
bool serverOrder(std::string_view a, std::string_view b);

/// The statement that walks the products in use in code order, passing over the bill's codes, and returns the
/// first code of every page of 100 (FIRST_CODE) and then one row without a code holding how many products it
/// offers (OFFERED). The bill goes in as the parameters B1 … B`parameters`, made by billParameters().
std::string pageStartsStatement(int codeWidth, int parameters);
/// The bill's codes, sorted by serverOrder and each padded with blanks to `codeWidth` bytes, cut into the
/// values of the parameters B1, B2, … of pageStartsStatement (at least one, empty for an empty bill).
std::vector<std::string> billParameters(std::span<const std::string> sortedCodes, int codeWidth);

/// The products in use with a quantity above zero from code `first` on and before code `next` (to the end
/// without one), in code order, with the page statement's columns.
std::string rangePageStatement(const std::string &first, const std::optional<std::string> &next);

/// The code and short name of every product in use with a quantity above zero, in code order.
std::string catalogueStatement();

/// The products of the given codes (at most 1,500) that are still in use with a quantity above zero, in code
/// order, with the page statement's columns.
std::string codesPageStatement(std::span<const std::string> codes);

} // namespace prodchk
