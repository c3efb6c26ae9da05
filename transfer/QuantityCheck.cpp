#include "QuantityCheck.h"

#include "data/DbError.h"

namespace transfer {

bool quantityExceedsStock(data::TClientDataSet &lines)
{
    return data::compareNullsFirst(lines.fieldByName("M_QTY").value(), lines.fieldByName("T_QTY").value()) > 0;
}

void checkQuantity(data::TClientDataSet &lines, prompts::IMessageBox &messages)
{
    if (!quantityExceedsStock(lines))
        return;
    messages.messageDlg(QuantityTooLargeMessage, prompts::MsgKind::Warning, prompts::MsgButtons::Ok);
    throw data::EAbort();
}

} // namespace transfer
