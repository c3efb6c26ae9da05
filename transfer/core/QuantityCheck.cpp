#include "QuantityCheck.h"

#include "data/DbError.h"

namespace transfer {

bool quantityExceedsStock(const LineTable &lines)
{
    return data::compareNullsFirst(lines.toMove().value(), lines.mainStock().value()) > 0;
}

void checkQuantity(data::TClientDataSet &lines, prompts::IMessageBox &messages)
{
    if (!quantityExceedsStock(LineTable(lines)))
        return;
    messages.messageDlg(QuantityTooLargeMessage, prompts::MsgKind::Warning, prompts::MsgButtons::Ok);
    throw data::EAbort();
}

} // namespace transfer
