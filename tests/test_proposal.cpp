// The replenishment proposal on a real embedded shop database, without a window: the line rules (also
// against the shop's sequence of one main-stock look-up per candidate), the reference day and its fallback,
// the statement texts, the branch view, bad codes and dates, fractional stock and quantities beyond the
// line's fields, a repeated proposal, and two terminals proposing for the same branch; and the view through
// which the rules reach the line table's fields.

#include "ErrorOf.h"
#include "TestDatabase.h"

#include "data/DbError.h"
#include "data/SqlText.h"
#include "prompts/ScriptedMessageBox.h"
#include "transfer/core/LeftOut.h"
#include "transfer/core/LineTable.h"
#include "transfer/core/Proposal.h"
#include "transfer/core/QuantityCheck.h"
#include "transfer/core/StockingDate.h"
#include "transfer/core/TransferStore.h"
#include "transfer/core/WarehouseCheck.h"
#include "transfer/core/WarehouseCode.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <mutex>
#include <optional>
#include <thread>

using transfer::Proposal;
using transfer::TransferStore;
namespace sql = transfer::proposal_sql;

namespace {

/// One line of the line table as the tests compare it; nullopt is an empty field.
struct Line {
    int sno;
    std::string prodId;
    std::optional<int> main, branch, sold, move;
    bool operator==(const Line &) const = default;
};

std::ostream &operator<<(std::ostream &os, const std::optional<int> &v)
{
    return v ? os << *v : os << "empty";
}

std::ostream &operator<<(std::ostream &os, const Line &l)
{
    return os << "{" << l.sno << " " << l.prodId << " T=" << l.main << " N=" << l.branch << " S=" << l.sold
              << " M=" << l.move << "}";
}

std::optional<int> optionalInt(data::TField &f)
{
    return f.isNull() ? std::nullopt : std::optional<int>(f.asInteger());
}

/// A terminal: its store with both connections and the line table, its candidate count and its message box.
struct Terminal {
    explicit Terminal(const std::string &programDir) : store(programDir)
    {
        transfer::createLineTable(store.ClientDataSet2);
    }

    bool propose(const std::string &stockingDate, const std::string &branch = "S02",
                 const std::string &main = "S01")
    {
        Proposal proposal({store.SQLQuery1, store.ClientDataSet1, transfer::LineTable(store.ClientDataSet2)}, messages);
        proposal.showReferenceDay = [this](const QDate &day) {
            referenceDays.push_back(day);
            if (meanwhile)
                meanwhile();
        };
        const bool ran = proposal.run({stockingDate, branch, main}, candidateCount);
        leftOut = proposal.leftOut();
        return ran;
    }

    std::vector<Line> lines()
    {
        std::vector<Line> out;
        auto &t = store.ClientDataSet2;
        for (t.first(); !t.eof(); t.next())
            out.push_back({t.fieldByName("Sno").asInteger(), t.fieldByName("PROD_ID").asString(),
                           optionalInt(t.fieldByName("T_QTY")), optionalInt(t.fieldByName("NOW_QTY")),
                           optionalInt(t.fieldByName("SAL_QTY")), optionalInt(t.fieldByName("M_QTY"))});
        return out;
    }

    bool fixedColumnsLocked()
    {
        for (int i = 0; i < transfer::FixedColumnCount; ++i)
            if (!store.ClientDataSet2.fields(i).readOnly())
                return false;
        return !store.ClientDataSet2.fieldByName("M_QTY").readOnly();
    }

    /// The candidate list of the last proposal, in the order the server returned it.
    std::vector<std::string> candidates()
    {
        std::vector<std::string> out;
        auto &c = store.ClientDataSet1;
        for (c.first(); !c.eof(); c.next())
            out.push_back(c.fieldByName("PROD_ID").asString());
        return out;
    }

    TransferStore store;
    int candidateCount = 0;
    std::vector<std::string> leftOut;
    prompts::ScriptedMessageBox messages;
    std::vector<QDate> referenceDays;
    /// What happens elsewhere once the reference day is settled, between the drop and the creation of the view.
    std::function<void()> meanwhile;
};

class ProposalTest : public ::testing::Test {
protected:
    void stock(const std::string &warehouse, const std::string &prod, const std::string &qty)
    {
        db.exec("INSERT INTO STORE_QTY(STOCK_ID,PROD_ID,NOW_QTY) VALUES('" + data::quoteValue(warehouse) + "','" +
                data::quoteValue(prod) + "'," + qty + ")");
    }
    void product(const std::string &prod, const std::string &name = "")
    {
        db.exec("INSERT INTO PRODUCT(PROD_ID,PROD_NAME) VALUES('" + data::quoteValue(prod) + "','" +
                (name.empty() ? "Name " + data::quoteValue(prod) : name) + "')");
    }
    void sale(const std::string &prod, const std::string &qty, const std::string &day = "2004/02/29",
              const std::string &branch = "S02")
    {
        db.exec("INSERT INTO SAL_SUB(PROD_ID,QTY,BILL_DATE,STOCK_ID) VALUES('" + data::quoteValue(prod) + "'," + qty +
                ",'" + day + "','" + data::quoteValue(branch) + "')");
    }
    /// A product stocked in both warehouses and sold on `day`.
    void item(const std::string &prod, const std::string &branchQty, const std::string &soldQty,
              const std::string &mainQty, const std::string &day = "2004/02/29")
    {
        product(prod);
        stock("S02", prod, branchQty);
        stock("S01", prod, mainQty);
        sale(prod, soldQty, day);
    }
    int viewCount() { return std::stoi(db.scalar("SELECT COUNT(*) FROM RDB$RELATIONS WHERE RDB$VIEW_BLR IS NOT NULL")); }

