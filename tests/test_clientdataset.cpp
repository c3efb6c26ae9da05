#include "data/ClientDataSet.h"

#include "ErrorOf.h"

#include <gtest/gtest.h>

#include <functional>

using namespace data;

namespace {

/// Hands out fixed rows and records what the record set asked of it.
class RowProvider : public IRecordProvider {
public:
    struct Log {
        std::string commandText;
        int fetches = 0;
        bool sourceAlive = false;
    };

    RowProvider(std::vector<TFieldDef> defs, std::vector<std::vector<TValue>> rows)
        : defs_(std::move(defs)), rows_(std::move(rows)) {}

    std::unique_ptr<IRecordSource> open(const std::string &commandText) override
    {
        log.commandText = commandText;
        return std::make_unique<Source>(*this);
    }

    Log log;

private:
    class Source : public IRecordSource {
    public:
        explicit Source(RowProvider &p) : p_(p) { p_.log.sourceAlive = true; }
        ~Source() override { p_.log.sourceAlive = false; }
        const std::vector<TFieldDef> &fieldDefs() const override { return p_.defs_; }
        bool fetch(std::vector<TValue> &row) override
        {
            ++p_.log.fetches;
            if (next_ >= p_.rows_.size())
                return false;
            row = p_.rows_[next_++];
            return true;
        }

    private:
        RowProvider &p_;
        std::size_t next_ = 0;
    };
    std::vector<TFieldDef> defs_;
    std::vector<std::vector<TValue>> rows_;
};

RowProvider products(int count)
{
    std::vector<std::vector<TValue>> rows;
    for (int i = 1; i <= count; ++i)
        rows.push_back({TValue("P" + std::to_string(i)), TValue(double(i)), TValue(i % 2 ? "True" : "False")});
    return RowProvider({{"PROD_ID", TFieldType::ftString, 10}, {"NOW_QTY", TFieldType::ftFloat}, {"DEL_FLAG", TFieldType::ftString, 5}},
                       std::move(rows));
}

/// A set of PROD_ID (text) and QTY (integer) holding the given ids.
void fill(TClientDataSet &set, std::initializer_list<const char *> ids)
{
    set.addFieldDef("PROD_ID", TFieldType::ftString, 10);
    set.addFieldDef("QTY", TFieldType::ftInteger);
    set.addIndexDef("PROD_ID_IDX", "PROD_ID");
    set.createDataSet();
    int qty = 1;
    for (const char *id : ids) {
        set.append();
        set.fieldByName("PROD_ID").setAsString(id);
        set.fieldByName("QTY").setAsInteger(qty++);
        set.post();
    }
}

std::vector<std::string> walk(TClientDataSet &set, const char *field = "PROD_ID")
{
    std::vector<std::string> seen;
    for (set.first(); !set.eof(); set.next())
        seen.push_back(set.fieldByName(field).asString());
    return seen;
}

struct Recorder {
    explicit Recorder(TClientDataSet &set)
    {
        QObject::connect(&set, &TClientDataSet::changed, [this](const DataSetChange &c) { seen.push_back(c); });
    }
    std::vector<std::pair<DataSetChange::Kind, int>> take()
    {
        std::vector<std::pair<DataSetChange::Kind, int>> out;
        for (const auto &c : seen)
            out.emplace_back(c.kind, c.kind == DataSetChange::StateChanged ? -1 : c.row);
        seen.clear();
        return out;
    }
    std::vector<DataSetChange> seen;
};

} // namespace

TEST(ClientDataSet, CreateWalkAndCount)
{
    TClientDataSet set;
    fill(set, {});
    EXPECT_TRUE(set.active());
    EXPECT_TRUE(set.eof());
    EXPECT_TRUE(set.isEmpty());
    EXPECT_EQ(set.recNo(), 0);
    set.close();
    set.fieldDefs().clear();
    set.indexDefs().clear();
    fill(set, {"A", "B", "C"});
    EXPECT_EQ(walk(set), (std::vector<std::string>{"A", "B", "C"}));
    EXPECT_EQ(set.recordCount(), 3);
    set.first();
    EXPECT_TRUE(set.bof());
    EXPECT_FALSE(set.eof());
    set.last();
    EXPECT_EQ(set.recNo(), 3);
    EXPECT_TRUE(set.eof());
    set.setRecNo(2);
    EXPECT_EQ(set.fieldByName("prod_id").asString(), "B");
    EXPECT_EQ(set.indexDefs().size(), 1u);
}

