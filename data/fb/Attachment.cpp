#include "Attachment.h"

#include "Status.h"
#include "data/DbError.h"

#include <chrono>
#include <thread>

namespace data::fb {

using namespace Firebird;

Attachment::Attachment(std::shared_ptr<Client> client, const std::string &database, const AttachmentOptions &options)
    : client_(std::move(client)), dialect_(options.dialect)
{
    StatusWrapper st(*client_);
    DisposePtr<IXpbBuilder> dpb(client_->util()->getXpbBuilder(&st, IXpbBuilder::DPB, nullptr, 0));
    const auto addString = [&](unsigned char tag, const std::string &value) {
        if (!value.empty())
            dpb->insertString(&st, tag, value.c_str());
    };
    addString(isc_dpb_user_name, options.user);
    addString(isc_dpb_password, options.password);
    addString(isc_dpb_sql_role_name, options.role);
    addString(isc_dpb_lc_ctype, options.characterSet);
    dpb->insertInt(&st, isc_dpb_sql_dialect, int(options.dialect));
    if (options.connectTimeout)
        dpb->insertInt(&st, isc_dpb_connect_timeout, int(options.connectTimeout));
    for (int attempt = 1;; ++attempt) {
        try {
            handle_.reset(client_->provider()->attachDatabase(&st, database.c_str(), dpb->getBufferLength(&st),
                                                              dpb->getBuffer(&st)));
            return;
        } catch (const EDatabaseError &e) {
            if (attempt == 50 || !e.has(isc_already_opened))
                throw;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
}

Attachment::~Attachment()
{
    if (handle_)
        endQuietly(*client_, std::move(handle_), [](IAttachment *a, StatusWrapper *st) { a->detach(st); });
}

void Attachment::cancelOperation(Cancel how)
{
    StatusWrapper st(*client_);
    try {
        handle_->cancelOperation(&st, how == Cancel::Raise ? fb_cancel_raise : fb_cancel_abort);
    } catch (const EDatabaseError &e) {
        if (!e.has(isc_nothing_to_cancel))
            throw;
    }
}

void Attachment::ping()
{
    StatusWrapper st(*client_);
    handle_->ping(&st);
}

} // namespace data::fb
