// The bill number, the posting of a bill and the print preview.

#include "FrmQuorvan.h"

namespace transfer {

void TFormTouchMove::fcImageBtn2Click() {}
std::string TFormTouchMove::NextBillNo(const std::string &, const std::string &) { return {}; }
void TFormTouchMove::WriteBill() {}
void TFormTouchMove::fcImageBtn1Click() {}

} // namespace transfer