TEST(ClientDataSet, ImplicitPostAndDrop)
{
    TClientDataSet set;
    fill(set, {"A"});
    set.append();
    set.next(); // unchanged pending row: dropped
    EXPECT_EQ(set.recordCount(), 1);
    set.append();
    set.fieldByName("PROD_ID").setAsString("B");
    set.first(); // changed pending row: posted
    EXPECT_EQ(set.state(), TDataSetState::dsBrowse);
    EXPECT_EQ(walk(set), (std::vector<std::string>{"A", "B"}));

    set.first();
    set.edit();
    set.fieldByName("QTY").setAsInteger(9);
    set.locate("PROD_ID", TValue("B"));
    set.first();
    EXPECT_EQ(set.fieldByName("QTY").asInteger(), 9);

    set.setRecNo(2);
    set.fieldByName("QTY").setValue(TValue(5));
    EXPECT_EQ(set.state(), TDataSetState::dsEdit) << "writing in browse state edits the current row";
    set.cancel();
    EXPECT_TRUE(set.fieldByName("QTY").isNull());

    set.append();
    set.fieldByName("PROD_ID").setAsString("C");
    const DataPacket packet = set.data(); // copying the contents posts too
    EXPECT_EQ(packet.rows.size(), 3u);
}

TEST(ClientDataSet, EditOnEmptySetAppends)
{
    TClientDataSet set;
    fill(set, {});
    set.edit();
    EXPECT_EQ(set.state(), TDataSetState::dsInsert);
    set.fieldByName("PROD_ID").setAsString("X");
    set.post();
    EXPECT_EQ(set.recordCount(), 1);
}

TEST(ClientDataSet, BeforePostVetoKeepsRowPending)
{
    TClientDataSet set;
    fill(set, {"A"});
    bool veto = true;
    set.beforePost = [&](TClientDataSet &) {
        if (veto)
            throw EAbort();
    };
    set.append();
    set.fieldByName("PROD_ID").setAsString("B");
    set.fieldByName("QTY").setAsString("7");
    EXPECT_THROW(set.first(), EAbort);
    EXPECT_EQ(set.state(), TDataSetState::dsInsert);
    EXPECT_EQ(set.fieldByName("PROD_ID").asString(), "B");
    EXPECT_EQ(set.fieldByName("QTY").value(), TValue(7));
    EXPECT_THROW(set.data(), EAbort);
    EXPECT_THROW(set.append(), EAbort);
    EXPECT_EQ(set.recordCount(), 1);
    veto = false;
    set.post();
    EXPECT_EQ(set.recordCount(), 2);
}

TEST(ClientDataSet, FieldRules)
{
    TClientDataSet set;
    set.addFieldDef("NAME", TFieldType::ftString, 20, true);
    set.addFieldDef("QTY", TFieldType::ftInteger);
    set.createDataSet();
    set.append();
    EXPECT_EQ(errorOf([&] { set.fieldByName("QTY").setAsString("abc"); }), "'abc' is not a valid integer value");
    EXPECT_EQ(errorOf([&] { set.fieldByName("QTY").setAsString("99999999999"); }),
              "'99999999999' is out of the range of an integer value");
    set.fieldByName("QTY").setAsString("");
    EXPECT_TRUE(set.fieldByName("QTY").isNull());
    set.fieldByName("QTY").setValue(TValue(-3.7));
    EXPECT_EQ(set.fieldByName("QTY").asInteger(), -3);
    EXPECT_EQ(errorOf([&] { set.post(); }), "Field 'NAME' must have a value");
    EXPECT_EQ(set.state(), TDataSetState::dsInsert);
    set.fieldByName("NAME").setAsString("n");
    set.post();

    set.fieldByName("NAME").setReadOnly(true);
    EXPECT_EQ(errorOf([&] { set.fieldByName("NAME").setAsString("m"); }), "Field 'NAME' cannot be modified");
    EXPECT_EQ(set.state(), TDataSetState::dsBrowse);
    EXPECT_EQ(errorOf([&] { set.fieldByName("PRICE"); }), "Field 'PRICE' not found");
    EXPECT_EQ(set.findField("price"), nullptr);
    EXPECT_EQ(set.findField("name"), &set.fields(0));
}

