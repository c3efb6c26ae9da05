#pragma once
// Named parameters of a statement text. The names come from the ":NAME" markers of the text (outside quoted
// literals and comments) and are derived anew at every change of the text, each without a value.

#include "Value.h"

#include <string>
#include <vector>

namespace data {

/// A parameter takes the type of the value given to it. A null value has no type, unless a type is given
/// with clear(type); executing with a parameter that has no type fails with "No value for parameter '%s'".
class TParam {
public:
    explicit TParam(std::string name) : name_(std::move(name)) {}
    const std::string &name() const { return name_; }
    TFieldType dataType() const { return type_; }
    const TValue &value() const { return value_; }

    void setValue(const TValue &v) { value_ = v; type_ = v.type(); }
    void setAsString(const std::string &s) { setValue(TValue(s)); }
    void setAsInteger(std::int32_t i) { setValue(TValue(i)); }
    /// A typed null: binds as a null of that type.
    void clear(TFieldType type) { value_ = {}; type_ = type; }

private:
    std::string name_;
    TFieldType type_ = TFieldType::ftUnknown;
    TValue value_;
};

class TParams {
public:
    int count() const { return int(items_.size()); }
    TParam &operator[](int i) { return items_[size_t(i)]; }
    const TParam &operator[](int i) const { return items_[size_t(i)]; }
    /// Names matched without regard to case; "Parameter '%s' not found".
    TParam &paramByName(const std::string &name);
    TParam *findParam(const std::string &name);
    void assignNames(const std::vector<std::string> &names);

private:
    std::vector<TParam> items_;
};

/// A statement text with its ":NAME" markers replaced by "?" for the server, and the names in the order of
/// the markers (a name used twice appears twice).
struct ParsedSql {
    std::string serverText;
    std::vector<std::string> markers;
};
ParsedSql parseParameters(const std::string &text);

} // namespace data
