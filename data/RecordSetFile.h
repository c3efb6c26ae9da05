#pragma once
// The two stored forms of a record set's contents.
//
// Binary: "TMRSET\r\n", a version, the declared length, field and index definitions, the rows with typed
// values, and a CRC-32 over everything before it, all little-endian. XML: a DATAPACKET that a shop can edit
// by hand, in code page 950; a text that would not come back byte for byte is refused, never changed.
//
// Every failure of save() and load() raises EDatabaseError with a message that starts with the file's path.

#include "DataPacket.h"

#include <QByteArray>

#include <string>

namespace data::RecordSetFile {

QByteArray toBinary(const DataPacket &packet);
/// Raises EDatabaseError naming the row and field of a text that the XML form cannot carry.
QByteArray toXml(const DataPacket &packet);
/// Recognises the form from the content; `path` names the file in error messages.
DataPacket fromBytes(const QByteArray &bytes, const std::string &path);

/// Replaces the file atomically: on failure the previous file stays as it was.
void save(const std::string &path, const DataPacket &packet, PacketFormat format);
DataPacket load(const std::string &path);

} // namespace data::RecordSetFile
