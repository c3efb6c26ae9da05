#pragma once
// The rule every line of the line table must satisfy before it is stored: the quantity to move (應補數) may
// not exceed the main warehouse's stock. An empty value is smaller than any number and two empty values are
// equal, so an empty quantity passes and a line without main stock refuses every quantity.

#include "LineTable.h"

#include "data/ClientDataSet.h"
#include "prompts/MessageBox.h"

namespace transfer {

inline constexpr char QuantityTooLargeMessage[] = "數量輸入大於現有庫存量..";

/// Whether the pending line of the line table breaks the rule.
bool quantityExceedsStock(const LineTable &lines);

/// The before-post check: when the line breaks the rule, shows the warning and, once the operator has closed
/// it, vetoes the post with the silent abort (the line stays pending with the value typed).
void checkQuantity(data::TClientDataSet &lines, prompts::IMessageBox &messages);

} // namespace transfer