    TestDatabase db;
    Terminal t{db.programDir()};
};

// ---- the statement texts ----------------------------------------------------------------------------

TEST(ProposalStatements, OrdinaryValuesGiveTheTextsAsTheyAreAndQuotesAreDoubled)
{
    using data::joinLines;
    EXPECT_EQ(joinLines(sql::viewLookUp("VIEW_SALQTYS02")),
              "SELECT RDB$VIEW_NAME FROM RDB$VIEW_RELATIONS WHERE RDB$VIEW_NAME = 'VIEW_SALQTYS02'\r\n");
    EXPECT_EQ(joinLines(sql::viewLookUp("VIEW_SALQTYs02")),
              "SELECT RDB$VIEW_NAME FROM RDB$VIEW_RELATIONS WHERE RDB$VIEW_NAME = 'VIEW_SALQTYS02'\r\n")
        << "the look-up compares the name as the server keeps it";
    EXPECT_EQ(joinLines(sql::dropView("VIEW_SALQTYS02")), "DROP VIEW VIEW_SALQTYS02\r\n");
    EXPECT_EQ(joinLines(sql::salesSummary("2004/02/29", "S02", false)),
              "SELECT PROD_ID,cast(SUM(QTY) as INT) FROM SAL_SUB \r\n"
              " WHERE BILL_DATE = '2004/02/29'\r\n"
              " AND STOCK_ID = 'S02'\r\n"
              "GROUP BY PROD_ID\r\n");
    EXPECT_EQ(joinLines(sql::salesSummary("2004/02/22", "S02", true)),
              "SELECT PROD_ID,CAST(SUM(QTY) AS INT) FROM SAL_SUB \r\n"
              " WHERE BILL_DATE = '2004/02/22'\r\n"
              " AND STOCK_ID = 'S02'\r\n"
              "GROUP BY PROD_ID\r\n");
    EXPECT_EQ(joinLines(sql::createView("VIEW_SALQTYS02", "2004/02/29", "S02")),
              "CREATE VIEW VIEW_SALQTYS02(PROD_ID,SAL_QTY) as \r\n"
              "SELECT PROD_ID,CAST(SUM(QTY) AS INT) FROM SAL_SUB \r\n"
              " WHERE BILL_DATE = '2004/02/29'\r\n"
              " AND STOCK_ID = 'S02'\r\n"
              " GROUP BY PROD_ID\r\n");
    EXPECT_EQ(joinLines(sql::candidates("VIEW_SALQTYS02", "S02")),
              "SELECT A.PROD_ID,A.NOW_QTY,B.SAL_QTY FROM STORE_QTY A INNER JOIN VIEW_SALQTYS02 B \r\n"
              " ON A.PROD_ID = B.PROD_ID \r\n"
              " AND A.STOCK_ID = 'S02'\r\n"
              " WHERE A.NOW_QTY - B.SAL_QTY <= 0 \r\n");
    EXPECT_EQ(joinLines(sql::mainStock("S01", "P001")),
              "SELECT A.PROD_ID,A.PROD_NAME,B.NOW_QTY FROM PRODUCT A INNER JOIN \r\n"
              "STORE_QTY B \r\n"
              "ON A.PROD_ID = B.PROD_ID \r\n"
              "AND B.STOCK_ID = 'S01'\r\n"
              "WHERE A.PROD_ID = 'P001'\r\n");
    EXPECT_EQ(joinLines(sql::ownView("VIEW_SALQTYs02", "2004/02/29", "S'02")),
              "SELECT RDB$RELATION_NAME FROM RDB$RELATIONS WHERE RDB$RELATION_NAME = 'VIEW_SALQTYS02'\r\n"
              " AND POSITION('BILL_DATE = ''2004/02/29''' IN RDB$VIEW_SOURCE) > 0\r\n"
              " AND POSITION('STOCK_ID = ''S''''02''' IN RDB$VIEW_SOURCE) > 0\r\n"
              " AND (1 = 1 OR EXISTS (SELECT 1 FROM VIEW_SALQTYs02))\r\n");
    EXPECT_EQ(joinLines(sql::candidatesWithMainStock("VIEW_SALQTYS02", "S02", "S01")),
              "SELECT C.PROD_ID,C.NOW_QTY,C.SAL_QTY,M.PROD_NAME,M.NOW_QTY AS MAIN_QTY FROM (\r\n"
              "SELECT A.PROD_ID,A.NOW_QTY,B.SAL_QTY FROM STORE_QTY A INNER JOIN VIEW_SALQTYS02 B \r\n"
              " ON A.PROD_ID = B.PROD_ID \r\n"
              " AND A.STOCK_ID = 'S02'\r\n"
              " WHERE A.NOW_QTY - B.SAL_QTY <= 0 \r\n"
              ") C LEFT JOIN (\r\n"
              "SELECT A.PROD_ID,A.PROD_NAME,B.NOW_QTY FROM PRODUCT A INNER JOIN \r\n"
              "STORE_QTY B \r\n"
              "ON A.PROD_ID = B.PROD_ID \r\n"
              "AND B.STOCK_ID = 'S01'\r\n"
              ") M ON M.PROD_ID = C.PROD_ID\r\n");
    EXPECT_EQ(sql::candidatesWithMainStock("V", "S'02", "S'01")[3], " AND A.STOCK_ID = 'S''02'");
    EXPECT_EQ(sql::candidatesWithMainStock("V", "S'02", "S'01")[9], "AND B.STOCK_ID = 'S''01'");
    EXPECT_EQ(sql::mainStock("S'01", "P'1")[3], "AND B.STOCK_ID = 'S''01'");
    EXPECT_EQ(sql::mainStock("S'01", "P'1")[4], "WHERE A.PROD_ID = 'P''1'");
}

TEST(ProposalCodes, BranchCodesAreTrimmedAndMustBePlainIdentifierParts)
{
    EXPECT_EQ(transfer::trimCode("  S02 \t"), "S02");
    EXPECT_EQ(transfer::trimCode(""), "");
    EXPECT_EQ(transfer::trimCode("   "), "");
    EXPECT_EQ(transfer::salesViewName("S02"), "VIEW_SALQTYS02");
    for (const char *good : {"S02", "s02", "A_1$", "9"})
        EXPECT_TRUE(transfer::isIdentifierPart(good)) << good;
    for (const char *bad : {"", "S'02", "S-02", "S 02", "S02;", "\xa4\xc0\xad\xdc", "S\"02"})
        EXPECT_FALSE(transfer::isIdentifierPart(bad)) << bad;
}

// The view finds the fields by name, whatever their order; one made before the set has its fields finds them
// later; a field the set lacks fails with the record set's own message, and only where it is used.
TEST(LineTableView, FieldsAreFoundByNameAndAMissingOneFailsWhereItIsUsed)
{
    data::TClientDataSet picked;
    const transfer::LineTable early(picked);
    transfer::createPickedSet(picked); // the fields of the line table without Sno
    data::TClientDataSet reordered;
    reordered.addFieldDef("m_qty", data::TFieldType::ftInteger);
    reordered.addFieldDef("PROD_ID", data::TFieldType::ftString, 20);
    reordered.createDataSet();

    for (const transfer::LineTable &view : {early, transfer::LineTable(picked), transfer::LineTable(reordered)}) {
        view.set().append();
        view.prodId().setAsString("P1");
        view.toMove().setAsInteger(3);
        view.set().post();
        const auto row = view.set().data().rows.back();
        EXPECT_EQ(row[view.position(transfer::PROD_ID)].asString(), "P1");
        EXPECT_EQ(row[view.position(transfer::M_QTY)].asInteger(), 3);
        EXPECT_EQ(errorOf([&] { view.sno(); }), "Field 'Sno' not found");
    }
    EXPECT_EQ(picked.fieldByName("M_QTY").asInteger(), 3);
    EXPECT_EQ(reordered.fields(0).asInteger(), 3);
}

TEST(StockingDates, MenuArithmeticRollsOverMonthAndYearEnds)
{
    struct Case {
        QDate today;
        int days;
        const char *expected;
    };
    const Case cases[] = {{QDate(2004, 2, 28), 0, "2004/02/28"}, {QDate(2004, 2, 28), 1, "2004/02/29"},
                          {QDate(2004, 2, 28), 2, "2004/03/01"}, {QDate(2003, 2, 28), 1, "2003/03/01"},
                          {QDate(2004, 12, 31), 1, "2005/01/01"}, {QDate(2004, 12, 30), 2, "2005/01/01"},
                          {QDate(2004, 1, 31), 1, "2004/02/01"}};
    for (const Case &c : cases)
        EXPECT_EQ(transfer::stockingDate(c.today, c.days), c.expected) << c.today.toString().toStdString();
}

TEST(StockingDates, ReadingAcceptsYearMonthDayAndRefusesDaysThatDoNotExist)
{
    EXPECT_EQ(transfer::readStockingDate("2004/03/07"), QDate(2004, 3, 7));
    EXPECT_EQ(transfer::readStockingDate("2004/3/7"), QDate(2004, 3, 7));
    EXPECT_EQ(transfer::readStockingDate(" 2004/03/07 "), QDate(2004, 3, 7));
    EXPECT_EQ(transfer::referenceDay(QDate(2004, 3, 7)), QDate(2004, 2, 29));
    for (const char *bad : {"2004/02/30", "2003/02/29", "2004-03-07", "2004/03", "abcd/ef/gh", "2004/03/07/1",
                            "20041/03/07", "2004/003/07", "   "}) {
        try {
            transfer::readStockingDate(bad);
            ADD_FAILURE() << bad << " was read as a day";
        } catch (const data::EDatabaseError &e) {
            EXPECT_EQ(std::string(e.what()), "'" + std::string(bad) + "' is not a valid date");
        }
    }
}

// ---- the line rules -----------------------------------------------------------------------------------

TEST_F(ProposalTest, LinesFollowTheRulesOfNeedAndMainStock)
{
    item("P1", "3", "5", "10");  // need 2, main 10: 2
    item("P2", "0", "7", "4");   // need 7, main 4: 4
    item("P3", "5", "5", "10");  // stock equal to sales: candidate, need 0, discarded
    item("P4", "1", "6", "0");   // main stock 0: discarded
    item("P5", "1", "6", "-2");  // main stock below 0: discarded
    product("P6");               // no stock row in the main warehouse: discarded
    stock("S02", "P6", "0");
    sale("P6", "3");
    item("P7", "10", "3", "10"); // enough stock: no candidate
    product("P8");               // sold without a stock row in the branch: no candidate
    stock("S01", "P8", "10");
    sale("P8", "3");
    item("P9", "2", "6", "4");   // need 4 equal to main 4: 4
    sale("P1", "100", "2004/02/22"); // the earlier week is not looked at
    sale("P7", "2", "2004/02/29", "S03"); // another branch's sales do not count

    ASSERT_TRUE(t.propose("2004/03/07"));
    EXPECT_TRUE(t.messages.shown().empty());
    EXPECT_EQ(t.referenceDays, std::vector<QDate>{QDate(2004, 2, 29)});
    EXPECT_EQ(t.candidateCount, 7) << "P1 P2 P3 P4 P5 P6 P9, also those discarded";

    const std::vector<std::string> order = t.candidates();
    ASSERT_EQ(order.size(), 7u);
    auto position = [&](const std::string &prod) {
        return int(std::find(order.begin(), order.end(), prod) - order.begin()) + 1;
    };
    std::vector<Line> expected = {{position("P1"), "P1", 10, 3, 5, 2},
                                  {position("P2"), "P2", 4, 0, 7, 4},
                                  {position("P9"), "P9", 4, 2, 6, 4}};
    std::sort(expected.begin(), expected.end(), [](const Line &a, const Line &b) { return a.sno < b.sno; });
    EXPECT_EQ(t.lines(), expected) << "kept lines in candidate order, numbered by candidate position";
    EXPECT_TRUE(t.fixedColumnsLocked());
    EXPECT_EQ(t.store.ClientDataSet2.state(), data::TDataSetState::dsBrowse) << "every line is stored";
}

TEST_F(ProposalTest, KeptLinesAreNumberedByCandidatePositionSoADiscardedOneLeavesAGap)
{
    item("A1", "0", "4", "10");
    item("A2", "4", "4", "10"); // discarded
    item("A3", "1", "5", "10");
    ASSERT_TRUE(t.propose("2004/03/07"));
    ASSERT_EQ(t.candidates(), (std::vector<std::string>{"A1", "A2", "A3"}))
        << "the server returned another order; the numbering below assumes this one";
    const std::vector<Line> expected = {{1, "A1", 10, 0, 4, 4}, {3, "A3", 10, 1, 5, 4}};
    EXPECT_EQ(t.lines(), expected);
    EXPECT_EQ(t.candidateCount, 3);
}

TEST_F(ProposalTest, NoSalesOnTheReferenceDayFallsBackOneWeekOnce)
{
    item("P1", "0", "3", "10", "2004/02/22");
    sale("P1", "50", "2004/02/15"); // no further fallback
    ASSERT_TRUE(t.propose("2004/03/07"));
    EXPECT_EQ(t.referenceDays, std::vector<QDate>{QDate(2004, 2, 22)});
    EXPECT_EQ(t.lines(), (std::vector<Line>{{1, "P1", 10, 0, 3, 3}}));
    EXPECT_EQ(t.store.ClientDataSet1.commandText(),
              data::joinLines(sql::candidatesWithMainStock("VIEW_SALQTYS02", "S02", "S01")));
}

TEST_F(ProposalTest, SalesOnTheReferenceDayWithoutCandidatesDoNotFallBack)
{
    item("P1", "10", "3", "10");               // sold on 2004/02/29, but enough stock
    item("P2", "0", "3", "10", "2004/02/22"); // would be a line a week earlier
    ASSERT_TRUE(t.propose("2004/03/07"));
    EXPECT_EQ(t.referenceDays, std::vector<QDate>{QDate(2004, 2, 29)});
    EXPECT_TRUE(t.lines().empty());
    EXPECT_EQ(t.candidateCount, 0);
}

TEST_F(ProposalTest, NoSalesOnEitherDayCreatesTheViewForTheEarlierDayAndAppendsNothing)
{
    item("P1", "0", "3", "10", "2004/02/15");
    ASSERT_TRUE(t.propose("2004/03/07"));
    EXPECT_EQ(t.referenceDays, std::vector<QDate>{QDate(2004, 2, 22)});
    EXPECT_TRUE(t.lines().empty());
    EXPECT_EQ(t.candidateCount, 0);
    EXPECT_EQ(db.scalar("SELECT COUNT(*) FROM VIEW_SALQTYS02"), "0");
    const std::string source = db.scalar("SELECT RDB$VIEW_SOURCE FROM RDB$RELATIONS WHERE RDB$RELATION_NAME = 'VIEW_SALQTYS02'");
    EXPECT_NE(source.find("BILL_DATE = '2004/02/22'"), std::string::npos) << source;
    EXPECT_TRUE(t.fixedColumnsLocked());
}

TEST_F(ProposalTest, TheViewHoldsTheDaysSalesPerProductAsTheServerCastsThem)
{
    item("P1", "0", "2.5", "10");
    sale("P1", "3");     // 5.5 in all: the cast rounds half away from zero
    item("P2", "0", "1.4", "10");
    ASSERT_TRUE(t.propose("2004/03/07"));
    const std::string source = db.scalar("SELECT RDB$VIEW_SOURCE FROM RDB$RELATIONS WHERE RDB$RELATION_NAME = 'VIEW_SALQTYS02'");
    EXPECT_EQ(source,
              "SELECT PROD_ID,CAST(SUM(QTY) AS INT) FROM SAL_SUB \r\n WHERE BILL_DATE = '2004/02/29'\r\n"
              " AND STOCK_ID = 'S02'\r\n GROUP BY PROD_ID")
        << "the server keeps the select of the view as sent, without the blanks around it";
    EXPECT_EQ(db.scalar("SELECT SAL_QTY FROM VIEW_SALQTYS02 WHERE PROD_ID = 'P1'"), "6");
    EXPECT_EQ(db.scalar("SELECT SAL_QTY FROM VIEW_SALQTYS02 WHERE PROD_ID = 'P2'"), "1");
    const std::vector<Line> lines = t.lines();
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0].sold.value_or(-1) + lines[1].sold.value_or(-1), 7);
}

