// The stocking date and the replenishment proposal.

#include "FrmQuorvan.h"

namespace transfer {

void TFormTouchMove::N1Click() {}
void TFormTouchMove::N2Click() {}
void TFormTouchMove::N3Click() {}
void TFormTouchMove::N4Click() {}
void TFormTouchMove::bsSkinButton1Click() {}

} // namespace transfer
