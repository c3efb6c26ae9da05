#pragma once
// The messages of a statement: the input message that carries its parameters and the layout of the row it
// returns.

#include "SmartPtrs.h"

#include <firebird/Interface.h>

#include <cstdint>
#include <string>
#include <vector>

namespace data::fb {

class Client;

/// One column of a statement's result row, where it lies in the row's buffer.
struct Column {
    std::string name; ///< the alias, or the field's name where it has none
    unsigned sqlType = 0; ///< SQL_TEXT, SQL_LONG, ... without the nullable bit
    int scale = 0;
    unsigned length = 0;
    unsigned offset = 0;
    unsigned nullOffset = 0;
};

/// The type of one parameter of an input message: SQL_VARYING with its length in bytes, or SQL_LONG,
/// SQL_INT64 or SQL_DOUBLE with its scale.
struct ParameterType {
    unsigned sqlType = 0;
    int size = 0;
    bool operator==(const ParameterType &) const = default;
};

/// The parameters of one execution, in the order of the statement's markers. Every parameter starts null.
class InputMessage {
public:
    /// `client` must outlive the message.
    InputMessage(const Client &client, std::vector<ParameterType> layout);

    const std::vector<ParameterType> &layout() const { return layout_; }
    Firebird::IMessageMetadata *metadata() const { return metadata_.get(); }
    void *data() { return buffer_.data(); }

    /// Makes every parameter null again.
    void clear();
    void setNull(unsigned index);
    /// Text longer than the parameter's length is cut (the layout is chosen to hold it).
    void setText(unsigned index, const std::string &bytes);
    void setInt32(unsigned index, std::int32_t value);
    /// The value in units of the parameter's scale.
    void setInt64(unsigned index, std::int64_t value);
    void setDouble(unsigned index, double value);

private:
    unsigned char *valueAt(unsigned index);

    std::vector<ParameterType> layout_;
    ReleasePtr<Firebird::IMessageMetadata> metadata_;
    std::vector<std::pair<unsigned, unsigned>> offsets_; ///< value and null flag of each parameter
    std::string buffer_;
};

} // namespace data::fb
