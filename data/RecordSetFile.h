#pragma once
// The two stored forms of a record set's contents.
//
// Binary: "TMRSET\r\n", a version, the declared length, field and index definitions, the rows with typed
// values, and a CRC-32 over everything before it. XML: a DATAPACKET that a shop can edit by hand; text
// values are the code-page-950 bytes as they are, the prolog says encoding="windows-950".
//
// Every failure raises EDatabaseError with a message that starts with the file's path.

#include "DataPacket.h"

#include <QByteArray>

#include <string>

namespace data::RecordSetFile {

QByteArray toBinary(const DataPacket &packet);
QByteArray toXml(const DataPacket &packet);
/// Recognises the form from the content; `path` names the file in error messages.
DataPacket fromBytes(const QByteArray &bytes, const std::string &path);

/// Replaces the file atomically: on failure the previous file stays as it was.
void save(const std::string &path, const DataPacket &packet, PacketFormat format);
DataPacket load(const std::string &path);

} // namespace data::RecordSetFile
