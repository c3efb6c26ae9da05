#pragma once
// What a record set needs from whoever feeds it rows: the provider over a SQL statement, or a test.

#include "Value.h"

#include <memory>
#include <string>
#include <vector>

namespace data {

/// Definition of one field of a record set. `size` is in bytes of text for ftString, 0 otherwise.
struct TFieldDef {
    std::string name;
    TFieldType type = TFieldType::ftUnknown;
    int size = 0;
    bool required = false;
    bool operator==(const TFieldDef &) const = default;
};

/// An open result: its columns, then its rows one at a time. A source frees its statement as soon as it
/// has handed out its last row (fetch returned false) or when it is destroyed, whichever comes first.
class IRecordSource {
public:
    virtual ~IRecordSource() = default;
    virtual const std::vector<TFieldDef> &fieldDefs() const = 0;
    /// Fills `row` (one value per field) and returns true, or returns false at the end. Errors raise
    /// EDatabaseError.
    virtual bool fetch(std::vector<TValue> &row) = 0;
};

/// Runs a statement text and hands back its result; the record set's provider.
class IRecordProvider {
public:
    virtual ~IRecordProvider() = default;
    virtual std::unique_ptr<IRecordSource> open(const std::string &commandText) = 0;
};

} // namespace data
