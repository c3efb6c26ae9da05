#include "RecordSetFile.h"

#include "DbError.h"

#include <QFile>
#include <QSaveFile>
#include <QStringEncoder>

#include <array>
#include <cstring>

namespace data::RecordSetFile {

namespace {

constexpr char kMagic[8] = {'T', 'M', 'R', 'S', 'E', 'T', '\r', '\n'};
constexpr std::uint32_t kVersion = 1;
constexpr std::size_t kHeaderSize = sizeof kMagic + 4 + 4; // magic, version, length
constexpr std::size_t kMinimumSize = kHeaderSize + 4;       // ... and the checksum

enum Tag : std::uint8_t { tagNull, tagString, tagInt32, tagInt64, tagFloat, tagDecimal };

[[noreturn]] void fail(const std::string &path, const std::string &what)
{
    throw EDatabaseError(path + ": " + what);
}

std::uint32_t crc32(const char *data, std::size_t size)
{
    static const auto table = [] {
        std::array<std::uint32_t, 256> t{};
        for (std::uint32_t i = 0; i < 256; ++i) {
            std::uint32_t c = i;
            for (int k = 0; k < 8; ++k)
                c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            t[i] = c;
        }
        return t;
    }();
    std::uint32_t crc = 0xFFFFFFFFu;
    for (std::size_t i = 0; i < size; ++i)
        crc = table[(crc ^ static_cast<unsigned char>(data[i])) & 0xFF] ^ (crc >> 8);
    return crc ^ 0xFFFFFFFFu;
}

// ---- binary form ---------------------------------------------------------------------------------------

class Writer {
public:
    template <typename T> void put(T v)
    {
        unsigned char b[sizeof(T)];
        std::memcpy(b, &v, sizeof(T));
        // Stored little-endian whatever the machine.
        if constexpr (std::endian::native == std::endian::big)
            std::reverse(b, b + sizeof(T));
        out.append(reinterpret_cast<const char *>(b), sizeof(T));
    }
    void text(const std::string &s)
    {
        put(std::uint32_t(s.size()));
        out.append(s.data(), qsizetype(s.size()));
    }
    QByteArray out;
};

class Reader {
public:
    Reader(const QByteArray &bytes, std::size_t end, const std::string &path)
        : bytes_(bytes), pos_(kHeaderSize), end_(end), path_(path) {}
    template <typename T> T get()
    {
        need(sizeof(T));
        unsigned char b[sizeof(T)];
        std::memcpy(b, bytes_.constData() + pos_, sizeof(T));
        if constexpr (std::endian::native == std::endian::big)
            std::reverse(b, b + sizeof(T));
        pos_ += sizeof(T);
        T v;
        std::memcpy(&v, b, sizeof(T));
        return v;
    }
    std::string text()
    {
        const auto n = get<std::uint32_t>();
        need(n);
        std::string s(bytes_.constData() + pos_, n);
        pos_ += n;
        return s;
    }
    bool atEnd() const { return pos_ == end_; }
    [[noreturn]] void damaged(const std::string &what) const { fail(path_, "the record-set file is damaged (" + what + ")"); }

private:
    void need(std::size_t n) const
    {
        if (end_ - pos_ < n)
            damaged("a record runs past the end");
    }
    const QByteArray &bytes_;
    std::size_t pos_, end_;
    const std::string &path_;
};

void putValue(Writer &w, const TValue &v)
{
    switch (v.type()) {
    case TFieldType::ftUnknown: w.put(std::uint8_t(tagNull)); break;
    case TFieldType::ftString: w.put(std::uint8_t(tagString)); w.text(*v.text()); break;
    case TFieldType::ftInteger: w.put(std::uint8_t(tagInt32)); w.put(v.asInteger()); break;
    case TFieldType::ftLargeint: w.put(std::uint8_t(tagInt64)); w.put(v.asLargeInt()); break;
    case TFieldType::ftFloat: w.put(std::uint8_t(tagFloat)); w.put(v.asFloat()); break;
    case TFieldType::ftBCD:
        w.put(std::uint8_t(tagDecimal));
        w.put(v.decimal()->units);
        w.put(std::int32_t(v.decimal()->scale));
        break;
    }
}

TValue getValue(Reader &r)
{
    switch (r.get<std::uint8_t>()) {
    case tagNull: return {};
    case tagString: return TValue(r.text());
    case tagInt32: return TValue(r.get<std::int32_t>());
    case tagInt64: return TValue(r.get<std::int64_t>());
    case tagFloat: return TValue(r.get<double>());
    case tagDecimal: {
        const auto units = r.get<std::int64_t>();
        return TValue(Decimal{units, r.get<std::int32_t>()});
    }
    default: r.damaged("unknown value tag");
    }
}

DataPacket fromBinary(const QByteArray &bytes, const std::string &path)
{
    if (std::size_t(bytes.size()) < kHeaderSize)
        fail(path, "the record-set file is truncated");
    std::uint32_t version = 0, length = 0;
    std::memcpy(&version, bytes.constData() + sizeof kMagic, 4);
    std::memcpy(&length, bytes.constData() + sizeof kMagic + 4, 4);
    if constexpr (std::endian::native == std::endian::big) {
        version = __builtin_bswap32(version);
        length = __builtin_bswap32(length);
    }
    if (version != kVersion)
        fail(path, "record-set file version " + std::to_string(version) + " is not supported");
    if (std::size_t(bytes.size()) < length || length < kMinimumSize)
        fail(path, "the record-set file is truncated");
    const std::size_t end = length - 4;
    Reader r(bytes, end, path);
    std::uint32_t stored = 0;
    std::memcpy(&stored, bytes.constData() + end, 4);
    if constexpr (std::endian::native == std::endian::big)
        stored = __builtin_bswap32(stored);
    if (std::size_t(bytes.size()) != length || stored != crc32(bytes.constData(), end))
        r.damaged("checksum mismatch");

    DataPacket packet;
    const auto fieldCount = r.get<std::uint32_t>();
    for (std::uint32_t i = 0; i < fieldCount; ++i) {
        TFieldDef def;
        def.name = r.text();
        const auto type = r.get<std::uint8_t>();
        if (type < std::uint8_t(TFieldType::ftString) || type > std::uint8_t(TFieldType::ftBCD))
            r.damaged("unknown field type");
        def.type = TFieldType(type);
        def.size = r.get<std::int32_t>();
        def.required = r.get<std::uint8_t>() != 0;
        packet.fields.push_back(def);
    }
    const auto indexCount = r.get<std::uint32_t>();
    for (std::uint32_t i = 0; i < indexCount; ++i) {
        TIndexDef def;
        def.name = r.text();
        def.fields = r.text();
        packet.indexes.push_back(def);
    }
    const auto rowCount = r.get<std::uint32_t>();
    for (std::uint32_t i = 0; i < rowCount; ++i) {
        std::vector<TValue> row;
        row.reserve(fieldCount);
        for (std::uint32_t f = 0; f < fieldCount; ++f) {
            TValue v = getValue(r);
            if (!v.isNull() && v.type() != packet.fields[f].type)
                r.damaged("a value does not fit its field");
            row.push_back(std::move(v));
        }
        packet.rows.push_back(std::move(row));
    }
    if (!r.atEnd())
        r.damaged("data after the last row");
    return packet;
}

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
    Writer w;
    w.out.append(kMagic, sizeof kMagic);
    w.put(kVersion);
    w.put(std::uint32_t(0)); // length, filled in below
    w.put(std::uint32_t(packet.fields.size()));
    for (const TFieldDef &def : packet.fields) {
        w.text(def.name);
        w.put(std::uint8_t(def.type));
        w.put(std::int32_t(def.size));
        w.put(std::uint8_t(def.required));
    }
    w.put(std::uint32_t(packet.indexes.size()));
    for (const TIndexDef &def : packet.indexes) {
        w.text(def.name);
        w.text(def.fields);
    }
    w.put(std::uint32_t(packet.rows.size()));
    for (const auto &row : packet.rows)
        for (const TValue &v : row)
            putValue(w, v);
    const std::uint32_t length = std::uint32_t(w.out.size() + 4);
    Writer lengthField;
    lengthField.put(length);
    w.out.replace(sizeof kMagic + 4, 4, lengthField.out);
    w.put(crc32(w.out.constData(), std::size_t(w.out.size())));
    return w.out;
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
        return fromBinary(bytes, path);
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
