#include "data/ClientDataSet.h"
#include "data/IniFile.h"
#include "data/RecordSetFile.h"

#include <QFile>
#include <QTemporaryDir>

#include <sys/mount.h>

#include <cerrno>
#include <cstring>

#include "ErrorOf.h"

#include <gtest/gtest.h>

#include <functional>

using namespace data;

namespace {

const std::string kMainStore = "\xc1\x60\xad\xdc"; // 總倉 in code page 950

DataPacket samplePacket()
{
    DataPacket p;
    p.fields = {{"rep_title", TFieldType::ftString, 50},
                {"QTY", TFieldType::ftInteger, 0, true},
                {"BIG", TFieldType::ftLargeint},
                {"PRICE", TFieldType::ftFloat},
                {"AMOUNT", TFieldType::ftBCD, 2}};
    p.indexes = {{"IDX_TITLE", "rep_title"}};
    p.rows = {{TValue(kMainStore), TValue(3), TValue(std::int64_t(1) << 40), TValue(1.5), TValue(Decimal{1250, 2})},
              {TValue("a<b>&\"c'\t"), TValue(-1), TValue(), TValue(0.1), TValue(Decimal{-5, 2})},
              // A user-defined character (FA 40) and the two single bytes above ASCII that the code page maps.
              {TValue("\xFA\x40\x80\xFF"), TValue(0), TValue(std::int64_t(-7)), TValue(), TValue()}};
    return p;
}

void writeBytes(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

QByteArray readBytes(const std::string &path)
{
    QFile f(QString::fromStdString(path));
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

class RecordSetFileTest : public ::testing::Test {
protected:
    std::string path(const char *name) const { return dir.filePath(name).toStdString(); }
    QTemporaryDir dir;
};

} // namespace

TEST_F(RecordSetFileTest, BothFormsRoundTrip)
{
    for (const auto format : {TClientDataSet::FileFormat::Binary, TClientDataSet::FileFormat::Xml}) {
        TClientDataSet set;
        set.setData(samplePacket());
        set.saveToFile(path("out.cds"), format);
        TClientDataSet loaded;
        loaded.loadFromFile(path("out.cds"));
        EXPECT_EQ(loaded.data(), samplePacket()) << (format == TClientDataSet::FileFormat::Xml ? "xml" : "binary");
        EXPECT_EQ(loaded.fieldByName("REP_TITLE").asString(), kMainStore);
    }
}

TEST_F(RecordSetFileTest, XmlIsReadableAndKeepsBytes)
{
    const QByteArray xml = RecordSetFile::toXml(samplePacket());
    EXPECT_TRUE(xml.startsWith("<?xml version=\"1.0\" encoding=\"windows-950\""));
    EXPECT_TRUE(xml.contains("<FIELD attrname=\"rep_title\" fieldtype=\"string\" WIDTH=\"50\"/>"));
    EXPECT_TRUE(xml.contains("<FIELD attrname=\"AMOUNT\" fieldtype=\"fixed\" DECIMALS=\"2\""));
    EXPECT_TRUE(xml.contains(QByteArray("<ROW rep_title=\"") + kMainStore.c_str() + "\" QTY=\"3\""));
    EXPECT_TRUE(xml.contains("a&lt;b&gt;&amp;&quot;c'&#9;"));
}

TEST_F(RecordSetFileTest, HandWrittenTitleFile)
{
    const QByteArray text = QByteArray("<?xml version=\"1.0\" standalone=\"yes\"?>\r\n<!-- title -->\r\n"
                                       "<DATAPACKET Version=\"2.0\"><METADATA><FIELDS>"
                                       "<FIELD attrname=\"rep_title\" fieldtype=\"string\" WIDTH=\"50\"/>"
                                       "<FIELD attrname=\"N\" fieldtype=\"i4\"/>"
                                       "<FIELD attrname=\"P\" fieldtype=\"fixed\" DECIMALS=\"2\" WIDTH=\"10\"/>"
                                       "</FIELDS><PARAMS/></METADATA><ROWDATA>"
                                       "<ROW RowState=\"4\" rep_title='") +
                            kMainStore.c_str() + "&#65;&#x42;&apos;' N=\"12\" P=\"3.5\"/><ROW/></ROWDATA></DATAPACKET>";
    writeBytes(QString::fromStdString(path("Saltfen.dat")), text);
    TClientDataSet set;
    set.loadFromFile(path("Saltfen.dat"));
    EXPECT_EQ(set.fieldByName("rep_title").asString(), kMainStore + "AB'");
    EXPECT_EQ(set.fieldByName("N").asInteger(), 12);
    EXPECT_EQ(set.fieldByName("P").value(), TValue(Decimal{350, 2}));
    set.next();
    EXPECT_TRUE(set.fieldByName("rep_title").isNull()) << "a missing attribute is null";
    EXPECT_EQ(set.recordCount(), 2);
}

TEST_F(RecordSetFileTest, BadFilesAreRefusedAndTheSetKept)
{
    const QByteArray good = RecordSetFile::toBinary(samplePacket());
    QByteArray flipped = good;
    flipped[flipped.size() / 2] = char(flipped[flipped.size() / 2] ^ 0x10);
    const std::pair<const char *, QByteArray> cases[] = {
        {"truncated", good.left(good.size() - 9)},
        {"damaged", flipped},
        {"not a record-set file", "hello, world"},
        {"not a record-set file", QByteArray()},
        {"damaged", "<DATAPACKET Version=\"2.0\"><METADATA><FIELDS><FIELD attrname=\"a\" fieldtype=\"string\"/>"},
        {"damaged", "<DATAPACKET><ROWDATA/></DATAPACKET>"},
        {"unsupported type", "<DATAPACKET><METADATA><FIELDS><FIELD attrname=\"a\" fieldtype=\"bin.hex\"/></FIELDS>"
                             "</METADATA></DATAPACKET>"},
        {"not a valid integer", "<DATAPACKET><METADATA><FIELDS><FIELD attrname=\"a\" fieldtype=\"i4\"/></FIELDS>"
                                "</METADATA><ROWDATA><ROW a=\"x\"/></ROWDATA></DATAPACKET>"},
        {"not a record-set file", "<html><body/></html>"},
        // No character of code page 950 (A3 C0), and a lead byte whose second byte is the closing quote.
        {"line 2 holds bytes that code page 950 does not read and write back unchanged",
         "<DATAPACKET><METADATA><FIELDS><FIELD attrname=\"a\" fieldtype=\"string\"/></FIELDS></METADATA>\n"
         "<ROWDATA><ROW a=\"\xA3\xC0\"/></ROWDATA></DATAPACKET>"},
        {"does not read and write back unchanged",
         "<DATAPACKET><METADATA><FIELDS><FIELD attrname=\"a\" fieldtype=\"string\"/></FIELDS></METADATA>"
         "<ROWDATA><ROW a=\"\xA4\"/></ROWDATA></DATAPACKET>"},
        {"line 1: a character that code page 950 cannot write",
         "<DATAPACKET><METADATA><FIELDS><FIELD attrname=\"a\" fieldtype=\"string\"/></FIELDS></METADATA>"
         "<ROWDATA><ROW a=\"&#x1F600;\"/></ROWDATA></DATAPACKET>"},
    };
    TClientDataSet set;
    set.setData(samplePacket());
    set.setRecNo(2);
    for (const auto &[expected, bytes] : cases) {
        writeBytes(QString::fromStdString(path("bad.cds")), bytes);
        const std::string message = errorOf([&] { set.loadFromFile(path("bad.cds")); });
        EXPECT_NE(message.find(path("bad.cds")), std::string::npos) << message;
        EXPECT_NE(message.find(expected), std::string::npos) << message;
        EXPECT_EQ(set.data(), samplePacket());
        EXPECT_EQ(set.recNo(), 2);
    }
    EXPECT_NE(errorOf([&] { set.loadFromFile(path("missing.cds")); }).find("Cannot open file"), std::string::npos);
}

TEST_F(RecordSetFileTest, SaveReplacesAndFailsCleanly)
{
    TClientDataSet set;
    set.setData(samplePacket());
    set.saveToFile(path("temp.cds"));
    set.first();
    set.edit();
    set.fieldByName("QTY").setAsInteger(99);
    set.saveToFile(path("temp.cds")); // posts the pending edit, replaces the file
    TClientDataSet loaded;
    loaded.loadFromFile(path("temp.cds"));
    EXPECT_EQ(loaded.fieldByName("QTY").asInteger(), 99);
    const std::string message = errorOf([&] { set.saveToFile(path("no/such/dir/x.cds")); });
    EXPECT_NE(message.find("Cannot create file"), std::string::npos) << message;

    // Text that the XML form would change is refused, and the file stays as it was.
    set.saveToFile(path("Saltfen.dat"), TClientDataSet::FileFormat::Xml);
    const QByteArray before = readBytes(path("Saltfen.dat"));
    for (const std::string text : {"\xA3\xC0", "\xA2\xCC" /* 十 by its second code */, "a\x01b"}) {
        set.first();
        set.fieldByName("rep_title").setAsString(text);
        const std::string refused =
            errorOf([&] { set.saveToFile(path("Saltfen.dat"), TClientDataSet::FileFormat::Xml); });
        EXPECT_EQ(refused.rfind(path("Saltfen.dat") + ": row 1, field 'rep_title' holds ", 0), 0) << refused;
        EXPECT_EQ(readBytes(path("Saltfen.dat")), before);
    }
}

TEST(FullDisk, EveryWriterLeavesThePreviousFileAndSaysWhy)
{
    QTemporaryDir dir;
    const std::string disk = dir.path().toStdString();
    if (::mount("tmpfs", disk.c_str(), "tmpfs", 0, "size=64k") != 0)
        GTEST_SKIP() << "a small tmpfs cannot be mounted here: " << std::strerror(errno);
    struct Unmount {
        const std::string &at;
        ~Unmount() { ::umount2(at.c_str(), MNT_DETACH); }
    } unmount{disk};

    const std::string settings = disk + "/FormTouchMove.INI", binary = disk + "/temp.cds", xml = disk + "/Saltfen.dat";
    TIniFile(settings).writeString("System", "SSTOCKID", "S01");
    TClientDataSet set;
    set.setData(samplePacket());
    set.saveToFile(binary);
    set.saveToFile(xml, TClientDataSet::FileFormat::Xml);
    const QByteArray before[] = {readBytes(settings), readBytes(binary), readBytes(xml)};

    QFile filler(QString::fromStdString(disk + "/filler"));
    ASSERT_TRUE(filler.open(QIODevice::WriteOnly | QIODevice::Unbuffered));
    filler.write(QByteArray(128 * 1024, 'x')); // as much as fits

    set.first();
    set.fieldByName("QTY").setAsInteger(99);
    const std::pair<std::string, std::function<void()>> writes[] = {
        {settings, [&] { TIniFile(settings).writeString("System", "SSTOCKID", "S09"); }},
        {binary, [&] { set.saveToFile(binary); }},
        {xml, [&] { set.saveToFile(xml, TClientDataSet::FileFormat::Xml); }},
    };
    for (std::size_t i = 0; i < std::size(writes); ++i) {
        const auto &[file, write] = writes[i];
        const std::string message = errorOf(write);
        EXPECT_EQ(message, "Cannot create file \"" + file + "\". " + std::strerror(ENOSPC));
        EXPECT_EQ(readBytes(file), before[i]) << file;
    }
}
