#pragma once
// Working the product board as the operator does (touching the page list and the check boxes), reading
// what it shows, and filling the shop database with numbered products for it.

#include "TestDatabase.h"

#include "data/ClientDataSet.h"
#include "prodchk/FrmProdChk.h"

#include <string>
#include <vector>

/// The code of product number `n`: "P0001", "P0002", …
std::string productCode(int n);

/// Products `first` to `last`, in use with a quantity of 10, named "Name n" and shortly "S n".
void addProducts(TestDatabase &db, int first, int last);
/// One product in use with a quantity of 10; the code and the short name are code page 950 bytes.
void addProduct(TestDatabase &db, const std::string &code, const std::string &shortName);

/// Touches the entry `entry` of the page list.
void choosePage(prodchk::TFormProdChk &board, int entry);
/// Touches the check box of the panel of display row `row`.
void touchTick(prodchk::TFormProdChk &board, int row);
/// Types the text as a barcode scanner does: each key to the board's widget that has the keys, then Enter.
void scan(prodchk::TFormProdChk &board, const std::string &text);

/// The captions of the page list.
std::vector<std::string> pageCaptions(prodchk::TFormProdChk &board);
/// The codes of the products the board shows, in panel order.
std::vector<std::string> shownCodes(prodchk::TFormProdChk &board);
/// The codes of the products ticked on the board.
std::vector<std::string> tickedCodes(prodchk::TFormProdChk &board);
/// The codes of every page of the board, chosen one after the other in the page list.
std::vector<std::vector<std::string>> everyPage(prodchk::TFormProdChk &board);
/// The PROD_ID of every stored row of a record set, in order.
std::vector<std::string> codesIn(data::TClientDataSet &set);
