#pragma once
// How the program's values travel in a statement's messages: parameters into the input message, result
// columns out of the row into values and record-set fields.

#include "RecordSource.h"
#include "SqlParams.h"
#include "Value.h"
#include "fb/Message.h"

#include <vector>

namespace data {

namespace fb {
class Transaction;
}

/// The input message's layout for `params`, each taking the type of its value. Text goes as VARCHAR of a
/// length rounded up, so that the same statement run again with other values of the same kinds reuses the
/// message built for it before. "No value for parameter '%s'" for a parameter without a type.
std::vector<fb::ParameterType> parameterLayout(const std::vector<const TParam *> &params);

/// Writes the values of `params` into `message`, whose layout is parameterLayout(params).
void writeParameters(const std::vector<const TParam *> &params, fb::InputMessage &message);

/// The record-set field that a result column fills.
TFieldDef fieldDefOf(const fb::Column &column);

/// The value of `column` in `row`. A blob is read whole in `transaction`; a date reads as "YYYY/MM/DD", a
/// time as "hh:nn:ss", a boolean as "True" or "False". Raises EDatabaseError for a type the program does
/// not read.
TValue readColumn(const fb::Column &column, const unsigned char *row, fb::Transaction &transaction);

} // namespace data
