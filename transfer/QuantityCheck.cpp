#include "QuantityCheck.h"

#include "data/DbError.h"

namespace transfer {

bool quantityExceedsStock(data::TClientDataSet &lines)
{
    return data::compareNullsFirst(lines.fieldByName("M_QTY").value(), lines.fieldByName("T_QTY").value()) > 0;
}

void checkQuantity(data::TClientDataSet &lines, widgets::IMessageBox &messages)
{
    if (!quantityExceedsStock(lines))
        return;
    messages.messageDlg(QuantityTooLargeMessage, widgets::MsgKind::Warning, widgets::MsgButtons::Ok);
    throw data::EAbort();
}

} // namespace transfer
