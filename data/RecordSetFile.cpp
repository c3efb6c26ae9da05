#include "RecordSetFile.h"

#include "DbError.h"

#include <QDataStream>
#include <QFile>
#include <QSaveFile>
#include <QStringEncoder>

#include <zlib.h>

#include <cstring>

namespace data::RecordSetFile {

namespace {

constexpr char kMagic[8] = {'T', 'M', 'R', 'S', 'E', 'T', '\r', '\n'};
constexpr quint32 kVersion = 1;
constexpr qint64 kLengthOffset = sizeof kMagic + 4;
constexpr qint64 kMinimumSize = kLengthOffset + 4 + 4; // magic, version, length, checksum

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
    case TFieldType::ftBCD: out << quint8(tagDecimal) << qint64(v.decimal()->units) << qint32(v.decimal()->scale); break;
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
        in_.device()->seek(kLengthOffset + 4);
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

void appendEscaped(QByteArray &out, const std::string &bytes)
{
    for (const char c : bytes) {
        switch (c) {
        case '&': out += "&amp;"; break;
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        case '"': out += "&quot;"; break;
        default:
            if (static_cast<unsigned char>(c) < 0x20)
                out += "&#" + QByteArray::number(static_cast<unsigned char>(c)) + ';';
            else
                out += c;
        }
    }
}

void appendAttribute(QByteArray &out, const std::string &name, const std::string &value)
{
    out += ' ';
    appendEscaped(out, name);
    out += "=\"";
    appendEscaped(out, value);
    out += '"';
}

struct Element {
    std::string name;
    std::vector<std::pair<std::string, std::string>> attributes;
    std::vector<Element> children;

    const std::string *attribute(const std::string &key) const
    {
        for (const auto &[k, v] : attributes)
            if (k == key)
                return &v;
        return nullptr;
    }
    const Element *child(const std::string &childName) const
    {
        for (const auto &c : children)
            if (c.name == childName)
                return &c;
        return nullptr;
    }
};

/// A byte-level reader of the little XML a DATAPACKET needs: elements, attributes, entity references;
/// text between elements, comments, the prolog and declarations are skipped.
class XmlReader {
public:
    XmlReader(const QByteArray &bytes, const std::string &path) : s_(bytes), path_(path) {}

    Element document()
    {
        skipMisc();
        if (!at("<") || at("</"))
            damaged();
        Element root = element();
        skipMisc();
        if (pos_ != s_.size())
            damaged();
        return root;
    }