TEST(ClientDataSet, Locate)
{
    TClientDataSet set;
    fill(set, {"abc", "ABC", "B12", "ABC"});
    EXPECT_TRUE(set.locate("prod_id", TValue("ABC")));
    EXPECT_EQ(set.recNo(), 2);
    EXPECT_FALSE(set.locate("PROD_ID", TValue("Abc")));
    EXPECT_EQ(set.recNo(), 2) << "a failed search leaves the position";
    EXPECT_TRUE(set.locate("QTY", TValue(3)));
    EXPECT_EQ(set.fieldByName("PROD_ID").asString(), "B12");
    EXPECT_TRUE(set.locate("QTY", TValue("4")));
    EXPECT_EQ(set.recNo(), 4);
    EXPECT_FALSE(set.locate("QTY", TValue("x")));
    EXPECT_EQ(errorOf([&] { set.locate("NOPE", TValue(1)); }), "Field 'NOPE' not found");
}

TEST(ClientDataSet, Filter)
{
    TClientDataSet set;
    set.addFieldDef("PROD_ID", TFieldType::ftString, 10);
    set.addFieldDef("DEL_FLAG", TFieldType::ftString, 5);
    set.addFieldDef("QTY", TFieldType::ftInteger);
    set.createDataSet();
    const std::tuple<const char *, const char *, int> rows[] = {
        {"A", "True", 1}, {"B", "False", 2}, {"C", "True", 3}, {"D", "true", 4}};
    for (const auto &[id, flag, qty] : rows) {
        set.append();
        set.fieldByName("PROD_ID").setAsString(id);
        set.fieldByName("DEL_FLAG").setAsString(flag);
        set.fieldByName("QTY").setAsInteger(qty);
        set.post();
    }
    set.setFilter("DEL_FLAG='True'");
    EXPECT_EQ(set.recordCount(), 4) << "not filtered until switched on";
    set.setFiltered(true);
    EXPECT_EQ(walk(set), (std::vector<std::string>{"A", "C"}));
    EXPECT_EQ(set.recordCount(), 2);
    set.setFilter("DEL_FLAG = 'True' and QTY='3'"); // a quoted number against a numeric field
    EXPECT_EQ(walk(set), (std::vector<std::string>{"C"}));
    // Only comparisons for equality joined by AND: everything else is refused, and the filter before stays.
    for (const std::string refused : {"DEL_FLAG = 'True' AND QTY=3 OR PROD_ID='B'", "QTY>=2 and not (PROD_ID='D')",
                                      "NOT PROD_ID='D'", "(PROD_ID='D')", "PROD_ID<>'D'", "DEL_FLAG='True' AND",
                                      "[PROD_ID]='D'"}) {
        EXPECT_EQ(errorOf([&] { set.setFilter(refused); }), "Invalid filter expression: " + refused);
        EXPECT_EQ(walk(set), (std::vector<std::string>{"C"})) << refused;
    }

    // A row edited out of the filter leaves the walk.
    set.setFilter("DEL_FLAG='True'");
    set.first();
    set.fieldByName("DEL_FLAG").setAsString("False");
    set.post();
    EXPECT_EQ(walk(set), (std::vector<std::string>{"C"}));

    EXPECT_EQ(errorOf([&] { set.setFilter("DEL_FLAG='True"); }), "Invalid filter expression: DEL_FLAG='True");
    EXPECT_EQ(errorOf([&] { set.setFilter("DEL_FLAG 'x'"); }), "Invalid filter expression: DEL_FLAG 'x'");
    EXPECT_EQ(errorOf([&] { set.setFilter("NOPE='x'"); }), "Field 'NOPE' not found");
    EXPECT_EQ(set.filter(), "DEL_FLAG='True'");
    EXPECT_EQ(set.recordCount(), 1) << "a refused filter leaves the one before";
    set.setFiltered(false);
    EXPECT_EQ(set.recordCount(), 4);
}