TEST_F(ProposalTest, FractionalStockIsTruncatedTowardZero)
{
    item("F1", "2.5", "5", "4.7");  // branch 2 (need 3), main 4: 3
    item("F2", "-2.5", "1", "9.9"); // branch -2 (need 3), main 9: 3
    item("F3", "0", "5", "0.9");    // main 0: discarded, never offering what the warehouse lacks
    item("F4", "1", "9", "2.999");  // main 2: 2
    ASSERT_TRUE(t.propose("2004/03/07"));
    std::vector<Line> lines = t.lines();
    std::sort(lines.begin(), lines.end(), [](const Line &a, const Line &b) { return a.prodId < b.prodId; });
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0], (Line{lines[0].sno, "F1", 4, 2, 5, 3}));
    EXPECT_EQ(lines[1], (Line{lines[1].sno, "F2", 9, -2, 1, 3}));
    EXPECT_EQ(lines[2], (Line{lines[2].sno, "F4", 2, 1, 9, 2}));
}

// A stock in either warehouse, or a day's sales, beyond the line's 32-bit fields: the proposal goes on without
// the product, keeps its number free and names it among those left out. A product that would not have been
// a line anyway is not named.
// A shop whose stock column is floating-point: stocks beyond even 64 bits leave their products out the same way.
TEST_F(ProposalTest, FloatingPointStocksBeyondAnyIntegerLeaveTheirProductsOut)
{
    db.exec("DROP TABLE STORE_QTY");
    db.exec("CREATE TABLE STORE_QTY (STOCK_ID VARCHAR(10) NOT NULL, PROD_ID VARCHAR(20) NOT NULL, "
            "NOW_QTY DOUBLE PRECISION, PRIMARY KEY (STOCK_ID, PROD_ID))");
    item("A1", "0", "3", "10");
    item("B1", "0", "3", "1E20");  // main stock
    item("B2", "-1E20", "3", "10"); // branch stock
    item("B4", "0", "3", "-1E20");  // nothing in the main warehouse: discarded
    ASSERT_TRUE(t.propose("2004/03/07"));
    EXPECT_EQ(t.candidateCount, 4);
    EXPECT_EQ(t.leftOut, (std::vector<std::string>{"B1", "B2"}));
    const std::vector<Line> lines = t.lines();
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0], (Line{lines[0].sno, "A1", 10, 0, 3, 3}));
}

