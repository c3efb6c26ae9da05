#pragma once
// The filter expression of a record set: fields compared for equality with a literal, joined by AND
// ("DEL_FLAG='True'", "DEL_FLAG='True' AND QTY=3"). A literal is quoted text ('' stands for a quote) or a
// number. Text compares byte for byte; against a numeric field the literal compares as a number.

#include "RecordSource.h"
#include "Value.h"

#include <string>
#include <vector>

namespace data {

class Filter {
public:
    /// Reads the expression; "Invalid filter expression: %s" for anything else than the form above.
    static Filter parse(const std::string &expression);

    /// Resolves the field names against the set's fields ("Field '%s' not found").
    void bind(const std::vector<TFieldDef> &fields);
    /// Whether the row passes; only after bind(). A null value matches no comparison.
    bool matches(const std::vector<TValue> &row) const;

private:
    struct Term {
        std::string field;
        TValue literal; // text when quoted, else the number
        int fieldIndex = -1;
        bool numeric = false;
    };
    std::vector<Term> terms_;
};

} // namespace data