TEST(ClientDataSet, ProviderFetchesAllAndDropsSource)
{
    RowProvider provider = products(5);
    TClientDataSet set;
    set.setProvider(&provider);
    set.setCommandText("select * from PRODUCT");
    set.open();
    EXPECT_EQ(provider.log.commandText, "select * from PRODUCT");
    EXPECT_FALSE(provider.log.sourceAlive) << "the statement is freed once every row is in";
    EXPECT_EQ(set.recordCount(), 5);
    EXPECT_EQ(set.fieldCount(), 3);
    EXPECT_EQ(set.fieldByName("NOW_QTY").asFloat(), 1.0);
}

TEST(ClientDataSet, ProviderPackets)
{
    RowProvider provider = products(7);
    TClientDataSet set;
    set.setProvider(&provider);
    set.setPacketRecords(3);
    set.open();
    EXPECT_EQ(provider.log.fetches, 3);
    EXPECT_TRUE(provider.log.sourceAlive);
    EXPECT_EQ(set.displayRowCount(), 3);
    Recorder recorder(set);
    set.setRecNo(3);
    set.next();
    EXPECT_EQ(set.fieldByName("PROD_ID").asString(), "P4");
    EXPECT_EQ(provider.log.fetches, 6);
    EXPECT_EQ(recorder.take()[1], std::make_pair(DataSetChange::RowInserted, 3));
    EXPECT_EQ(set.recordCount(), 7) << "counting fetches the rest";
    EXPECT_FALSE(provider.log.sourceAlive);

    // Walking with a filter fetches until a matching row turns up.
    RowProvider second = products(7);
    TClientDataSet filtered;
    filtered.setProvider(&second);
    filtered.setPacketRecords(2);
    filtered.setFilter("PROD_ID='P6'");
    filtered.setFiltered(true);
    filtered.open();
    EXPECT_FALSE(filtered.eof());
    EXPECT_EQ(filtered.fieldByName("PROD_ID").asString(), "P6");
}

TEST(ClientDataSet, LazyRowsCompleteForContentsAndLast)
{
    RowProvider provider = products(5);
    TClientDataSet set;
    set.setProvider(&provider);
    set.setPacketRecords(2);
    set.open();
    EXPECT_EQ(set.data().rows.size(), 5u);
    TClientDataSet other;
    other.setProvider(&provider);
    other.setPacketRecords(2);
    other.open();
    other.last();
    EXPECT_EQ(other.fieldByName("PROD_ID").asString(), "P5");
    EXPECT_EQ(other.recNo(), 5);
}

TEST(ClientDataSet, DeclaredFieldsMustMatchTheResult)
{
    RowProvider provider = products(2);
    TClientDataSet set;
    set.setProvider(&provider);
    set.addFieldDef("PROD_ID", TFieldType::ftString, 10);
    set.addFieldDef("NOW_QTY", TFieldType::ftInteger);
    EXPECT_EQ(errorOf([&] { set.open(); }), "Type mismatch for field 'NOW_QTY', expecting: Integer actual: Float");
    EXPECT_FALSE(set.active());
    EXPECT_FALSE(provider.log.sourceAlive);

    set.fieldDefs()[1].type = TFieldType::ftFloat;
    set.open();
    EXPECT_EQ(set.fieldCount(), 2) << "declared fields are the stored ones";
    EXPECT_EQ(set.fieldByName("NOW_QTY").asFloat(), 1.0);

    // Fields taken from one result follow the next statement.
    RowProvider other({{"N", TFieldType::ftInteger}}, {{TValue(1)}});
    TClientDataSet taken;
    taken.setProvider(&provider);
    taken.open();
    taken.close();
    taken.setProvider(&other);
    taken.open();
    EXPECT_EQ(taken.fieldCount(), 1);
}

TEST(ClientDataSet, CopyContents)
{
    TClientDataSet source;
    fill(source, {"A", "B"});
    source.append();
    source.fieldByName("PROD_ID").setAsString("C");

    TClientDataSet target;
    fill(target, {"X"});
    target.setData(source.data());
    EXPECT_EQ(source.state(), TDataSetState::dsBrowse);
    EXPECT_EQ(walk(target), (std::vector<std::string>{"A", "B", "C"}));
    EXPECT_EQ(target.fieldDefs(), source.fieldDefs());
    EXPECT_EQ(target.data(), source.data());
    target.first();
    target.edit();
    target.fieldByName("PROD_ID").setAsString("Z");
    target.post();
    EXPECT_EQ(walk(source).front(), "A") << "the copy is independent";

    target.close();
    target.open(); // no provider: opens again on the rows it holds
    EXPECT_EQ(target.recordCount(), 3);
    TClientDataSet blank;
    EXPECT_EQ(errorOf([&] { blank.open(); }), "Missing data provider or data packet");
    EXPECT_EQ(errorOf([&] { blank.first(); }), "Cannot perform this operation on a closed dataset");
}

