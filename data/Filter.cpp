#include "Filter.h"

#include "CodePage.h"
#include "DbError.h"

#include <cctype>
#include <cstring>
#include <strings.h>

namespace data {

struct Filter::Node {
    enum Kind { And, Or, Not, Compare } kind = Compare;
    std::shared_ptr<Node> left, right;
    // Compare
    std::string field;
    std::string op;
    TValue literal;
    int fieldIndex = -1;
    TFieldType fieldType = TFieldType::ftUnknown;
};

namespace {

class Parser {
public:
    explicit Parser(const std::string &text) : s_(text) {}

    std::shared_ptr<Filter::Node> parseAll()
    {
        auto node = parseOr();
        skipBlanks();
        if (pos_ != s_.size())
            fail();
        return node;
    }

private:
    [[noreturn]] void fail() const { throw EDatabaseError(formatMessage("Invalid filter expression: %s", s_)); }

    void skipBlanks()
    {
        while (pos_ < s_.size() && std::isspace(static_cast<unsigned char>(s_[pos_])))
            ++pos_;
    }

    bool keyword(const char *word)
    {
        skipBlanks();
        const std::size_t n = std::strlen(word);
        if (s_.size() - pos_ < n || strncasecmp(s_.c_str() + pos_, word, n) != 0)
            return false;
        if (pos_ + n < s_.size() && (std::isalnum(static_cast<unsigned char>(s_[pos_ + n])) || s_[pos_ + n] == '_'))
            return false;
        pos_ += n;
        return true;
    }

    std::shared_ptr<Filter::Node> joined(Filter::Node::Kind kind, std::shared_ptr<Filter::Node> l,
                                         std::shared_ptr<Filter::Node> r)
    {
        auto node = std::make_shared<Filter::Node>();
        node->kind = kind;
        node->left = std::move(l);
        node->right = std::move(r);
        return node;
    }

    std::shared_ptr<Filter::Node> parseOr()
    {
        auto node = parseAnd();
        while (keyword("OR"))
            node = joined(Filter::Node::Or, node, parseAnd());
        return node;
    }

    std::shared_ptr<Filter::Node> parseAnd()
    {
        auto node = parseUnary();
        while (keyword("AND"))
            node = joined(Filter::Node::And, node, parseUnary());
        return node;
    }

    std::shared_ptr<Filter::Node> parseUnary()
    {
        if (keyword("NOT"))
            return joined(Filter::Node::Not, parseUnary(), nullptr);
        skipBlanks();
        if (pos_ < s_.size() && s_[pos_] == '(') {
            ++pos_;
            auto node = parseOr();
            skipBlanks();
            if (pos_ >= s_.size() || s_[pos_] != ')')
                fail();
            ++pos_;
            return node;
        }
        return parseComparison();
    }

    std::shared_ptr<Filter::Node> parseComparison()
    {
        auto node = std::make_shared<Filter::Node>();
        skipBlanks();
        if (pos_ < s_.size() && s_[pos_] == '[') {
            const auto close = s_.find(']', pos_);
            if (close == std::string::npos)
                fail();
            node->field = s_.substr(pos_ + 1, close - pos_ - 1);
            pos_ = close + 1;
        } else {
            const std::size_t start = pos_;
            while (pos_ < s_.size() && (std::isalnum(static_cast<unsigned char>(s_[pos_])) || s_[pos_] == '_'))
                ++pos_;
            node->field = s_.substr(start, pos_ - start);
        }
        if (node->field.empty())
            fail();
        skipBlanks();
        for (const char *op : {"<>", "<=", ">=", "=", "<", ">"}) {
            if (s_.compare(pos_, std::strlen(op), op) == 0) {
                node->op = op;
                pos_ += std::strlen(op);
                break;
            }
        }
        if (node->op.empty())
            fail();
        node->literal = parseLiteral();
        return node;
    }

    TValue parseLiteral()
    {
        skipBlanks();
        if (pos_ < s_.size() && s_[pos_] == '\'') {
            std::string text;
            for (++pos_;; ++pos_) {
                if (pos_ >= s_.size())
                    fail();
                if (s_[pos_] == '\'') {
                    if (pos_ + 1 < s_.size() && s_[pos_ + 1] == '\'') {
                        text += '\'';
                        ++pos_;
                        continue;
                    }
                    ++pos_;
                    return TValue(text);
                }
                text += s_[pos_];
            }
        }
        const std::size_t start = pos_;
        while (pos_ < s_.size() && (std::isdigit(static_cast<unsigned char>(s_[pos_])) || std::strchr("+-.eE", s_[pos_])))
            ++pos_;
        const std::string number = s_.substr(start, pos_ - start);
        try {
            return TValue(TValue(number).asFloat());
        } catch (const EDatabaseError &) {
            fail();
        }
    }

    const std::string &s_;
    std::size_t pos_ = 0;
};

template <typename T>
bool compared(const std::string &op, const T &a, const T &b)
{
    if (op == "=") return a == b;
    if (op == "<>") return !(a == b);
    if (op == "<") return a < b;
    if (op == ">") return b < a;
    if (op == "<=") return !(b < a);
    return !(a < b);
}

bool evaluate(const Filter::Node &node, const std::vector<TValue> &row)
{
    switch (node.kind) {
    case Filter::Node::And: return evaluate(*node.left, row) && evaluate(*node.right, row);
    case Filter::Node::Or: return evaluate(*node.left, row) || evaluate(*node.right, row);
    case Filter::Node::Not: return !evaluate(*node.left, row);
    case Filter::Node::Compare: break;
    }
    const TValue &value = row.at(node.fieldIndex);
    if (value.isNull())
        return false;
    if (node.fieldType == TFieldType::ftString || value.text())
        return compared(node.op, value.asString(), node.literal.asString());
    return compared(node.op, value.asFloat(), node.literal.asFloat());
}

void bindNode(Filter::Node &node, const std::vector<TFieldDef> &fields)
{
    if (node.kind != Filter::Node::Compare) {
        bindNode(*node.left, fields);
        if (node.right)
            bindNode(*node.right, fields);
        return;
    }
    for (std::size_t i = 0; i < fields.size(); ++i) {
        if (sameName(fields[i].name, node.field)) {
            node.fieldIndex = int(i);
            node.fieldType = fields[i].type;
            if (node.fieldType != TFieldType::ftString && node.literal.text()) {
                // A quoted number against a numeric field compares as the number.
                node.literal = TValue(node.literal.asFloat());
            }
            return;
        }
    }
    throw EDatabaseError(formatMessage("Field '%s' not found", node.field));
}

} // namespace

Filter Filter::parse(const std::string &expression)
{
    Filter filter;
    filter.parsed_ = Parser(expression).parseAll();
    return filter;
}

void Filter::bind(const std::vector<TFieldDef> &fields)
{
    auto copy = [](auto &self, const std::shared_ptr<Node> &n) -> std::shared_ptr<Node> {
        if (!n)
            return nullptr;
        auto c = std::make_shared<Node>(*n);
        c->left = self(self, n->left);
        c->right = self(self, n->right);
        return c;
    };
    auto bound = copy(copy, parsed_);
    bindNode(*bound, fields);
    root_ = std::move(bound);
}

bool Filter::matches(const std::vector<TValue> &row) const { return evaluate(*root_, row); }

} // namespace data
