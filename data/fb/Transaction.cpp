#include "Transaction.h"

#include "Attachment.h"
#include "Status.h"
#include "data/DbError.h"

#include <cassert>
#include <string>
#include <utility>

namespace data::fb {

using namespace Firebird;

Transaction::Transaction(std::shared_ptr<Attachment> attachment, const TransactionOptions &options)
    : attachment_(std::move(attachment))
{
    std::string tpb;
    tpb += char(isc_tpb_version3);
    tpb += char(options.readOnly ? isc_tpb_read : isc_tpb_write);
    if (options.isolation == TransactionOptions::Isolation::Snapshot) {
        tpb += char(isc_tpb_concurrency);
    } else {
        tpb += char(isc_tpb_read_committed);
        tpb += char(isc_tpb_rec_version);
    }
    tpb += char(options.wait ? isc_tpb_wait : isc_tpb_nowait);
    StatusWrapper st(attachment_->client());
    handle_.reset(attachment_->handle()->startTransaction(&st, unsigned(tpb.size()),
                                                        reinterpret_cast<const unsigned char *>(tpb.data())));
}

Transaction::Transaction(Transaction &&other) noexcept
    : attachment_(std::move(other.attachment_)), handle_(std::move(other.handle_)),
      state_(std::exchange(other.state_, TransactionState::RolledBack))
{
}

Transaction::~Transaction()
{
    rollbackQuietly();
}

void Transaction::commit()
{
    assert(active());
    try {
        StatusWrapper st(attachment_->client());
        handle_->commit(&st);
        handle_.release();
        state_ = TransactionState::Committed;
    } catch (const EDatabaseError &) {
        rollbackQuietly();
        throw;
    }
}

void Transaction::rollback()
{
    assert(active());
    state_ = TransactionState::RolledBack;
    end(attachment_->client(), std::move(handle_), [](ITransaction *t, StatusWrapper *st) { t->rollback(st); });
}

void Transaction::rollbackQuietly() noexcept
{
    if (!active())
        return;
    try {
        rollback();
    } catch (...) {
        // The attachment is lost: the server has ended the transaction with it.
    }
}

} // namespace data::fb