TEST_F(ProposalTest, QuantitiesBeyondTheLineFieldsLeaveTheirProductsOutAndTheProposalGoesOn)
{
    item("A1", "0", "3", "10");
    item("B1", "0", "3", "9999999999");  // main stock
    item("B2", "-9999999999", "3", "10"); // branch stock
    item("B3", "5", "5", "9999999999");  // nothing to move: discarded, not left out
    item("B4", "0", "3", "-2147483649"); // nothing in the main warehouse: discarded
    item("C1", "1", "6", "4");
    const auto check = [this](const std::vector<std::string> &leftOut, std::vector<Line> expected) {
        const std::vector<std::string> order = t.candidates();
        EXPECT_EQ(t.candidateCount, int(order.size()));
        for (Line &l : expected)
            l.sno = int(std::find(order.begin(), order.end(), l.prodId) - order.begin()) + 1;
        std::sort(expected.begin(), expected.end(), [](const Line &a, const Line &b) { return a.sno < b.sno; });
        EXPECT_EQ(t.lines(), expected);
        std::vector<std::string> inOrder;
        for (const std::string &c : order)
            if (std::find(leftOut.begin(), leftOut.end(), c) != leftOut.end())
                inOrder.push_back(c);
        EXPECT_EQ(t.leftOut, inOrder);
        EXPECT_TRUE(t.fixedColumnsLocked());
        EXPECT_EQ(t.store.ClientDataSet2.state(), data::TDataSetState::dsBrowse);
    };
    ASSERT_TRUE(t.propose("2004/03/07"));
    EXPECT_EQ(t.candidateCount, 6);
    check({"B1", "B2"}, {{0, "A1", 10, 0, 3, 3}, {0, "C1", 4, 1, 6, 4}});

    // A day's sales beyond an integer: the view itself cannot be read; the view stays as it is defined.
    item("D1", "0", "3000000000", "10");
    item("D2", "0", "-3000000000", "10"); // no candidate
    ASSERT_TRUE(t.propose("2004/03/07"));
    EXPECT_EQ(t.candidateCount, 7);
    check({"B1", "B2", "D1"}, {{0, "A1", 10, 0, 3, 3}, {0, "C1", 4, 1, 6, 4}});
    EXPECT_TRUE(t.messages.shown().empty()) << "the caller names them";
    EXPECT_EQ(db.scalar("SELECT RDB$VIEW_SOURCE FROM RDB$RELATIONS WHERE RDB$RELATION_NAME = 'VIEW_SALQTYS02'"),
              "SELECT PROD_ID,CAST(SUM(QTY) AS INT) FROM SAL_SUB \r\n WHERE BILL_DATE = '2004/02/29'\r\n"
              " AND STOCK_ID = 'S02'\r\n GROUP BY PROD_ID");

    // Sales beyond an integer on the fallback day too.
    db.exec("UPDATE SAL_SUB SET BILL_DATE = '2004/02/22'");
    ASSERT_TRUE(t.propose("2004/03/07"));
    EXPECT_EQ(t.referenceDays.back(), QDate(2004, 2, 22));
    check({"B1", "B2", "D1"}, {{0, "A1", 10, 0, 3, 3}, {0, "C1", 4, 1, 6, 4}});

    EXPECT_EQ(transfer::leftOutMessage({"B1", "B2"}), QString::fromUtf8(transfer::LeftOutMessage) + "\nB1、B2");
    std::vector<std::string> many;
    for (int i = 0; i < 25; ++i)
        many.push_back("X" + std::to_string(i));
    EXPECT_TRUE(transfer::leftOutMessage(many).endsWith(QStringLiteral("X19…等 25 項")))
        << transfer::leftOutMessage(many).toStdString();
}