    /// The name of the first element, without reading further.
    std::string rootName()
    {
        skipMisc();
        if (!at("<"))
            return {};
        ++pos_;
        return name();
    }

private:
    [[noreturn]] void damaged() const
    {
        fail(path_, "the record-set file is damaged (bad XML at byte " + std::to_string(pos_) + ")");
    }
    bool at(const char *text) const { return s_.sliced(pos_).startsWith(text); }
    void skipBlanks()
    {
        while (pos_ < s_.size() && std::strchr(" \t\r\n", s_[pos_]) && s_[pos_])
            ++pos_;
    }
    void skipPast(const char *end)
    {
        const auto at = s_.indexOf(end, pos_);
        if (at < 0)
            damaged();
        pos_ = at + qsizetype(std::strlen(end));
    }
    void skipMisc()
    {
        if (pos_ == 0 && s_.startsWith("\xEF\xBB\xBF"))
            pos_ = 3;
        for (;;) {
            skipBlanks();
            if (at("<?"))
                skipPast("?>");
            else if (at("<!--"))
                skipPast("-->");
            else if (at("<!"))
                skipPast(">");
            else
                return;
        }
    }
    std::string name()
    {
        const auto start = pos_;
        while (pos_ < s_.size() && !std::strchr(" \t\r\n/>=\"'<", s_[pos_]))
            ++pos_;
        if (pos_ == start)
            damaged();
        return std::string(s_.constData() + start, pos_ - start);
    }
    std::string attributeValue()
    {
        if (pos_ >= s_.size() || (s_[pos_] != '"' && s_[pos_] != '\''))
            damaged();
        const char quote = s_[pos_++];
        std::string value;
        for (;;) {
            if (pos_ >= s_.size() || s_[pos_] == '<')
                damaged();
            const char c = s_[pos_];
            if (c == quote) {
                ++pos_;
                return value;
            }
            if (c == '&')
                value += entity();
            else {
                value += c;
                ++pos_;
            }
        }
    }
    std::string entity()
    {
        const auto semicolon = s_.indexOf(';', pos_);
        if (semicolon < 0 || semicolon - pos_ > 12)
            damaged();
        const QByteArray ref = s_.mid(pos_ + 1, semicolon - pos_ - 1);
        const auto start = pos_;
        pos_ = semicolon + 1;
        if (ref == "amp") return "&";
        if (ref == "lt") return "<";
        if (ref == "gt") return ">";
        if (ref == "quot") return "\"";
        if (ref == "apos") return "'";
        bool ok = false;
        const uint code = ref.startsWith("#x") || ref.startsWith("#X") ? ref.mid(2).toUInt(&ok, 16)
                          : ref.startsWith('#')                        ? ref.mid(1).toUInt(&ok, 10)
                                                                       : 0;
        if (!ok || code == 0 || code > 0x10FFFF) {
            pos_ = start;
            damaged();
        }
        if (code < 0x80)
            return std::string(1, char(code));
        // A character reference names a Unicode character; the value keeps its code-page bytes.
        const char32_t ch = code;
        QStringEncoder encoder("windows-950");
        const QByteArray bytes = encoder(QString::fromUcs4(&ch, 1));
        if (encoder.hasError() || bytes.contains('?')) {
            pos_ = start;
            damaged();
        }
        return bytes.toStdString();
    }
    Element element()
    {
        ++pos_; // '<'
        Element e;
        e.name = name();
        for (;;) {
            skipBlanks();
            if (at("/>")) {
                pos_ += 2;
                return e;
            }
            if (at(">")) {
                ++pos_;
                break;
            }
            std::string key = name();
            skipBlanks();
            if (!at("="))
                damaged();
            ++pos_;
            skipBlanks();
            e.attributes.emplace_back(std::move(key), attributeValue());
        }
        for (;;) {
            const auto lt = s_.indexOf('<', pos_);
            if (lt < 0)
                damaged();
            pos_ = lt;
            if (at("</")) {
                pos_ += 2;
                if (name() != e.name)
                    damaged();
                skipBlanks();
                if (!at(">"))
                    damaged();
                ++pos_;
                return e;
            }
            if (at("<!--"))
                skipPast("-->");
            else if (at("<?"))
                skipPast("?>");
            else
                e.children.push_back(element());
        }
    }