TEST(ClientDataSet, NotificationsForAppendPostCancel)
{
    TClientDataSet set;
    fill(set, {"A", "B"});
    Recorder r(set);
    using C = DataSetChange;
    set.append();
    EXPECT_EQ(r.take(), (std::vector<std::pair<C::Kind, int>>{{C::RowInserted, 2}, {C::StateChanged, -1}, {C::CurrentMoved, 2}}));
    EXPECT_EQ(set.displayRowCount(), 3);
    EXPECT_EQ(set.currentDisplayRow(), 2);
    set.fieldByName("PROD_ID").setAsString("C");
    EXPECT_EQ(r.take(), (std::vector<std::pair<C::Kind, int>>{{C::RowChanged, 2}}));
    EXPECT_EQ(set.displayValue(2, 0), TValue("C"));
    set.post();
    EXPECT_EQ(r.take(), (std::vector<std::pair<C::Kind, int>>{{C::StateChanged, -1}, {C::RowChanged, 2}}));
    EXPECT_EQ(set.displayRowCount(), 3);

    set.append();
    r.take();
    set.cancel();
    EXPECT_EQ(r.take(), (std::vector<std::pair<C::Kind, int>>{{C::RowRemoved, 3}, {C::StateChanged, -1}, {C::CurrentMoved, 2}}));
    EXPECT_EQ(set.displayRowCount(), 3);

    set.gotoDisplayRow(0);
    EXPECT_EQ(r.take(), (std::vector<std::pair<C::Kind, int>>{{C::CurrentMoved, 0}}));
    set.fieldByName("QTY").setAsInteger(8);
    EXPECT_EQ(set.displayValue(0, 1), TValue(8)) << "a pending edit shows in its display row";
    r.take();
    set.cancel();
    EXPECT_EQ(r.take(), (std::vector<std::pair<C::Kind, int>>{{C::RowChanged, 0}, {C::StateChanged, -1}}));
    EXPECT_EQ(set.displayValue(0, 1), TValue(1));

    // Removing: the row after becomes current, the one before when the last goes; a pending edit goes
    // with its row, a pending append is dropped; the before-post hook is not asked.
    set.beforePost = [](TClientDataSet &) { throw EAbort(); };
    set.append();
    set.fieldByName("PROD_ID").setAsString("D");
    r.take();
    set.remove();
    EXPECT_EQ(r.take(), (std::vector<std::pair<C::Kind, int>>{{C::RowRemoved, 3}, {C::StateChanged, -1}, {C::CurrentMoved, 0}}));
    EXPECT_EQ(set.displayRowCount(), 3);
    set.fieldByName("QTY").setAsInteger(8);
    r.take();
    set.remove();
    EXPECT_EQ(r.take(), (std::vector<std::pair<C::Kind, int>>{{C::RowRemoved, 0}, {C::StateChanged, -1}, {C::CurrentMoved, 0}}));
    EXPECT_EQ(set.state(), TDataSetState::dsBrowse);
    EXPECT_EQ(set.fieldByName("PROD_ID").asString(), "B");
    set.beforePost = nullptr;
    set.gotoDisplayRow(1);
    set.remove();
    EXPECT_EQ(r.take().back(), std::make_pair(C::CurrentMoved, 0));
    EXPECT_EQ(walk(set), (std::vector<std::string>{"B"}));
    set.first();
    set.remove();
    EXPECT_TRUE(set.eof());
    EXPECT_EQ(set.currentDisplayRow(), -1);
    EXPECT_EQ(errorOf([&] { set.remove(); }), "Cannot perform this operation on an empty dataset");
    r.take();

    set.setFilter("PROD_ID='A'");
    set.setFiltered(true);
    EXPECT_EQ(r.take().back().first, C::Reset);
    set.close();
    EXPECT_EQ(r.take(), (std::vector<std::pair<C::Kind, int>>{{C::Reset, -1}}));
    EXPECT_EQ(set.displayRowCount(), 0);
}
