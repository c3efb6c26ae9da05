#include "Filter.h"

#include "CodePage.h"
#include "DbError.h"

#include <cctype>
#include <string_view>

namespace data {

namespace {

bool isNameByte(char c) { return std::isalnum(static_cast<unsigned char>(c)) || c == '_'; }

bool isNumberByte(char c)
{
    return std::isdigit(static_cast<unsigned char>(c)) || std::string_view("+-.eE").find(c) != std::string_view::npos;
}

/// Walks the expression; every way out but the form of the filter is "Invalid filter expression".
class Reader {
public:
    explicit Reader(const std::string &text) : s_(text) {}

    [[noreturn]] void fail() const { throw EDatabaseError(formatMessage("Invalid filter expression: %s", s_)); }

    bool atEnd()
    {
        skipBlanks();
        return pos_ == s_.size();
    }

    std::string name()
    {
        skipBlanks();
        const std::size_t start = pos_;
        while (pos_ < s_.size() && isNameByte(s_[pos_]))
            ++pos_;
        if (pos_ == start)
            fail();
        return s_.substr(start, pos_ - start);
    }

    void expect(char c)
    {
        skipBlanks();
        if (pos_ == s_.size() || s_[pos_] != c)
            fail();
        ++pos_;
    }

    void expectAnd()
    {
        if (!sameName(name(), "AND"))
            fail();
    }

    TValue literal()
    {
        skipBlanks();
        if (pos_ < s_.size() && s_[pos_] == '\'')
            return TValue(quoted());
        const std::size_t start = pos_;
        while (pos_ < s_.size() && isNumberByte(s_[pos_]))
            ++pos_;
        try {
            return TValue(TValue(s_.substr(start, pos_ - start)).asFloat());
        } catch (const EDatabaseError &) {
            fail();
        }
    }

private:
    void skipBlanks()
    {
        while (pos_ < s_.size() && std::isspace(static_cast<unsigned char>(s_[pos_])))
            ++pos_;
    }

    std::string quoted()
    {
        std::string text;
        for (++pos_; pos_ < s_.size(); ++pos_) {
            if (s_[pos_] != '\'') {
                text += s_[pos_];
                continue;
            }
            if (pos_ + 1 < s_.size() && s_[pos_ + 1] == '\'') {
                text += '\'';
                ++pos_;
                continue;
            }
            ++pos_;
            return text;
        }
        fail();
    }

    const std::string &s_;
    std::size_t pos_ = 0;
};

} // namespace

Filter Filter::parse(const std::string &expression)
{
    Filter filter;
    Reader r(expression);
    for (;;) {
        Term term;
        term.field = r.name();
        r.expect('=');
        term.literal = r.literal();
        filter.terms_.push_back(std::move(term));
        if (r.atEnd())
            return filter;
        r.expectAnd();
    }
}

void Filter::bind(const std::vector<TFieldDef> &fields)
{
    for (Term &term : terms_) {
        term.fieldIndex = -1;
        for (std::size_t i = 0; i < fields.size() && term.fieldIndex < 0; ++i)
            if (sameName(fields[i].name, term.field))
                term.fieldIndex = int(i);
        if (term.fieldIndex < 0)
            throw EDatabaseError(formatMessage("Field '%s' not found", term.field));
        term.numeric = fields[term.fieldIndex].type != TFieldType::ftString;
        if (term.numeric && term.literal.text())
            term.literal = TValue(term.literal.asFloat()); // a quoted number against a numeric field
    }
}

bool Filter::matches(const std::vector<TValue> &row) const
{
    for (const Term &term : terms_) {
        const TValue &value = row.at(term.fieldIndex);
        if (value.isNull())
            return false;
        const bool equal = term.numeric && !value.text() ? value.asFloat() == term.literal.asFloat()
                                                         : value.asString() == term.literal.asString();
        if (!equal)
            return false;
    }
    return true;
}

} // namespace data