TEST_F(ProposalTest, NamesComeFromTheProductAndNoStatementRunsPerCandidate)
{
    item("P1", "0", "3", "10");
    item("P2", "0", "3", "10");
    ASSERT_TRUE(t.propose("2004/03/07"));
    auto &lines = t.store.ClientDataSet2;
    lines.first();
    EXPECT_EQ(lines.fieldByName("PROD_NAME").asString(), "Name " + lines.fieldByName("PROD_ID").asString());
    EXPECT_EQ(t.store.ClientDataSet1.commandText(),
              data::joinLines(sql::candidatesWithMainStock("VIEW_SALQTYS02", "S02", "S01")));
    EXPECT_EQ(t.store.SQLQuery1.SQL().text(), data::joinLines(sql::ownView("VIEW_SALQTYS02", "2004/02/29", "S02")))
        << "the last statement of the first statement object checked the view";
    EXPECT_FALSE(t.store.SQLQuery1.prepared()) << "and let it go";
}

// The lines against the sequence the shop's proposal has always run on the same data: the candidate list
// (S5), then one look-up of the main stock (S6) per candidate, each line made, numbered and skipped by the
// rules. A few hundred products with several sales lines each, products the main warehouse lacks, products
// without a product row, fractional and negative stock.
TEST_F(ProposalTest, LinesAreThoseOfTheCandidateListWithOneMainStockLookUpPerCandidate)
{
    // ": P" is a variable of the block for the server, and no parameter marker for the statement object.
    db.exec("EXECUTE BLOCK AS DECLARE I INT = 0; DECLARE P VARCHAR(20); BEGIN WHILE (I < 400) DO BEGIN "
            "P = 'R' || MOD(7919 * I, 1000) || '-' || I; "
            "IF (MOD(I, 17) <> 0) THEN INSERT INTO PRODUCT(PROD_ID,PROD_NAME) VALUES(: P, 'Name ' || : P); "
            "INSERT INTO STORE_QTY(STOCK_ID,PROD_ID,NOW_QTY) VALUES('S02', : P, MOD(: I, 6) - 1.5 * MOD(: I, 2)); "
            "IF (MOD(I, 11) <> 0) THEN INSERT INTO STORE_QTY(STOCK_ID,PROD_ID,NOW_QTY) "
            "VALUES('S01', : P, MOD(: I * 3, 9) - 1 + 0.25 * MOD(: I, 4)); "
            "INSERT INTO SAL_SUB(PROD_ID,QTY,BILL_DATE,STOCK_ID) VALUES(: P, MOD(: I, 7) + 0.5, '2004/02/29', 'S02'); "
            "IF (MOD(I, 3) = 0) THEN INSERT INTO SAL_SUB(PROD_ID,QTY,BILL_DATE,STOCK_ID) "
            "VALUES(: P, MOD(: I, 5), '2004/02/29', 'S02'); "
            "IF (MOD(I, 4) = 0) THEN INSERT INTO SAL_SUB(PROD_ID,QTY,BILL_DATE,STOCK_ID) "
            "VALUES(: P, 9, '2004/02/29', 'S03'); "
            "I = I + 1; END END");
    ASSERT_TRUE(t.propose("2004/03/07"));

    // The described sequence, on the view the proposal left.
    data::TSQLQuery candidates(&t.store.SQLConnection1), lookUp(&t.store.SQLConnection1);
    data::setStatement(candidates, sql::candidates("VIEW_SALQTYS02", "S02"));
    candidates.open();
    const auto whole = [](const data::TValue &v) { // as the line table's integer fields keep a value
        return v.isNull() ? std::nullopt : std::optional<int>(int(v.asFloat()));
    };
    std::vector<Line> expected;
    std::vector<std::string> names;
    int position = 0;
    for (; !candidates.eof(); candidates.next()) {
        ++position;
        const std::string prod = candidates.fieldByName("PROD_ID").asString();
        data::setStatement(lookUp, sql::mainStock("S01", prod));
        lookUp.open();
        const auto main = whole(lookUp.fieldByName("NOW_QTY").value());
        const auto branch = whole(candidates.fieldByName("NOW_QTY").value());
        const auto sold = whole(candidates.fieldByName("SAL_QTY").value());
        const int need = *sold - *branch;
        if (!main || std::min(need, *main) <= 0)
            continue;
        expected.push_back({position, prod, main, branch, sold, std::min(need, *main)});
        names.push_back(lookUp.fieldByName("PROD_NAME").asString());
    }
    ASSERT_GT(expected.size(), 100u);
    ASSERT_LT(expected.size(), size_t(position) - 50) << "discarded candidates too";
    EXPECT_EQ(t.candidateCount, position);
    EXPECT_EQ(t.lines(), expected);
    std::vector<std::string> shownNames;
    auto &lines = t.store.ClientDataSet2;
    for (lines.first(); !lines.eof(); lines.next())
        shownNames.push_back(lines.fieldByName("PROD_NAME").asString());
    EXPECT_EQ(shownNames, names);
}

