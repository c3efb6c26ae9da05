#include "RecordSetFile.h"

#include "CodePage.h"
#include "DbError.h"
#include "ReplaceFile.h"

#include <QDataStream>
#include <QFile>
#include <QXmlStreamReader>
#include <QXmlStreamWriter>

#include <zlib.h>

#include <algorithm>
#include <optional>
#include <string_view>

namespace data::RecordSetFile {

namespace {

constexpr char kMagic[8] = {'T', 'M', 'R', 'S', 'E', 'T', '\r', '\n'};
constexpr quint32 kVersion = 1;
constexpr qint64 kLengthOffset = sizeof kMagic + 4;   // after the magic and the version
constexpr qint64 kHeaderSize = kLengthOffset + 4;
constexpr qint64 kMinimumSize = kHeaderSize + 4;      // ... and the checksum

enum Tag : quint8 { tagNull, tagString, tagInt32, tagInt64, tagFloat, tagDecimal };

[[noreturn]] void fail(const std::string &path, const std::string &what)
{
    throw EDatabaseError(path + ": " + what);
}

// ---- binary form ---------------------------------------------------------------------------------------

/// Numbers little-endian and doubles in 8 bytes, whatever the machine and the Qt version.
void setUpStream(QDataStream &stream)
{
    stream.setVersion(QDataStream::Qt_6_0);
    stream.setByteOrder(QDataStream::LittleEndian);
    stream.setFloatingPointPrecision(QDataStream::DoublePrecision);
}

quint32 checksum(const char *data, qint64 size)
{
    return quint32(crc32_z(0, reinterpret_cast<const Bytef *>(data), z_size_t(size)));
}

void putText(QDataStream &out, const std::string &text) { out.writeBytes(text.data(), uint(text.size())); }

void putValue(QDataStream &out, const TValue &v)
{
    switch (v.type()) {
    case TFieldType::ftUnknown: out << quint8(tagNull); break;
    case TFieldType::ftString: out << quint8(tagString); putText(out, *v.text()); break;
    case TFieldType::ftInteger: out << quint8(tagInt32) << qint32(v.asInteger()); break;
    case TFieldType::ftLargeint: out << quint8(tagInt64) << qint64(v.asLargeInt()); break;
    case TFieldType::ftFloat: out << quint8(tagFloat) << v.asFloat(); break;
    case TFieldType::ftBCD:
        out << quint8(tagDecimal) << qint64(v.decimal()->units) << qint32(v.decimal()->scale);
        break;
    }
}

/// Reads a binary file after checking its version, its length and its checksum. Every read that runs past
/// the checked part or finds what the writer never writes raises "damaged".
class BinaryReader {
public:
    BinaryReader(const QByteArray &bytes, const std::string &path) : in_(bytes), path_(path)
    {
        setUpStream(in_);
        quint32 version = 0, length = 0;
        in_.skipRawData(sizeof kMagic);
        in_ >> version >> length;
        if (in_.status() != QDataStream::Ok)
            fail(path_, "the record-set file is truncated");
        if (version != kVersion)
            fail(path_, "record-set file version " + std::to_string(version) + " is not supported");
        if (bytes.size() < length || length < kMinimumSize)
            fail(path_, "the record-set file is truncated");
        end_ = qint64(length) - 4;
        quint32 stored = 0;
        in_.device()->seek(end_);
        in_ >> stored;
        if (bytes.size() != length || stored != checksum(bytes.constData(), end_))
            damaged("checksum mismatch");
        in_.device()->seek(kHeaderSize);
    }

    DataPacket packet()
    {
        DataPacket packet;
        const auto fieldCount = get<quint32>();
        for (quint32 i = 0; i < fieldCount; ++i) {
            TFieldDef def;
            def.name = text();
            const auto type = get<quint8>();
            if (type < quint8(TFieldType::ftString) || type > quint8(TFieldType::ftBCD))
                damaged("unknown field type");
            def.type = TFieldType(type);
            def.size = get<qint32>();
            def.required = get<quint8>() != 0;
            packet.fields.push_back(def);
        }
        const auto indexCount = get<quint32>();
        for (quint32 i = 0; i < indexCount; ++i) {
            TIndexDef def;
            def.name = text();
            def.fields = text();
            packet.indexes.push_back(def);
        }
        const auto rowCount = get<quint32>();
        for (quint32 i = 0; i < rowCount; ++i) {
            std::vector<TValue> row;
            row.reserve(fieldCount);
            for (quint32 f = 0; f < fieldCount; ++f) {
                TValue v = value();
                if (!v.isNull() && v.type() != packet.fields[f].type)
                    damaged("a value does not fit its field");
                row.push_back(std::move(v));
            }
            packet.rows.push_back(std::move(row));
        }
        if (in_.device()->pos() != end_)
            damaged("data after the last row");
        return packet;
    }

private:
    template <typename T> T get()
    {
        T v{};
        in_ >> v;
        checkInside();
        return v;
    }
    std::string text()
    {
        QByteArray bytes;
        in_ >> bytes;
        checkInside();
        return bytes.toStdString();
    }
    TValue value()
    {
        switch (get<quint8>()) {
        case tagNull: return {};
        case tagString: return TValue(text());
        case tagInt32: return TValue(get<qint32>());
        case tagInt64: return TValue(std::int64_t(get<qint64>()));
        case tagFloat: return TValue(get<double>());
        case tagDecimal: {
            const std::int64_t units = get<qint64>();
            return TValue(Decimal{units, get<qint32>()});
        }
        default: damaged("unknown value tag");
        }
    }
    void checkInside()
    {
        if (in_.status() != QDataStream::Ok || in_.device()->pos() > end_)
            damaged("a record runs past the end");
    }
    [[noreturn]] void damaged(const std::string &what) const
    {
        fail(path_, "the record-set file is damaged (" + what + ")");
    }

