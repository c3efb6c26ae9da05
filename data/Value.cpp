#include "Value.h"

#include "DbError.h"

#include <charconv>
#include <cmath>
#include <limits>

namespace data {

namespace {

std::string trimmed(const std::string &s)
{
    const auto begin = s.find_first_not_of(" \t\r\n");
    if (begin == std::string::npos)
        return {};
    const auto end = s.find_last_not_of(" \t\r\n");
    return s.substr(begin, end - begin + 1);
}

std::string quoted(const char *pattern, const std::string &text) { return formatMessage(pattern, text); }

/// A whole decimal number with an optional sign, nothing else.
bool parseWhole(const std::string &text, std::int64_t &out, bool &overflow)
{
    std::string s = trimmed(text);
    overflow = false;
    if (!s.empty() && s[0] == '+')
        s.erase(0, 1);
    if (s.empty())
        return false;
    const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), out);
    if (end != s.data() + s.size())
        return false;
    if (ec == std::errc::result_out_of_range) {
        overflow = true;
        return true;
    }
    return ec == std::errc();
}

bool parseFloat(const std::string &text, double &out)
{
    std::string s = trimmed(text);
    if (!s.empty() && s[0] == '+')
        s.erase(0, 1);
    if (s.empty())
        return false;
    const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), out);
    return ec == std::errc() && end == s.data() + s.size() && std::isfinite(out);
}

std::int64_t pow10(int n)
{
    std::int64_t p = 1;
    while (n-- > 0)
        p *= 10;
    return p;
}

/// Plain decimal text ("-12.50", "3") as units and scale; no exponent.
bool parseDecimal(const std::string &text, Decimal &out)
{
    std::string s = trimmed(text);
    bool negative = false;
    if (!s.empty() && (s[0] == '+' || s[0] == '-')) {
        negative = s[0] == '-';
        s.erase(0, 1);
    }
    const auto dot = s.find('.');
    std::string digits = s;
    int scale = 0;
    if (dot != std::string::npos) {
        digits = s.substr(0, dot) + s.substr(dot + 1);
        scale = int(s.size() - dot - 1);
    }
    if (digits.empty() || digits.size() > 18 || digits.find_first_not_of("0123456789") != std::string::npos)
        return false;
    out = Decimal{std::stoll(digits) * (negative ? -1 : 1), scale};
    return true;
}

std::int32_t checkedInt32(double d, const std::string &shown)
{
    if (!std::isfinite(d))
        throw EDatabaseError(quoted("'%s' is not a valid integer value", shown));
    const double t = std::trunc(d);
    if (t < std::numeric_limits<std::int32_t>::min() || t > std::numeric_limits<std::int32_t>::max())
        throw EDatabaseError(quoted("'%s' is out of the range of an integer value", shown));
    return std::int32_t(t);
}

std::int64_t checkedInt64(double d, const std::string &shown)
{
    if (!std::isfinite(d))
        throw EDatabaseError(quoted("'%s' is not a valid integer value", shown));
    const double t = std::trunc(d);
    if (t < -9223372036854775808.0 || t >= 9223372036854775808.0)
        throw EDatabaseError(quoted("'%s' is out of the range of an integer value", shown));
    return std::int64_t(t);
}

bool isEmptyValue(const TValue &v) { return v.isNull() || (v.text() && trimmed(*v.text()).empty()); }

} // namespace

const char *fieldTypeName(TFieldType type)
{
    switch (type) {
    case TFieldType::ftString: return "String";
    case TFieldType::ftInteger: return "Integer";
    case TFieldType::ftLargeint: return "Largeint";
    case TFieldType::ftFloat: return "Float";
    case TFieldType::ftBCD: return "BCD";
    case TFieldType::ftUnknown: break;
    }
    return "Unknown";
}

double Decimal::toDouble() const { return double(units) / double(pow10(scale)); }

TFieldType TValue::type() const
{
    switch (v_.index()) {
    case 1: return TFieldType::ftString;
    case 2: return TFieldType::ftInteger;
    case 3: return TFieldType::ftLargeint;
    case 4: return TFieldType::ftFloat;
    case 5: return TFieldType::ftBCD;
    default: return TFieldType::ftUnknown;
    }
}

std::string TValue::asString() const
{
    if (auto s = std::get_if<std::string>(&v_))
        return *s;
    if (auto i = std::get_if<std::int32_t>(&v_))
        return std::to_string(*i);
    if (auto i = std::get_if<std::int64_t>(&v_))
        return std::to_string(*i);
    if (auto d = std::get_if<double>(&v_)) {
        char buf[32];
        const auto [end, ec] = std::to_chars(buf, buf + sizeof buf, *d);
        return ec == std::errc() ? std::string(buf, end) : std::string();
    }
    if (auto dec = std::get_if<Decimal>(&v_)) {
        const bool negative = dec->units < 0;
        std::string digits = std::to_string(negative ? -dec->units : dec->units);
        if (dec->scale > 0) {
            if (int(digits.size()) <= dec->scale)
                digits.insert(0, std::string(dec->scale - digits.size() + 1, '0'));
            digits.insert(digits.size() - dec->scale, ".");
            digits.erase(digits.find_last_not_of('0') + 1);
            if (digits.back() == '.')
                digits.pop_back();
        }
        return (negative && digits != "0" ? "-" : "") + digits;
    }
    return {};
}

