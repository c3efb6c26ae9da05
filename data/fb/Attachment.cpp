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

void Attachment::cancelOperation()
{
    StatusWrapper st(*client_);
    try {
        handle_->cancelOperation(&st, fb_cancel_raise);
    } catch (const EDatabaseError &e) {
        if (!e.has(isc_nothing_to_cancel))
            throw;
    }
}

} // namespace data::fb