    QDataStream in_;
    qint64 end_ = 0;
    const std::string &path_;
};

// ---- XML form ------------------------------------------------------------------------------------------
//
// The file is code page 950 text whatever its prolog says (a byte-order mark is skipped, as the files of
// the shop may have one). It is decoded as a whole before the XML is read, and every name and value is
// encoded back. Bytes that would not come back as they were (bytes that are no character of the code
// page, a lead byte without its second byte, the second code of the few characters that the code page
// holds twice) are refused with the line or the row and field where they are, when reading and when
// writing: nothing is ever written or read in a changed form.

constexpr char kNotCodePage[] = "holds bytes that code page 950 does not read and write back unchanged";

const char *xmlTypeName(TFieldType type)
{
    switch (type) {
    case TFieldType::ftString: return "string";
    case TFieldType::ftInteger: return "i4";
    case TFieldType::ftLargeint: return "i8";
    case TFieldType::ftFloat: return "r8";
    case TFieldType::ftBCD: return "fixed";
    case TFieldType::ftUnknown: break;
    }
    return "";
}

/// The document without a byte-order mark.
std::string_view documentBytes(const QByteArray &bytes)
{
    std::string_view text(bytes.constData(), std::size_t(bytes.size()));
    if (text.starts_with("\xEF\xBB\xBF"))
        text.remove_prefix(3);
    return text;
}

/// The number of the first line (from 1) whose bytes do not survive decoding.
std::size_t firstChangedLine(std::string_view bytes)
{
    std::size_t line = 1;
    for (std::size_t start = 0; start < bytes.size(); ++line) {
        const std::size_t end = std::min(bytes.find('\n', start), bytes.size());
        if (!survivesDecoding(bytes.substr(start, end - start)))
            break;
        start = end + 1;
    }
    return line;
}

/// A name or a value as the XML writer takes it; `what` names it in the error.
QString xmlText(const std::string &bytes, const std::string &what)
{
    if (!survivesDecoding(bytes))
        throw EDatabaseError(what + " " + kNotCodePage);
    for (const char c : bytes)
        if (static_cast<unsigned char>(c) < 0x20 && c != '\t' && c != '\n' && c != '\r')
            throw EDatabaseError(what + " holds a control character that the XML form cannot carry");
    return decodeText(bytes);
}

/// The attributes of one element, names and values as code page 950 bytes, in the order of the file.
using Attributes = std::vector<std::pair<std::string, std::string>>;

const std::string *attribute(const Attributes &attributes, std::string_view key)
{
    for (const auto &[k, v] : attributes)
        if (k == key)
            return &v;
    return nullptr;
}

/// The parts of a DATAPACKET that a record set needs; other elements are skipped.
struct XmlPacket {
    bool hasFields = false;
    std::vector<Attributes> fields, indexes, rows;
};

class XmlReader {
public:
    XmlReader(std::string_view bytes, const std::string &path) : xml_(decodeText(bytes)), path_(path) {}

    bool startsDataPacket() { return xml_.readNextStartElement() && xml_.name() == u"DATAPACKET"; }

    /// The rest of the document, after startsDataPacket().
    XmlPacket packet()
    {
        XmlPacket packet;
        while (xml_.readNextStartElement()) {
            if (xml_.name() == u"METADATA") {
                while (xml_.readNextStartElement()) {
                    if (xml_.name() == u"FIELDS") {
                        packet.hasFields = true;
                        children(u"FIELD", packet.fields);
                    } else if (xml_.name() == u"INDEXDEFS") {
                        children(u"INDEX", packet.indexes);
                    } else {
                        xml_.skipCurrentElement();
                    }
                }
            } else if (xml_.name() == u"ROWDATA") {
                children(u"ROW", packet.rows);
            } else {
                xml_.skipCurrentElement();
            }
        }
        while (!xml_.atEnd())
            xml_.readNext();
        if (xml_.hasError())
            damaged(xml_.errorString().toStdString());
        return packet;
    }

private:
    [[noreturn]] void damaged(const std::string &what) const
    {
        fail(path_, "the record-set file is damaged (line " + std::to_string(xml_.lineNumber()) + ": " + what + ")");
    }

