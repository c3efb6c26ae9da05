#pragma once
// The whole contents of a record set, as a value: what a record set hands out and takes, and what the
// record-set files hold.

#include "RecordSource.h"
#include "Value.h"

#include <string>
#include <vector>

namespace data {

struct TIndexDef {
    std::string name;
    std::string fields;
    bool operator==(const TIndexDef &) const = default;
};

struct DataPacket {
    std::vector<TFieldDef> fields;
    std::vector<TIndexDef> indexes;
    std::vector<std::vector<TValue>> rows;
    bool operator==(const DataPacket &) const = default;
};

/// The two stored forms of a data packet: the program's checked binary form, and the XML form that a shop
/// can edit by hand.
enum class PacketFormat { Binary, Xml };

} // namespace data