std::int32_t TValue::asInteger() const
{
    if (isNull())
        return 0;
    if (auto i = std::get_if<std::int32_t>(&v_))
        return *i;
    if (text() || std::holds_alternative<std::int64_t>(v_)) {
        const std::int64_t n = asLargeInt(); // refuses text that is no whole number
        if (n < std::numeric_limits<std::int32_t>::min() || n > std::numeric_limits<std::int32_t>::max())
            throw EDatabaseError(
                quoted("'%s' is out of the range of an integer value", text() ? trimmed(*text()) : asString()));
        return std::int32_t(n);
    }
    if (auto dec = std::get_if<Decimal>(&v_))
        return checkedInt32(double(dec->units / pow10(dec->scale)), asString());
    return checkedInt32(std::get<double>(v_), asString());
}

std::int64_t TValue::asLargeInt() const
{
    if (isNull())
        return 0;
    if (auto i = std::get_if<std::int32_t>(&v_))
        return *i;
    if (auto i = std::get_if<std::int64_t>(&v_))
        return *i;
    if (auto s = std::get_if<std::string>(&v_)) {
        std::int64_t n = 0;
        bool overflow = false;
        if (!parseWhole(*s, n, overflow))
            throw EDatabaseError(quoted("'%s' is not a valid integer value", *s));
        if (overflow)
            throw EDatabaseError(quoted("'%s' is out of the range of an integer value", trimmed(*s)));
        return n;
    }
    if (auto dec = std::get_if<Decimal>(&v_))
        return dec->units / pow10(dec->scale);
    return checkedInt64(std::get<double>(v_), asString());
}

double TValue::asFloat() const
{
    if (isNull())
        return 0;
    if (auto s = std::get_if<std::string>(&v_)) {
        double d = 0;
        if (!parseFloat(*s, d))
            throw EDatabaseError(quoted("'%s' is not a valid floating point value", *s));
        return d;
    }
    if (auto i = std::get_if<std::int32_t>(&v_))
        return *i;
    if (auto i = std::get_if<std::int64_t>(&v_))
        return double(*i);
    if (auto dec = std::get_if<Decimal>(&v_))
        return dec->toDouble();
    return std::get<double>(v_);
}

TValue TValue::convertedTo(TFieldType type) const
{
    if (isNull() || type == TFieldType::ftUnknown)
        return *this;
    if (type == TFieldType::ftString)
        return TValue(asString());
    if (text() && trimmed(*text()).empty())
        return {};
    switch (type) {
    case TFieldType::ftInteger: return TValue(asInteger());
    case TFieldType::ftLargeint: return TValue(asLargeInt());
    case TFieldType::ftFloat: return TValue(asFloat());
    case TFieldType::ftBCD: {
        if (decimal())
            return *this;
        if (auto i = std::get_if<std::int32_t>(&v_))
            return TValue(Decimal{*i, 0});
        if (auto i = std::get_if<std::int64_t>(&v_))
            return TValue(Decimal{*i, 0});
        Decimal dec;
        if (text()) {
            if (parseDecimal(*text(), dec))
                return TValue(dec);
            double d = 0;
            if (!parseFloat(*text(), d))
                throw EDatabaseError(quoted("'%s' is not a valid BCD value", *text()));
            if (parseDecimal(TValue(d).asString(), dec))
                return TValue(dec);
            throw EDatabaseError(quoted("'%s' is not a valid BCD value", *text()));
        }
        if (parseDecimal(asString(), dec))
            return TValue(dec);
        throw EDatabaseError(quoted("'%s' is not a valid BCD value", asString()));
    }
    default: return *this;
    }
}

bool TValue::operator==(const TValue &other) const
{
    const bool thisInt = type() == TFieldType::ftInteger || type() == TFieldType::ftLargeint;
    const bool otherInt = other.type() == TFieldType::ftInteger || other.type() == TFieldType::ftLargeint;
    if (thisInt && otherInt)
        return asLargeInt() == other.asLargeInt();
    if (type() != other.type())
        return false;
    if (auto a = std::get_if<Decimal>(&v_)) {
        const Decimal &b = std::get<Decimal>(other.v_);
        const int scale = std::max(a->scale, b.scale);
        return a->units * pow10(scale - a->scale) == b.units * pow10(scale - b.scale);
    }
    return v_ == other.v_;
}

int compareNullsFirst(const TValue &a, const TValue &b)
{
    const bool emptyA = isEmptyValue(a), emptyB = isEmptyValue(b);
    if (emptyA || emptyB)
        return int(emptyB) - int(emptyA);
    double x = 0, y = 0;
    const bool numA = a.text() ? parseFloat(*a.text(), x) : (x = a.asFloat(), true);
    const bool numB = b.text() ? parseFloat(*b.text(), y) : (y = b.asFloat(), true);
    if (numA && numB)
        return x < y ? -1 : (x > y ? 1 : 0);
    return a.asString().compare(b.asString()) < 0 ? -1 : (a.asString() == b.asString() ? 0 : 1);
}

} // namespace data