// ---- codes and dates the operator gave ------------------------------------------------------------------

TEST_F(ProposalTest, BranchCodesThatCannotNameAViewAreRefusedBeforeAnyStatement)
{
    item("P1", "0", "3", "10");
    ASSERT_TRUE(t.propose("2004/03/07"));
    const int views = viewCount();
    const std::string command = t.store.ClientDataSet1.commandText();
    const std::string statement = t.store.SQLQuery1.SQL().text();
    for (const std::string code : {"S'02", "S-02", "S 02", "S02;DROP", "\xa4\xc0\xad\xdc", "", "   ", "S\"02"}) {
        t.messages = prompts::ScriptedMessageBox();
        EXPECT_FALSE(t.propose("2004/03/07", code)) << code;
        EXPECT_EQ(t.messages.texts(), QStringList{QString::fromUtf8(transfer::BranchCodeMessage)}) << code;
        EXPECT_EQ(t.messages.shown()[0].kind, prompts::MsgKind::Warning);
        EXPECT_EQ(t.store.ClientDataSet1.commandText(), command) << "no statement ran for " << code;
        EXPECT_EQ(t.store.SQLQuery1.SQL().text(), statement);
    }
    EXPECT_EQ(viewCount(), views);
    EXPECT_EQ(t.lines().size(), 1u);
}

TEST_F(ProposalTest, WarehouseCodesMustNameWarehousesAsStoredAndDiffer)
{
    for (const char *code : {"S01", "S02", "s03", "S03"})
        db.exec(std::string("INSERT INTO STOCK_ITEM(STOCK_ID,STOCK_NAME) VALUES('") + code + "','')");
    const struct {
        std::string branch, main;
        std::optional<QString> message;
    } cases[] = {
        {"S02", "S01", std::nullopt},
        {"s03", "S01", std::nullopt},
        {"S03", "s03", std::nullopt},
        {"", "S01", QStringLiteral("請輸入分倉代號..!")},
        {"S02", "", QStringLiteral("請輸入總倉代號..!")},
        {"S99", "S01", QStringLiteral("分倉代號「S99」不是倉庫代號..!")},
        {"s02", "S01", QStringLiteral("分倉代號「s02」不是倉庫代號..!\n是否為「S02」?")},
        {"S02", "s01", QStringLiteral("總倉代號「s01」不是倉庫代號..!\n是否為「S01」?")},
        {"S0'2;--", "S01", QStringLiteral("分倉代號「S0'2;--」不是倉庫代號..!")},
        {"S02", "S02", QStringLiteral("分倉代號與總倉代號不可相同..!")},
        {"S0123456789", "S01", QStringLiteral("分倉代號「S0123456789」不是倉庫代號..!")},
        {"S02", "\xa4\xc0\xad\xdc\xa4\xc0\xad\xdc\xa4\xc0\xad\xdc", QStringLiteral("總倉代號「分倉分倉分倉」不是倉庫代號..!")},
    };
    for (const auto &c : cases)
        EXPECT_EQ(transfer::checkWarehouseCodes(t.store.SQLQuery1, c.branch, c.main), c.message)
            << c.branch << " / " << c.main;
}

TEST_F(ProposalTest, BranchCodesAreTrimmedAndALowerCaseCodeWorksAtEveryProposal)
{
    item("P1", "0", "3", "10");
    ASSERT_TRUE(t.propose("2004/03/07", "  S02\t "));
    EXPECT_EQ(t.lines().size(), 1u);

    for (int run = 0; run < 3; ++run) {
        ASSERT_TRUE(t.propose("2004/03/07", "s02")) << "run " << run;
        EXPECT_EQ(t.store.ClientDataSet1.commandText(),
                  data::joinLines(sql::candidatesWithMainStock("VIEW_SALQTYs02", "s02", "S01")));
    }
    EXPECT_EQ(db.scalar("SELECT COUNT(*) FROM RDB$RELATIONS WHERE RDB$RELATION_NAME = 'VIEW_SALQTYS02'"), "1");
    EXPECT_TRUE(t.messages.shown().empty());
}

TEST_F(ProposalTest, AnEmptyOrUnknownMainWarehouseGivesNoLines)
{
    item("P1", "0", "3", "10");
    item("P2", "0", "3", "10");
    for (const std::string code : {"", "  ", "S99", "S0'1"}) {
        ASSERT_TRUE(t.propose("2004/03/07", "S02", code)) << code;
        EXPECT_EQ(t.candidateCount, 2) << code;
        EXPECT_TRUE(t.lines().empty()) << code;
    }
}

TEST_F(ProposalTest, QuotesInCodesAndProductsAreDoubledAndFindTheirRows)
{
    item("Q'1", "0", "3", "10");
    stock("M'1", "Q'1", "2");
    ASSERT_TRUE(t.propose("2004/03/07", "S02", " M'1 "));
    EXPECT_EQ(t.lines(), (std::vector<Line>{{1, "Q'1", 2, 0, 3, 2}}));
    EXPECT_TRUE(t.messages.shown().empty());
}

