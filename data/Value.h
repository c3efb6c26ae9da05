#pragma once
// One untyped value as it travels between the database, the record sets and the screens.
//
// Text is kept as the bytes it came with (the terminal's code page 950 for business text); nothing here
// converts it. A null value has no type.

#include <cstdint>
#include <string>
#include <variant>

namespace data {

enum class TFieldType { ftUnknown, ftString, ftInteger, ftLargeint, ftFloat, ftBCD };

/// The name the record sets and their error messages use for a field type ("String", "Integer", ...).
const char *fieldTypeName(TFieldType type);

/// An exact decimal (NUMERIC/DECIMAL column): units of 10^-scale.
struct Decimal {
    std::int64_t units = 0;
    int scale = 0;
    bool operator==(const Decimal &) const = default;
    double toDouble() const;
};

class TValue {
public:
    TValue() = default;
    TValue(std::string text) : v_(std::move(text)) {}
    TValue(const char *text) : v_(std::string(text)) {}
    TValue(std::int32_t i) : v_(i) {}
    TValue(std::int64_t i) : v_(i) {}
    TValue(double d) : v_(d) {}
    TValue(Decimal d) : v_(d) {}

    static TValue null() { return {}; }

    bool isNull() const { return std::holds_alternative<std::monostate>(v_); }
    TFieldType type() const;

    /// Text form: text as it is, integers in decimal, floats in the shortest form that reads back the same,
    /// decimals without trailing zeros; null gives the empty text.
    std::string asString() const;
    /// 32-bit integer: text must be a whole decimal number ("'%s' is not a valid integer value");
    /// fractional numbers are truncated toward zero; out of range is an error; null gives 0.
    std::int32_t asInteger() const;
    std::int64_t asLargeInt() const;
    /// Floating point: text must be a number ("'%s' is not a valid floating point value"); null gives 0.
    double asFloat() const;

    /// This value stored into a field of the given type (text parsed, numbers truncated toward zero for
    /// the integer types); null stays null. Raises EDatabaseError when it does not convert.
    TValue convertedTo(TFieldType type) const;

    /// Equal type and value; two nulls are equal. Integers of both widths compare by value.
    bool operator==(const TValue &other) const;

    const std::string *text() const { return std::get_if<std::string>(&v_); }
    const Decimal *decimal() const { return std::get_if<Decimal>(&v_); }

private:
    std::variant<std::monostate, std::string, std::int32_t, std::int64_t, double, Decimal> v_;
};

/// Comparison with the rule of the line table: an empty value is smaller than any number and two empty
/// values are equal. Returns <0, 0 or >0.
int compareNullsFirst(const TValue &a, const TValue &b);

} // namespace data