    void children(QStringView name, std::vector<Attributes> &out)
    {
        while (xml_.readNextStartElement()) {
            if (xml_.name() == name) {
                Attributes attributes;
                for (const QXmlStreamAttribute &a : xml_.attributes())
                    attributes.emplace_back(bytesOf(a.qualifiedName()), bytesOf(a.value()));
                out.push_back(std::move(attributes));
            }
            xml_.skipCurrentElement();
        }
    }

    /// A character reference may name a character that the code page lacks.
    std::string bytesOf(QStringView text) const
    {
        std::optional<std::string> bytes = encodeText(text);
        if (!bytes)
            damaged("a character that code page 950 cannot write");
        return *bytes;
    }

    QXmlStreamReader xml_;
    const std::string &path_;
};

TFieldType fieldTypeFromXml(const std::string &name)
{
    if (name == "string") return TFieldType::ftString;
    if (name == "i4" || name == "i2" || name == "i1" || name == "ui4" || name == "ui2" || name == "ui1")
        return TFieldType::ftInteger;
    if (name == "i8") return TFieldType::ftLargeint;
    if (name == "r8") return TFieldType::ftFloat;
    if (name == "fixed") return TFieldType::ftBCD;
    return TFieldType::ftUnknown;
}

/// The decimal value with exactly `scale` places (rounded half away from zero).
Decimal rescaled(Decimal d, int scale)
{
    while (d.scale < scale) {
        d.units *= 10;
        ++d.scale;
    }
    while (d.scale > scale) {
        const std::int64_t rest = d.units % 10;
        d.units = d.units / 10 + (rest >= 5 ? 1 : rest <= -5 ? -1 : 0);
        --d.scale;
    }
    return d;
}

DataPacket fromXml(std::string_view bytes, const std::string &path)
{
    XmlReader reader(bytes, path);
    if (!reader.startsDataPacket())
        fail(path, "not a record-set file");
    if (!survivesDecoding(bytes))
        fail(path, "line " + std::to_string(firstChangedLine(bytes)) + " " + kNotCodePage);
    const XmlPacket xml = reader.packet();
    if (!xml.hasFields)
        fail(path, "the record-set file is damaged (no field definitions)");
    DataPacket packet;
    for (const Attributes &field : xml.fields) {
        const std::string *name = attribute(field, "attrname");
        const std::string *type = attribute(field, "fieldtype");
        if (!name || name->empty() || !type)
            fail(path, "the record-set file is damaged (a field without name or type)");
        TFieldDef def{*name, fieldTypeFromXml(*type)};
        if (def.type == TFieldType::ftUnknown)
            fail(path, "field '" + *name + "' has the unsupported type '" + *type + "'");
        const std::string *sizeText = attribute(field, def.type == TFieldType::ftBCD ? "DECIMALS" : "WIDTH");
        if (sizeText && (def.type == TFieldType::ftString || def.type == TFieldType::ftBCD)) {
            bool ok = false;
            def.size = QByteArray::fromStdString(*sizeText).toInt(&ok);
            if (!ok || def.size < 0)
                fail(path, "field '" + *name + "' has the bad size '" + *sizeText + "'");
        }
        const std::string *required = attribute(field, "required");
        def.required = required && *required == "true";
        packet.fields.push_back(def);
    }
    for (const Attributes &index : xml.indexes)
        if (const std::string *name = attribute(index, "attrname")) {
            const std::string *fields = attribute(index, "fields");
            packet.indexes.push_back({*name, fields ? *fields : ""});
        }
    for (const Attributes &rowAttributes : xml.rows) {
        std::vector<TValue> row;
        for (const TFieldDef &def : packet.fields) {
            const std::string *text = attribute(rowAttributes, def.name);
            if (!text) {
                row.emplace_back();
                continue;
            }
            try {
                TValue v = TValue(*text).convertedTo(def.type);
                if (v.decimal())
                    v = TValue(rescaled(*v.decimal(), def.size));
                row.push_back(std::move(v));
            } catch (const EDatabaseError &e) {
                fail(path, "row " + std::to_string(packet.rows.size() + 1) + ", field '" + def.name + "': " + e.what());
            }
        }
        packet.rows.push_back(std::move(row));
    }
    return packet;
}

} // namespace

QByteArray toBinary(const DataPacket &packet)
{
    QByteArray bytes;
    QDataStream out(&bytes, QIODevice::WriteOnly);
    setUpStream(out);
    out.writeRawData(kMagic, sizeof kMagic);
    out << kVersion << quint32(0); // the length, filled in below
    out << quint32(packet.fields.size());
    for (const TFieldDef &def : packet.fields) {
        putText(out, def.name);
        out << quint8(def.type) << qint32(def.size) << quint8(def.required);
    }
    out << quint32(packet.indexes.size());
    for (const TIndexDef &def : packet.indexes) {
        putText(out, def.name);
        putText(out, def.fields);
    }
    out << quint32(packet.rows.size());
    for (const auto &row : packet.rows)
        for (const TValue &v : row)
            putValue(out, v);
    out.device()->seek(kLengthOffset);
    out << quint32(bytes.size() + 4);
    out.device()->seek(bytes.size());
    out << checksum(bytes.constData(), bytes.size());
    return bytes;
}

QByteArray toXml(const DataPacket &packet)
{
    QString text = QStringLiteral("<?xml version=\"1.0\" encoding=\"%1\" standalone=\"yes\"?>")
                       .arg(QLatin1String(codePageName));
    QXmlStreamWriter xml(&text);
    xml.setAutoFormatting(true); // one element a line, as a shop's editor shows it best
    xml.setAutoFormattingIndent(0);
    xml.writeStartElement(QStringLiteral("DATAPACKET"));
    xml.writeAttribute(QStringLiteral("Version"), QStringLiteral("2.0"));
    xml.writeStartElement(QStringLiteral("METADATA"));
    xml.writeStartElement(QStringLiteral("FIELDS"));
    for (const TFieldDef &def : packet.fields) {
        xml.writeEmptyElement(QStringLiteral("FIELD"));
        xml.writeAttribute(QStringLiteral("attrname"), xmlText(def.name, "the name of field '" + def.name + "'"));
        xml.writeAttribute(QStringLiteral("fieldtype"), QLatin1String(xmlTypeName(def.type)));
        if (def.type == TFieldType::ftString)
            xml.writeAttribute(QStringLiteral("WIDTH"), QString::number(def.size));
        if (def.type == TFieldType::ftBCD) {
            xml.writeAttribute(QStringLiteral("DECIMALS"), QString::number(def.size));
            xml.writeAttribute(QStringLiteral("WIDTH"), QStringLiteral("18"));
        }
        if (def.required)
            xml.writeAttribute(QStringLiteral("required"), QStringLiteral("true"));
    }
    xml.writeEndElement();
    if (!packet.indexes.empty()) {
        xml.writeStartElement(QStringLiteral("INDEXDEFS"));
        for (const TIndexDef &def : packet.indexes) {
            xml.writeEmptyElement(QStringLiteral("INDEX"));
            xml.writeAttribute(QStringLiteral("attrname"), xmlText(def.name, "index '" + def.name + "'"));
            xml.writeAttribute(QStringLiteral("fields"), xmlText(def.fields, "index '" + def.name + "'"));
        }
        xml.writeEndElement();
    }
    xml.writeEndElement();
    xml.writeStartElement(QStringLiteral("ROWDATA"));
    for (std::size_t r = 0; r < packet.rows.size(); ++r) {
        xml.writeEmptyElement(QStringLiteral("ROW"));
        for (std::size_t i = 0; i < packet.rows[r].size() && i < packet.fields.size(); ++i) {
            const TValue &value = packet.rows[r][i];
            if (value.isNull())
                continue;
            const std::string &name = packet.fields[i].name;
            const std::string where = "row " + std::to_string(r + 1) + ", field '" + name + "'";
            xml.writeAttribute(decodeText(name), xmlText(value.asString(), where));
        }
    }
    xml.writeEndDocument();
    // Every name and value came from code page 950 bytes that survive the way back.
    return QByteArray::fromStdString(encodeText(text).value());
}

DataPacket fromBytes(const QByteArray &bytes, const std::string &path)
{
    if (bytes.startsWith(QByteArray(kMagic, sizeof kMagic)))
        return BinaryReader(bytes, path).packet();
    return fromXml(documentBytes(bytes), path);
}

void save(const std::string &path, const DataPacket &packet, PacketFormat format)
{
    QByteArray bytes;
    try {
        bytes = format == PacketFormat::Xml ? toXml(packet) : toBinary(packet);
    } catch (const EDatabaseError &e) {
        fail(path, e.what());
    }
    replaceFile(path, bytes);
}

DataPacket load(const std::string &path)
{
    QFile file(QString::fromStdString(path));
    if (!file.open(QIODevice::ReadOnly))
        throw EDatabaseError("Cannot open file \"" + path + "\". " + file.errorString().toStdString());
    return fromBytes(file.readAll(), path);
}

} // namespace data::RecordSetFile