TEST_F(ProposalTest, AnEmptyStockingDateStopsSilently)
{
    item("P1", "0", "3", "10");
    EXPECT_FALSE(t.propose(""));
    EXPECT_TRUE(t.messages.shown().empty());
    EXPECT_TRUE(t.referenceDays.empty());
    EXPECT_FALSE(t.store.ClientDataSet1.active());
    EXPECT_EQ(viewCount(), 0);
}

TEST_F(ProposalTest, ADayThatDoesNotExistStopsBeforeAnyStatement)
{
    item("P1", "0", "3", "10");
    ASSERT_TRUE(t.propose("2004/03/07"));
    try {
        t.propose("2004/02/30");
        FAIL() << "a day that does not exist was proposed for";
    } catch (const data::EDatabaseError &e) {
        EXPECT_EQ(std::string(e.what()), "'2004/02/30' is not a valid date");
    }
    EXPECT_EQ(viewCount(), 1) << "the view is still there";
}

TEST_F(ProposalTest, AStockingDateNotWrittenAsTenCharactersIsRefusedAfterTheViewWasDropped)
{
    item("P1", "0", "3", "10");
    ASSERT_TRUE(t.propose("2004/03/07"));
    ASSERT_EQ(viewCount(), 1);
    EXPECT_FALSE(t.propose("2004/3/7"));
    EXPECT_EQ(t.messages.texts(), QStringList{QString::fromUtf8(transfer::DateFormatMessage)});
    EXPECT_EQ(viewCount(), 0);
    EXPECT_EQ(t.referenceDays.size(), 1u);
    EXPECT_EQ(t.lines().size(), 1u);
}

// ---- repeated proposals and lines left pending -------------------------------------------------------

// Pressed again, with the lines the operator added by hand from the board in between: the new proposal takes
// the place of the previous one's lines, the lines added by hand follow it, numbered after its candidates,
// and a line added by hand for a product the new proposal has a line for goes: no product is there twice.
TEST_F(ProposalTest, ARepeatedProposalReplacesItsLinesAndKeepsTheLinesAddedByHandAfterThem)
{
    item("P1", "0", "3", "10");
    item("P2", "1", "3", "10");
    item("P3", "0", "2", "10");
    product("H1");
    stock("S01", "H1", "5");
    product("H2");
    stock("S01", "H2", "8");
    stock("S02", "H2", "0");
    ASSERT_TRUE(t.propose("2004/03/07"));
    ASSERT_EQ(t.lines().size(), 3u);
    const auto addByHand = [this](int sno, const std::string &prod, int main, int move) {
        const transfer::LineTable lines(t.store.ClientDataSet2);
        lines.lockFixedColumns(false);
        lines.set().append();
        lines.sno().setAsInteger(sno);
        lines.prodId().setAsString(prod);
        lines.mainStock().setAsInteger(main);
        lines.sold().setAsInteger(0);
        lines.toMove().setAsInteger(move);
        lines.set().post();
        lines.lockFixedColumns(true);
    };
    addByHand(4, "H1", 5, 2);
    addByHand(5, "H2", 8, 1);

    db.exec("UPDATE STORE_QTY SET NOW_QTY = 9 WHERE STOCK_ID = 'S02' AND PROD_ID = 'P3'"); // no longer short
    db.exec("UPDATE SAL_SUB SET QTY = 7 WHERE PROD_ID = 'P1'");
    sale("H2", "4");
    sale("P9", "4"); // sold without a stock row: no candidate
    ASSERT_TRUE(t.propose("2004/03/07"));
    EXPECT_EQ(t.candidateCount, 3) << "H2 P1 P2";
    const std::vector<std::string> order = t.candidates();
    auto position = [&](const std::string &prod) {
        return int(std::find(order.begin(), order.end(), prod) - order.begin()) + 1;
    };
    std::vector<Line> expected = {{position("H2"), "H2", 8, 0, 4, 4},
                                  {position("P1"), "P1", 10, 0, 7, 7},
                                  {position("P2"), "P2", 10, 1, 3, 2}};
    std::sort(expected.begin(), expected.end(), [](const Line &a, const Line &b) { return a.sno < b.sno; });
    expected.push_back({4, "H1", 5, std::nullopt, 0, 2});
    EXPECT_EQ(t.lines(), expected);
    EXPECT_TRUE(t.fixedColumnsLocked());
    EXPECT_EQ(t.store.ClientDataSet2.state(), data::TDataSetState::dsBrowse);

    // With no candidate at all, only the lines added by hand stay; numbered after no candidate.
    db.exec("DELETE FROM SAL_SUB");
    ASSERT_TRUE(t.propose("2004/03/07"));
    EXPECT_EQ(t.lines(), (std::vector<Line>{{1, "H1", 5, std::nullopt, 0, 2}}));
    EXPECT_EQ(viewCount(), 1);
}

// A shop whose stock table keeps its codes in a CHAR column: the candidates' codes come padded with blanks, and
// a line added by hand from the board (whose codes are not padded) still counts as the same product.
TEST_F(ProposalTest, ALineAddedByHandGoesForItsProposedProductAlsoWhenStockCodesArePadded)
{
    db.exec("DROP TABLE STORE_QTY");
    db.exec("CREATE TABLE STORE_QTY (STOCK_ID CHAR(10) NOT NULL, PROD_ID CHAR(20) NOT NULL, "
            "NOW_QTY NUMERIC(15,3), PRIMARY KEY (STOCK_ID, PROD_ID))");
    item("P1", "0", "3", "10");
    ASSERT_TRUE(t.propose("2004/03/07"));
    const transfer::LineTable lines(t.store.ClientDataSet2);
    lines.lockFixedColumns(false);
    lines.set().append();
    lines.sno().setAsInteger(2);
    lines.prodId().setAsString("P1");
    lines.mainStock().setAsInteger(10);
    lines.toMove().setAsInteger(1);
    lines.set().post();
    lines.lockFixedColumns(true);
    ASSERT_TRUE(t.propose("2004/03/07"));
    ASSERT_EQ(t.lines().size(), 1u) << "P1 once";
    EXPECT_EQ(t.lines()[0].sno, 1);
    EXPECT_EQ(t.lines()[0].move, 3);
}

