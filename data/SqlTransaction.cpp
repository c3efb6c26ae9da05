#include "SqlTransaction.h"

#include "DbError.h"

namespace data {

StatementTransaction::StatementTransaction(TSQLConnection &connection, bool readOnly) : connection_(&connection)
{
    if (!connection.activeTransaction())
        own_.emplace(connection.startOwnTransaction(readOnly));
}

fb::Transaction &StatementTransaction::get()
{
    if (own_)
        return *own_;
    if (fb::Transaction *explicitOne = connection_->activeTransaction())
        return *explicitOne;
    throw EDatabaseError("There is no active transaction");
}

void StatementTransaction::makeWritable()
{
    if (own_) {
        own_.reset();
        own_.emplace(connection_->startOwnTransaction(false));
    }
}

void StatementTransaction::commit()
{
    if (own_ && own_->active())
        own_->commit();
}

} // namespace data
