#include "Statement.h"

#include "Attachment.h"
#include "Status.h"
#include "Transaction.h"
#include "data/DbError.h"

#include <cassert>

namespace data::fb {

using namespace Firebird;

Statement::Statement(const std::shared_ptr<Attachment> &attachment, Transaction &transaction, const std::string &sql)
    : attachment_(attachment), client_(attachment->client().shared_from_this())
{
    assert(&transaction.attachment() == attachment.get());
    StatusWrapper st(*client_);
    handle_.reset(attachment->handle()->prepare(&st, transaction.handle(), 0, sql.c_str(), attachment->dialect(),
                                                IStatement::PREPARE_PREFETCH_METADATA));
    type_ = handle_->getType(&st);
    outputMetadata_.reset(handle_->getOutputMetadata(&st));
    IMessageMetadata *meta = outputMetadata_.get();
    const unsigned count = meta->getCount(&st);
    for (unsigned i = 0; i < count; ++i) {
        Column c;
        const char *alias = meta->getAlias(&st, i);
        c.name = (alias && *alias) ? alias : meta->getField(&st, i);
        c.sqlType = meta->getType(&st, i) & ~1u;
        c.scale = meta->getScale(&st, i);
        c.length = meta->getLength(&st, i);
        c.offset = meta->getOffset(&st, i);
        c.nullOffset = meta->getNullOffset(&st, i);
        columns_.push_back(std::move(c));
    }
    rowLength_ = meta->getMessageLength(&st);
}

Statement::~Statement()
{
    if (handle_)
        endQuietly(*client_, std::move(handle_), [](IStatement *s, StatusWrapper *st) { s->free(st); });
}

bool Statement::preparedOn(const Attachment &attachment) const
{
    return attachment_.lock().get() == &attachment;
}

void Statement::execute(Transaction &transaction, InputMessage *input, void *row)
{
    StatusWrapper st(*client_);
    handle_->execute(&st, transaction.handle(), input ? input->metadata() : nullptr, input ? input->data() : nullptr,
                     columns_.empty() ? nullptr : outputMetadata_.get(), columns_.empty() ? nullptr : row);
}

Cursor::Cursor(Statement &statement, Transaction &transaction, InputMessage *input)
    : client_(statement.client_), row_(statement.rowLength_, '\0')
{
    StatusWrapper st(*client_);
    handle_.reset(statement.handle_->openCursor(&st, transaction.handle(), input ? input->metadata() : nullptr,
                                                input ? input->data() : nullptr, statement.outputMetadata_.get(), 0));
}

Cursor::~Cursor()
{
    if (handle_)
        endQuietly(*client_, std::move(handle_), [](IResultSet *r, StatusWrapper *st) { r->close(st); });
}

bool Cursor::fetch()
{
    StatusWrapper st(*client_);
    return handle_->fetchNext(&st, row_.data()) == IStatus::RESULT_OK;
}

std::string readBlob(Transaction &transaction, ISC_QUAD id)
{
    StatusWrapper st(transaction.attachment().client());
    ReleasePtr<IBlob> blob(transaction.attachment().handle()->openBlob(&st, transaction.handle(), &id, 0, nullptr));
    std::string out;
    char chunk[32768];
    for (;;) {
        unsigned got = 0;
        if (blob->getSegment(&st, sizeof chunk, chunk, &got) == IStatus::RESULT_NO_DATA)
            break;
        out.append(chunk, got);
    }
    end(transaction.attachment().client(), std::move(blob), [](IBlob *b, StatusWrapper *s) { b->close(s); });
    return out;
}

} // namespace data::fb