TEST_F(ProposalTest, ALineTheOperatorLeftPendingWithTooLargeAQuantityStopsTheProposal)
{
    item("P1", "0", "3", "10");
    auto &lines = t.store.ClientDataSet2;
    lines.beforePost = [this](data::TClientDataSet &set) { transfer::checkQuantity(set, t.messages); };
    lines.append();
    lines.fieldByName("PROD_ID").setAsString("X");
    lines.fieldByName("T_QTY").setAsInteger(10);
    lines.fieldByName("M_QTY").setAsInteger(11);
    EXPECT_THROW(t.propose("2004/03/07"), data::EAbort);
    EXPECT_EQ(t.messages.texts(), QStringList{QString::fromUtf8(transfer::QuantityTooLargeMessage)})
        << "the check's message, once";
    EXPECT_EQ(lines.state(), data::TDataSetState::dsInsert) << "the operator's line stays pending";
    EXPECT_EQ(lines.fieldByName("M_QTY").asInteger(), 11);
    EXPECT_TRUE(t.fixedColumnsLocked());
    lines.cancel();
    EXPECT_TRUE(t.lines().empty());
}

// ---- two terminals ------------------------------------------------------------------------------------

/// Ends the test program when the guarded work does not finish in time: a hang fails instead of blocking.
class HangGuard {
public:
    HangGuard(const char *what, std::chrono::seconds limit)
        : watcher_([this, what, limit] {
              std::unique_lock lock(mutex_);
              if (!done_.wait_for(lock, limit, [this] { return finished_; })) {
                  std::fprintf(stderr, "HANG: %s did not finish within %lld s\n", what, (long long)limit.count());
                  std::fflush(stderr);
                  std::_Exit(EXIT_FAILURE);
              }
          })
    {
    }
    ~HangGuard()
    {
        {
            std::lock_guard lock(mutex_);
            finished_ = true;
        }
        done_.notify_one();
        watcher_.join();
    }

private:
    std::mutex mutex_;
    std::condition_variable done_;
    bool finished_ = false;
    std::thread watcher_;
};

// Another program, which takes no lock, makes the view between this proposal's drop and its creation: the
// creation fails, and the proposal makes the view again, for its own day.
TEST_F(ProposalTest, AViewMadeElsewhereAtTheSameMomentIsMadeAgainForTheProposalsOwnDay)
{
    item("P1", "0", "3", "10");
    item("P2", "0", "4", "10", "2004/03/01");
    int made = 0;
    t.meanwhile = [&] {
        if (made++ == 0)
            db.exec("CREATE VIEW VIEW_SALQTYS02(PROD_ID,SAL_QTY) AS SELECT PROD_ID,CAST(SUM(QTY) AS INT) FROM SAL_SUB "
                    "WHERE BILL_DATE = '2004/03/01' GROUP BY PROD_ID");
    };
    const HangGuard guard("a proposal meeting a view made elsewhere", std::chrono::seconds(60));
    ASSERT_TRUE(t.propose("2004/03/07"));
    EXPECT_EQ(made, 2) << "the view was made again";
    EXPECT_EQ(t.lines(), (std::vector<Line>{{1, "P1", 10, 0, 3, 3}}));
    EXPECT_NE(db.scalar("SELECT RDB$VIEW_SOURCE FROM RDB$RELATIONS WHERE RDB$RELATION_NAME = 'VIEW_SALQTYS02'")
                  .find("BILL_DATE = '2004/02/29'"),
              std::string::npos);
    EXPECT_TRUE(t.messages.shown().empty());
}

// The check that the view is the proposal's own holds the view while its statement stays prepared: another
// terminal's drop waits until it is let go. A view made for another day or branch is not the proposal's.
TEST_F(ProposalTest, TheCheckOfTheViewHoldsItAgainstADropUntilLetGo)
{
    item("P1", "0", "3", "10");
    ASSERT_TRUE(t.propose("2004/03/07"));
    data::TSQLQuery &check = t.store.SQLQuery1;
    for (const auto &[day, branch] : {std::pair{"2004/02/22", "S02"}, std::pair{"2004/02/29", "S03"}}) {
        data::setStatement(check, sql::ownView("VIEW_SALQTYS02", day, branch));
        check.open();
        EXPECT_EQ(check.recordCount(), 0) << day << " " << branch;
    }
    data::setStatement(check, sql::ownView("VIEW_SALQTYs02", "2004/02/29", "S02"));
    check.open();
    ASSERT_EQ(check.recordCount(), 1);

    Terminal other(db.programDir());
    const HangGuard guard("a drop waiting for the check of the view", std::chrono::seconds(60));
    std::atomic<bool> dropped = false;
    std::thread drop([&] {
        data::setStatement(other.store.SQLQuery1, sql::dropView("VIEW_SALQTYS02"));
        other.store.SQLQuery1.execSQL();
        dropped = true;
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    EXPECT_FALSE(dropped) << "the drop waits while the check is prepared";
    check.unprepare();
    drop.join();
    EXPECT_TRUE(dropped);
    EXPECT_EQ(viewCount(), 0);
}

TEST_F(ProposalTest, TwoTerminalsProposeForTheSameBranchInTurnWhileTheOtherShowsItsLines)
{
    item("P1", "0", "3", "10");
    item("P2", "1", "4", "10");
    item("P3", "2", "2", "10");
    Terminal other(db.programDir());
    const HangGuard guard("two terminals proposing for one branch", std::chrono::seconds(60));
    for (int round = 0; round < 3; ++round) {
        ASSERT_TRUE(t.propose("2004/03/07")) << "round " << round;
        ASSERT_TRUE(other.propose("2004/03/07")) << "round " << round;
    }
    EXPECT_EQ(t.lines().size(), 2u);
    EXPECT_EQ(other.lines().size(), 2u);
    // A terminal whose last proposal found nothing must not hold the view either.
    db.exec("DELETE FROM SAL_SUB");
    ASSERT_TRUE(t.propose("2004/03/07"));
    ASSERT_TRUE(other.propose("2004/03/07"));
    ASSERT_TRUE(t.propose("2004/03/07"));
    EXPECT_TRUE(t.lines().empty());
    EXPECT_TRUE(t.messages.shown().empty());
    EXPECT_TRUE(other.messages.shown().empty());
}

} // namespace