    const QByteArray &s_;
    qsizetype pos_ = 0;
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

DataPacket fromXml(const QByteArray &bytes, const std::string &path)
{
    const Element root = XmlReader(bytes, path).document();
    const Element *metadata = root.child("METADATA");
    const Element *fields = metadata ? metadata->child("FIELDS") : nullptr;
    if (!fields)
        fail(path, "the record-set file is damaged (no field definitions)");
    DataPacket packet;
    for (const Element &field : fields->children) {
        if (field.name != "FIELD")
            continue;
        const std::string *name = field.attribute("attrname");
        const std::string *type = field.attribute("fieldtype");
        if (!name || name->empty() || !type)
            fail(path, "the record-set file is damaged (a field without name or type)");
        TFieldDef def{*name, fieldTypeFromXml(*type)};
        if (def.type == TFieldType::ftUnknown)
            fail(path, "field '" + *name + "' has the unsupported type '" + *type + "'");
        const std::string *sizeText = field.attribute(def.type == TFieldType::ftBCD ? "DECIMALS" : "WIDTH");
        if (sizeText && (def.type == TFieldType::ftString || def.type == TFieldType::ftBCD)) {
            bool ok = false;
            def.size = QByteArray::fromStdString(*sizeText).toInt(&ok);
            if (!ok || def.size < 0)
                fail(path, "field '" + *name + "' has the bad size '" + *sizeText + "'");
        }
        const std::string *required = field.attribute("required");
        def.required = required && *required == "true";
        packet.fields.push_back(def);
    }
    if (const Element *indexes = metadata->child("INDEXDEFS"))
        for (const Element &index : indexes->children)
            if (index.name == "INDEX" && index.attribute("attrname"))
                packet.indexes.push_back(
                    {*index.attribute("attrname"), index.attribute("fields") ? *index.attribute("fields") : ""});
    if (const Element *rows = root.child("ROWDATA")) {
        for (const Element &rowElement : rows->children) {
            if (rowElement.name != "ROW")
                continue;
            std::vector<TValue> row;
            for (const TFieldDef &def : packet.fields) {
                const std::string *text = rowElement.attribute(def.name);
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
    QByteArray out = "<?xml version=\"1.0\" encoding=\"windows-950\" standalone=\"yes\"?>\n"
                     "<DATAPACKET Version=\"2.0\">\n<METADATA>\n<FIELDS>\n";
    for (const TFieldDef &def : packet.fields) {
        out += "<FIELD";
        appendAttribute(out, "attrname", def.name);
        appendAttribute(out, "fieldtype", xmlTypeName(def.type));
        if (def.type == TFieldType::ftString)
            appendAttribute(out, "WIDTH", std::to_string(def.size));
        if (def.type == TFieldType::ftBCD) {
            appendAttribute(out, "DECIMALS", std::to_string(def.size));
            appendAttribute(out, "WIDTH", "18");
        }
        if (def.required)
            appendAttribute(out, "required", "true");
        out += "/>\n";
    }
    out += "</FIELDS>\n";
    if (!packet.indexes.empty()) {
        out += "<INDEXDEFS>\n";
        for (const TIndexDef &def : packet.indexes) {
            out += "<INDEX";
            appendAttribute(out, "attrname", def.name);
            appendAttribute(out, "fields", def.fields);
            out += "/>\n";
        }
        out += "</INDEXDEFS>\n";
    }
    out += "</METADATA>\n<ROWDATA>\n";
    for (const auto &row : packet.rows) {
        out += "<ROW";
        for (std::size_t i = 0; i < row.size() && i < packet.fields.size(); ++i)
            if (!row[i].isNull())
                appendAttribute(out, packet.fields[i].name, row[i].asString());
        out += "/>\n";
    }
    out += "</ROWDATA>\n</DATAPACKET>\n";
    return out;
}

DataPacket fromBytes(const QByteArray &bytes, const std::string &path)
{
    if (bytes.startsWith(QByteArray(kMagic, sizeof kMagic)))
        return BinaryReader(bytes, path).packet();
    if (XmlReader(bytes, path).rootName() == "DATAPACKET")
        return fromXml(bytes, path);
    fail(path, "not a record-set file");
}

void save(const std::string &path, const DataPacket &packet, PacketFormat format)
{
    const QByteArray bytes = format == PacketFormat::Xml ? toXml(packet) : toBinary(packet);
    QSaveFile file(QString::fromStdString(path));
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit())
        throw EDatabaseError("Cannot create file \"" + path + "\". " + file.errorString().toStdString());
}

DataPacket load(const std::string &path)
{
    QFile file(QString::fromStdString(path));
    if (!file.open(QIODevice::ReadOnly))
        throw EDatabaseError("Cannot open file \"" + path + "\". " + file.errorString().toStdString());
    return fromBytes(file.readAll(), path);
}

} // namespace data::RecordSetFile
