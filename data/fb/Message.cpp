#include "Message.h"

#include "Client.h"
#include "Status.h"

#include <algorithm>
#include <cstring>

namespace data::fb {

using namespace Firebird;

InputMessage::InputMessage(const Client &client, std::vector<ParameterType> layout) : layout_(std::move(layout))
{
    StatusWrapper st(client);
    ReleasePtr<IMetadataBuilder> builder(client.master()->getMetadataBuilder(&st, unsigned(layout_.size())));
    for (unsigned i = 0; i < layout_.size(); ++i) {
        const auto [type, size] = layout_[i];
        builder->setType(&st, i, type + 1);
        if (type == SQL_VARYING) {
            builder->setLength(&st, i, unsigned(size));
            builder->setCharSet(&st, i, 0);
        } else {
            builder->setLength(&st, i, type == SQL_LONG     ? sizeof(ISC_LONG)
                                       : type == SQL_DOUBLE ? sizeof(double)
                                                            : sizeof(ISC_INT64));
            builder->setScale(&st, i, size);
        }
    }
    metadata_.reset(builder->getMetadata(&st));
    for (unsigned i = 0; i < layout_.size(); ++i)
        offsets_.emplace_back(metadata_->getOffset(&st, i), metadata_->getNullOffset(&st, i));
    buffer_.resize(metadata_->getMessageLength(&st));
    clear();
}

void InputMessage::clear()
{
    std::fill(buffer_.begin(), buffer_.end(), '\0');
    for (unsigned i = 0; i < offsets_.size(); ++i)
        setNull(i);
}

void InputMessage::setNull(unsigned index)
{
    const short null = -1;
    std::memcpy(buffer_.data() + offsets_[index].second, &null, sizeof null);
}

unsigned char *InputMessage::valueAt(unsigned index)
{
    const short notNull = 0;
    std::memcpy(buffer_.data() + offsets_[index].second, &notNull, sizeof notNull);
    return reinterpret_cast<unsigned char *>(buffer_.data()) + offsets_[index].first;
}

void InputMessage::setText(unsigned index, const std::string &bytes)
{
    const auto length = static_cast<unsigned short>(std::min<size_t>(bytes.size(), unsigned(layout_[index].size)));
    unsigned char *p = valueAt(index);
    std::memcpy(p, &length, sizeof length);
    std::memcpy(p + sizeof length, bytes.data(), length);
}

void InputMessage::setInt32(unsigned index, std::int32_t value)
{
    const ISC_LONG v = value;
    std::memcpy(valueAt(index), &v, sizeof v);
}

void InputMessage::setInt64(unsigned index, std::int64_t value)
{
    const ISC_INT64 v = value;
    std::memcpy(valueAt(index), &v, sizeof v);
}

void InputMessage::setDouble(unsigned index, double value)
{
    std::memcpy(valueAt(index), &value, sizeof value);
}

} // namespace data::fb
