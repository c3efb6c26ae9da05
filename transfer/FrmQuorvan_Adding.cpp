// Adding products by hand: the product board and the merge of the picked products.

#include "FrmQuorvan.h"

namespace transfer {

void TFormTouchMove::bsSkinButton2Click() {}
void TFormTouchMove::Timer1Timer() {}
void TFormTouchMove::MergePickedProducts() {}

} // namespace transfer
