#pragma once
// An explicit transaction of a connection as an object: the data layer's own.

#include "data/SqlConnection.h"

namespace transfer {

using ScopedTransaction = data::TSQLTransactionScope;

} // namespace transfer
