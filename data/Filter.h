#pragma once
// The filter expression of a record set: comparisons of a field with a literal ("DEL_FLAG='True'",
// "QTY>=5"), joined by AND and OR, with NOT and parentheses. Text compares byte for byte.

#include "RecordSource.h"
#include "Value.h"

#include <memory>
#include <string>
#include <vector>

namespace data {

class Filter {
public:
    /// Reads the expression; "Invalid filter expression: %s" when it cannot be read.
    static Filter parse(const std::string &expression);

    /// Resolves the field names against the set's fields ("Field '%s' not found").
    void bind(const std::vector<TFieldDef> &fields);
    /// Whether the row passes; only after bind(). A null value matches no comparison.
    bool matches(const std::vector<TValue> &row) const;

    struct Node;

private:
    std::shared_ptr<Node> parsed_; // as read, names unresolved
    std::shared_ptr<Node> root_;   // bound to the fields of the last bind()
};

} // namespace data
