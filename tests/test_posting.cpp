// Posting a transfer: the confirmation button of the real screen on a real embedded shop database, from the
// bill number to the header and lines written in one transaction and the question that follows.

#include "PostingShop.h"
#include "ScreenFixture.h"

#include "data/DbError.h"
#include "data/IniFile.h"
#include "terminal/Journal.h"
#include "transfer/core/BillWriter.h"
#include "transfer/core/LineTable.h"
#include "transfer/core/QuantityCheck.h"
#include "widgets/CodePageEdit.h"
#include "widgets/ImageButton.h"

#include <QApplication>
#include <QFile>
#include <QPlainTextEdit>
#include <QTest>

#include <gtest/gtest.h>

using transfer::TFormTouchMove;
using prompts::MsgResult;

namespace {

const QString WrittenQuestion = QStringLiteral("資料寫入完成..!,是否列印..");
const QString WriteFailed = QStringLiteral("資料寫入失敗..!,請重新輸出..");
const QString QuantityTooLarge = QString::fromUtf8(transfer::QuantityTooLargeMessage);
const QString NothingToPost = QString::fromUtf8(transfer::NothingToPostMessage);
QString repostQuestion(const char *billNo) { return QString::fromUtf8(transfer::RepostQuestion).arg(billNo); }

/// The journal's lines while the object lives.
class JournalLines {
public:
    JournalLines() { previous_ = qInstallMessageHandler(&JournalLines::note); }
    ~JournalLines()
    {
        qInstallMessageHandler(previous_);
        lines().clear();
    }
    static QStringList &lines()
    {
        static QStringList noted;
        return noted;
    }

private:
    static void note(QtMsgType, const QMessageLogContext &context, const QString &message)
    {
        if (context.category && QLatin1String(context.category) == QLatin1String(terminal::journal().categoryName()))
            lines().append(message);
    }
    QtMessageHandler previous_;
};

class Posting : public ::testing::Test, public ScreenFixture {
protected:
    Posting()
    {
        prepareShop(db);
        clock.moment = QDateTime(QDate(2004, 3, 1), QTime(9, 30, 0, 7));
    }

    TFormTouchMove &s() { return screen(); }
    data::TClientDataSet &lines() { return screen().store.ClientDataSet2; }

    void confirm()
    {
        QTest::mouseClick(s().fcImageBtn2, Qt::LeftButton);
        EXPECT_EQ(QApplication::overrideCursor(), nullptr) << "the busy cursor is restored on every path";
    }
    std::string count(const std::string &table) { return db.scalar("SELECT COUNT(*) FROM " + table); }
    std::string counter() { return db.scalar("SELECT LAST_ID FROM TEMP_MOVEID WHERE BILL_DATE = '2004/03/01'"); }
    QStringList memo() { return s().Memo1->toPlainText().split('\n', Qt::SkipEmptyParts); }
    std::unique_ptr<data::TSQLConnection> reader = db.connection();
};

} // namespace

TEST(SalespersonCode, TextBeforeTheFirstUnderscore)
{
    struct Case {
        std::string text, code;
    };
    const Case cases[] = {
        {"A01_" + cp950("王小明"), "A01"},
        {cp950("王小明"), ""},
        {"", ""},
        {"_A01", ""},
        {"A01_B_C", "A01"},
        {cp950("北區_王"), cp950("北區")},  // 北 ends in the byte of "_"
        {cp950("台北店"), ""},               // ... which is no underscore
    };
    for (const Case &c : cases)
        EXPECT_EQ(transfer::salespersonCode(c.text), c.code) << c.text;
}

TEST_F(Posting, BillWithEveryKindOfLine)
{
    auto &l = lines();
    addLine(l, 1, "P001", cp950("青禾肉燥麵"), 10, 4);
    addLine(l, 2, "P002", cp950("鮮乳"), 5, 5);
    addLine(l, 3, "P404", cp950("舊品"), 3, 2);        // no PRODUCT row
    addLine(l, 4, "P'03", cp950("蘋果汽水"), 8, 1);    // a quote in the code
    addLine(l, 5, "P005", "zero", 8, 0);
    addLine(l, 6, "P006", "empty quantity", 8, std::nullopt);
    addLine(l, 7, "", "no code", 8, 1);
    addLine(l, 8, "P008", "below zero", 8, -2);
    transfer::LineTable(s().store.ClientDataSet2).lockFixedColumns(true);
    messages.queue(MsgResult::Yes);
    const JournalLines journal;
    confirm();

    EXPECT_EQ(journal.lines(), QStringList({"posted bill 200403010001: 4 lines, quantity 12, S01 -> S02, user A01, "
                                            "2004/03/01 09:30:00",
                                            "preview of bill 200403010001"}));
    EXPECT_TRUE(errors.shown.isEmpty()) << errors.shown.join("\n").toStdString();
    EXPECT_EQ(memo(), QStringList({"調撥單號:200403010001", "調撥日期:2004/03/01", "撥出倉庫:S01  撥入倉庫:S02"}));
    EXPECT_EQ(s().BillNo, "200403010001");
    EXPECT_EQ(counter(), "2");
    ASSERT_EQ(messages.texts(), QStringList({WrittenQuestion}));
    EXPECT_EQ(messages.shown()[0].kind, prompts::MsgKind::Confirmation);
    EXPECT_EQ(messages.shown()[0].buttons, prompts::MsgButtons::YesNo);
    EXPECT_EQ(moduleCalls(db.programDir()).size(), 1u) << "Yes opens the preview";
    for (int i = 0; i < transfer::FixedColumnCount; ++i)
        EXPECT_FALSE(l.fields(i).readOnly()) << "fixed column " << i << " unlocked after the posting";
    EXPECT_FALSE(s().store.SQLConnection2.inTransaction());

    EXPECT_EQ(rowText(*reader, "SELECT * FROM MOVE_MASTER"),
              "MASTERBILLID=200403010001|BILL_DATE=2004/03/01|S_STOCKID=S01|T_STOCKID=S02|STORE_ID=K001  |"
              "CHG_DATE=2004/03/01|CHG_USER=A01");
    EXPECT_EQ(count("MOVE_SUB"), "4");
    const std::string common = "|STORE_ID=K001  |S_STOCKID=S01|T_STOCKID=S02|CHG_DATE=2004/03/01|CHG_USER=|"
                               "BILL_DATE=2004/03/01";
    EXPECT_EQ(rowText(*reader, "SELECT * FROM MOVE_SUB WHERE PROD_ID = 'P001'"),
              "MASTERBILLID=200403010001|KEYINTIME=09:30:00 07|PROD_ID=P001|PROD_NAME=" + cp950("青禾肉燥麵") +
                  "|PROD_SCALE=" + cp950("5入") + "|QTY=4|UNITNAME=" + cp950("包") + "|TEMPPRODID=P001|V_QTY=4|V_UNIT=" +
                  cp950("包") + "|PACK1_QTY=24|PACK1_NAME=" + cp950("箱") + "|PACK2_QTY=12.5|PACK2_NAME=" + cp950("打") +
                  "|PD_ITEMID=IT001|REMARK=" + common);
    EXPECT_EQ(rowText(*reader, "SELECT * FROM MOVE_SUB WHERE PROD_ID = 'P002'"),
              "MASTERBILLID=200403010001|KEYINTIME=09:30:00 07|PROD_ID=P002|PROD_NAME=" + cp950("鮮乳") +
                  "|PROD_SCALE=|QTY=5|UNITNAME=" + cp950("瓶") + "|TEMPPRODID=P002|V_QTY=5|V_UNIT=" + cp950("瓶") +
                  "|PACK1_QTY=<null>|PACK1_NAME=" + cp950("箱") + "|PACK2_QTY=<null>|PACK2_NAME=" + cp950("打") +
                  "|PD_ITEMID=|REMARK=" + common);
    EXPECT_EQ(rowText(*reader, "SELECT * FROM MOVE_SUB WHERE PROD_ID = 'P404'"),
              "MASTERBILLID=200403010001|KEYINTIME=09:30:00 07|PROD_ID=P404|PROD_NAME=" + cp950("舊品") +
                  "|PROD_SCALE=|QTY=2|UNITNAME=|TEMPPRODID=P404|V_QTY=2|V_UNIT=|PACK1_QTY=<null>|PACK1_NAME=|"
                  "PACK2_QTY=<null>|PACK2_NAME=|PD_ITEMID=|REMARK=" + common);
    EXPECT_EQ(db.scalar("SELECT PACK1_QTY FROM MOVE_SUB WHERE PROD_ID = 'P''03'"), "6");
}

// A bill of more lines than one read of products takes: each line still gets its own product's values, as
// a read of that product alone gives them (a missing product gives empty texts, a code twice both lines).
TEST_F(Posting, EveryLineOfALongBillTakesItsOwnProduct)
{
    db.exec("INSERT INTO PRODUCT(PROD_ID,PROD_NAME,PROD_SCALE,UNITNAME,PACK1,PACK1_QTY,PACK2,PACK2_QTY,PD_ITEMID) "
            "WITH RECURSIVE N(I) AS (SELECT 1 FROM RDB$DATABASE UNION ALL SELECT I + 1 FROM N WHERE I < 260) "
            "SELECT 'Q' || LPAD(I, 3, '0'), 'name ' || I, 'S' || I, 'U' || I, IIF(MOD(I, 5) = 0, NULL, 'A' || I), "
            "IIF(MOD(I, 3) = 0, NULL, I), 'B' || I, I / 4.0, 'I' || I FROM N");
    auto &l = lines();
    int expected = 0;
    for (int i = 1; i <= 262; ++i) {
        const int n = i <= 260 ? 261 - i : 5; // the codes backwards, then Q005 once more
        const std::string code = i == 262 ? "Q999" : QString("Q%1").arg(n, 3, 10, QChar('0')).toStdString();
        const int quantity = i % 7;
        addLine(l, i, code, "line " + std::to_string(i), 100, quantity);
        expected += quantity > 0;
    }
    messages.queue(MsgResult::Yes);
    confirm();
    ASSERT_EQ(messages.texts(), QStringList({WrittenQuestion}));
    EXPECT_EQ(count("MOVE_SUB"), std::to_string(expected));
    EXPECT_EQ(db.scalar("SELECT COUNT(*) FROM MOVE_SUB WHERE PROD_ID = 'Q005'"), "2");
    EXPECT_EQ(db.scalar("SELECT COUNT(*) FROM MOVE_SUB S LEFT JOIN PRODUCT P ON P.PROD_ID = S.PROD_ID WHERE "
                        "S.PROD_SCALE IS DISTINCT FROM COALESCE(P.PROD_SCALE, '') OR "
                        "S.UNITNAME IS DISTINCT FROM COALESCE(P.UNITNAME, '') OR "
                        "S.V_UNIT IS DISTINCT FROM COALESCE(P.UNITNAME, '') OR "
                        "S.PACK1_QTY IS DISTINCT FROM P.PACK1_QTY OR S.PACK1_NAME IS DISTINCT FROM COALESCE(P.PACK1, '') OR "
                        "S.PACK2_QTY IS DISTINCT FROM P.PACK2_QTY OR S.PACK2_NAME IS DISTINCT FROM COALESCE(P.PACK2, '') OR "
                        "S.PD_ITEMID IS DISTINCT FROM COALESCE(P.PD_ITEMID, '') OR S.TEMPPRODID <> S.PROD_ID OR "
                        "S.V_QTY <> S.QTY"),
              "0");
    EXPECT_EQ(db.scalar("SELECT PROD_SCALE || '|' || UNITNAME || '|' || IIF(PACK1_QTY IS NULL, 'null', 'set') "
                        "FROM MOVE_SUB WHERE PROD_ID = 'Q999'"),
              "||null");
}

TEST_F(Posting, StatementTextsAndParametersAsSent)
{
    addLine(lines(), 1, "P001", cp950("青禾肉燥麵"), 10, 4);
    messages.queue(MsgResult::Yes);
    confirm();

    auto &master = s().store.SQL_Master;
    ASSERT_EQ(master.SQL().count(), 2);
    EXPECT_EQ(master.SQL()[0], "INSERT INTO MOVE_MASTER(MASTERBILLID,BILL_DATE,S_STOCKID,T_STOCKID,STORE_ID,CHG_DATE,CHG_USER)");
    EXPECT_EQ(master.SQL()[1], " VALUES(:MASTERBILLID,:BILL_DATE,:S_STOCKID,:T_STOCKID,:STORE_ID,:CHG_DATE,:CHG_USER) ");
    const std::pair<const char *, std::string> header[] = {
        {"MASTERBILLID", "200403010001"}, {"BILL_DATE", "2004/03/01"}, {"S_STOCKID", "S01"}, {"T_STOCKID", "S02"},
        {"STORE_ID", "K001  "},           {"CHG_DATE", "2004/03/01"},  {"CHG_USER", "A01"}};
    ASSERT_EQ(master.params().count(), 7);
    for (int i = 0; i < 7; ++i) {
        EXPECT_EQ(master.params()[i].name(), header[i].first);
        EXPECT_EQ(master.params()[i].dataType(), data::TFieldType::ftString) << header[i].first;
        EXPECT_EQ(master.params()[i].value().asString(), header[i].second) << header[i].first;
    }

    auto &sub = s().store.SQL_Sub;
    const char *text[] = {"Insert into MOVE_SUB(MASTERBILLID,KEYINTIME,PROD_ID,PROD_NAME,PROD_SCALE,QTY,",
                          "UNITNAME,TEMPPRODID,V_QTY,V_UNIT,PACK1_QTY,PACK1_NAME,PACK2_QTY,PACK2_NAME,",
                          "PD_ITEMID,REMARK,STORE_ID,S_STOCKID,T_STOCKID,CHG_DATE,CHG_USER,BILL_DATE)",
                          " VALUES (:MASTERBILLID,:KEYINTIME,:PROD_ID,:PROD_NAME,:PROD_SCALE,:QTY,",
                          ":UNITNAME,:TEMPPRODID,:V_QTY,:V_UNIT,:PACK1_QTY,:PACK1_NAME,:PACK2_QTY,:PACK2_NAME,",
                          ":PD_ITEMID,:REMARK,:STORE_ID,:S_STOCKID,:T_STOCKID,:CHG_DATE,:CHG_USER,:BILL_DATE)"};
    ASSERT_EQ(sub.SQL().count(), 6);
    for (int i = 0; i < 6; ++i)
        EXPECT_EQ(sub.SQL()[i], text[i]);
    using data::TFieldType;
    const struct {
        const char *name;
        TFieldType type;
        std::string value;
    } line[] = {{"MASTERBILLID", TFieldType::ftString, "200403010001"},
                {"KEYINTIME", TFieldType::ftString, "09:30:00 07"},
                {"PROD_ID", TFieldType::ftString, "P001"},
                {"PROD_NAME", TFieldType::ftString, cp950("青禾肉燥麵")},
                {"PROD_SCALE", TFieldType::ftString, cp950("5入")},
                {"QTY", TFieldType::ftInteger, "4"},
                {"UNITNAME", TFieldType::ftString, cp950("包")},
                {"TEMPPRODID", TFieldType::ftString, "P001"},
                {"V_QTY", TFieldType::ftInteger, "4"},
                {"V_UNIT", TFieldType::ftString, cp950("包")},
                {"PACK1_QTY", TFieldType::ftBCD, "24"},
                {"PACK1_NAME", TFieldType::ftString, cp950("箱")},
                {"PACK2_QTY", TFieldType::ftBCD, "12.5"},
                {"PACK2_NAME", TFieldType::ftString, cp950("打")},
                {"PD_ITEMID", TFieldType::ftString, "IT001"},
                {"REMARK", TFieldType::ftString, ""},
                {"STORE_ID", TFieldType::ftString, "K001  "},
                {"S_STOCKID", TFieldType::ftString, "S01"},
                {"T_STOCKID", TFieldType::ftString, "S02"},
                {"CHG_DATE", TFieldType::ftString, "2004/03/01"},
                {"CHG_USER", TFieldType::ftString, ""},
                {"BILL_DATE", TFieldType::ftString, "2004/03/01"}};
    ASSERT_EQ(sub.params().count(), 22);
    for (int i = 0; i < 22; ++i) {
        EXPECT_EQ(sub.params()[i].name(), line[i].name);
        EXPECT_EQ(sub.params()[i].dataType(), line[i].type) << line[i].name;
        EXPECT_EQ(sub.params()[i].value().asString(), line[i].value) << line[i].name;
    }
}

TEST_F(Posting, TimeOfWritingWithAtLeastTwoMillisecondDigits)
{
    clock.moment = QDateTime(QDate(2004, 3, 1), QTime(14, 30, 59, 125));
    addLine(lines(), 1, "P001", "x", 10, 1);
    confirm();
    EXPECT_EQ(db.scalar("SELECT KEYINTIME FROM MOVE_SUB"), "14:30:59 125");
}

// Nothing to post: the operator is told and no number is drawn; the last bill stays the one shown.
TEST_F(Posting, EmptyTableSaysSoAndDrawsNoNumber)
{
    confirm();
    EXPECT_EQ(messages.texts(), QStringList({NothingToPost}));
    EXPECT_EQ(messages.shown()[0].kind, prompts::MsgKind::Warning);
    EXPECT_EQ(counter(), "") << "no counter row: nothing was drawn";
    EXPECT_EQ(s().BillNo, "");
    EXPECT_TRUE(memo().isEmpty());
    EXPECT_EQ(count("MOVE_MASTER"), "0");
    EXPECT_TRUE(errors.shown.isEmpty());

    addLine(lines(), 1, "P001", "a", 10, 4);
    messages.queue(MsgResult::Yes);
    confirm();
    lines().first();
    lines().remove();
    messages.clear();
    confirm();
    EXPECT_EQ(messages.texts(), QStringList({NothingToPost}));
    EXPECT_EQ(counter(), "2");
    EXPECT_EQ(s().BillNo, "200403010001") << "the posted bill stays the one the preview shows";
    EXPECT_EQ(memo().value(0), "調撥單號:200403010001");
}

TEST_F(Posting, ALineStillBeingAddedCountsAsNoLine)
{
    auto &l = lines();
    l.append();
    l.fieldByName("PROD_ID").setAsString("P001");
    l.fieldByName("T_QTY").setAsInteger(10);
    l.fieldByName("M_QTY").setAsInteger(3);
    confirm();
    EXPECT_EQ(count("MOVE_MASTER"), "0");
    EXPECT_EQ(messages.texts(), QStringList({NothingToPost}));
    EXPECT_EQ(l.state(), data::TDataSetState::dsInsert) << "the line being added stays as it was";
    EXPECT_EQ(counter(), "");
}

// Codes that name no warehouse, or the same warehouse twice, are refused before a number is drawn.
TEST_F(Posting, WarehouseCodesAreCheckedBeforeTheDraw)
{
    db.exec("INSERT INTO STOCK_ITEM(STOCK_ID,STOCK_NAME) VALUES('s01','lower case')");
    addLine(lines(), 1, "P001", "a", 10, 4);
    const struct {
        const char *branch, *main, *message;
    } cases[] = {
        {"S0'2;--", "S01", "分倉代號「S0'2;--」不是倉庫代號..!"},
        {"s02", "S01", "分倉代號「s02」不是倉庫代號..!\n是否為「S02」?"},
        {"S02", "S09", "總倉代號「S09」不是倉庫代號..!"},
        {"", "S01", "請輸入分倉代號..!"},
        {"S02", " S02", "分倉代號與總倉代號不可相同..!"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.branch + std::string(" / ") + c.main);
        messages.clear();
        s().bsSkinEdit1->setText(QString::fromUtf8(c.branch));
        s().bsSkinEdit2->setText(QString::fromUtf8(c.main));
        confirm();
        EXPECT_EQ(messages.texts(), QStringList({QString::fromUtf8(c.message)}));
        EXPECT_EQ(counter(), "");
        EXPECT_EQ(s().BillNo, "");
        EXPECT_TRUE(memo().isEmpty());
    }
    EXPECT_EQ(count("MOVE_MASTER"), "0");
    EXPECT_TRUE(errors.shown.isEmpty()) << errors.shown.join("\n").toStdString();

    // A code that differs from another only in case is a warehouse of its own.
    messages.clear();
    s().bsSkinEdit1->setText("S02");
    s().bsSkinEdit2->setText("s01");
    messages.queue(MsgResult::Yes);
    confirm();
    EXPECT_EQ(messages.texts(), QStringList({WrittenQuestion}));
    EXPECT_EQ(db.scalar("SELECT S_STOCKID FROM MOVE_MASTER"), "s01");
}

// Confirming the lines of the bill just posted asks first, naming that bill; No draws nothing.
TEST_F(Posting, PostingTheSameLinesAgainAsksFirst)
{
    addLine(lines(), 1, "P001", "a", 10, 4);
    addLine(lines(), 2, "P002", "b", 10, 0);
    messages.queue(MsgResult::Yes);
    confirm();
    ASSERT_EQ(s().BillNo, "200403010001");

    messages.clear();
    messages.queue(MsgResult::No);
    confirm();
    EXPECT_EQ(messages.texts(), QStringList({repostQuestion("200403010001")}));
    EXPECT_EQ(messages.shown()[0].kind, prompts::MsgKind::Confirmation);
    EXPECT_EQ(counter(), "2") << "nothing drawn";
    EXPECT_EQ(count("MOVE_MASTER"), "1");
    EXPECT_EQ(s().BillNo, "200403010001");

    messages.clear();
    messages.queue(MsgResult::Yes);
    messages.queue(MsgResult::Yes);
    confirm();
    EXPECT_EQ(messages.texts(), QStringList({repostQuestion("200403010001"), WrittenQuestion}));
    EXPECT_EQ(db.scalar("SELECT LIST(MASTERBILLID) FROM (SELECT MASTERBILLID FROM MOVE_SUB ORDER BY 1)"),
              "200403010001,200403010002");

    // Other goods, or other quantities, are another bill: no question. The question names the last bill.
    auto &l = lines();
    l.last();
    l.edit();
    l.fieldByName("M_QTY").setAsInteger(1); // still being edited when 調撥確認 is pressed
    messages.clear();
    messages.queue(MsgResult::Yes);
    confirm();
    EXPECT_EQ(messages.texts(), QStringList({WrittenQuestion}));
    EXPECT_EQ(s().BillNo, "200403010003");
    messages.clear();
    messages.queue(MsgResult::No);
    confirm();
    EXPECT_EQ(messages.texts(), QStringList({repostQuestion("200403010003")}));
}

TEST_F(Posting, AllQuantitiesZeroWritesTheHeaderAlone)
{
    addLine(lines(), 1, "P001", "a", 10, 0);
    addLine(lines(), 2, "P002", "b", 10, 0);
    messages.queue(MsgResult::Yes);
    confirm();
    EXPECT_EQ(count("MOVE_MASTER"), "1");
    EXPECT_EQ(count("MOVE_SUB"), "0");
    EXPECT_EQ(messages.texts(), QStringList({WrittenQuestion}));
}

// The day's counter was lost (a counter reset, a restored database) while bills of the day are stored: the
// draw goes past them, and the bill already stored keeps its header and its lines, and only those.
TEST_F(Posting, APostedBillIsNeverTakenOver)
{
    db.exec("INSERT INTO MOVE_MASTER(MASTERBILLID,S_STOCKID) VALUES('200403010001','OLD')");
    db.exec("INSERT INTO MOVE_SUB(MASTERBILLID,PROD_ID,QTY) VALUES('200403010001','OLD1',9)");
    addLine(lines(), 1, "P001", "a", 10, 3);
    messages.queue(MsgResult::Yes);
    confirm();
    EXPECT_EQ(s().BillNo, "200403010002");
    EXPECT_EQ(counter(), "3");
    EXPECT_EQ(db.scalar("SELECT S_STOCKID FROM MOVE_MASTER WHERE MASTERBILLID = '200403010001'"), "OLD");
    EXPECT_EQ(db.scalar("SELECT LIST(PROD_ID) FROM MOVE_SUB WHERE MASTERBILLID = '200403010001'"), "OLD1");
    EXPECT_EQ(db.scalar("SELECT LIST(PROD_ID) FROM MOVE_SUB WHERE MASTERBILLID = '200403010002'"), "P001");
    EXPECT_EQ(db.scalar("SELECT S_STOCKID FROM MOVE_MASTER WHERE MASTERBILLID = '200403010002'"), "S01");
}

TEST_F(Posting, ALineAboveTheMainStockBeingEditedStopsTheWholeBill)
{
    addLine(lines(), 1, "P002", "b", 10, 2);
    addLine(lines(), 2, "P001", "a", 10, 4);
    auto &l = lines();
    l.edit();
    l.fieldByName("M_QTY").setAsInteger(11);
    confirm();

    EXPECT_EQ(messages.texts(), QStringList({QuantityTooLarge, WriteFailed}));
    EXPECT_EQ(messages.shown()[1].kind, prompts::MsgKind::Warning);
    EXPECT_EQ(count("MOVE_MASTER"), "0");
    EXPECT_EQ(count("MOVE_SUB"), "0");
    EXPECT_EQ(counter(), "2") << "the number drawn is used up";
    EXPECT_EQ(l.state(), data::TDataSetState::dsEdit) << "the refused quantity stays for the operator to correct";
    EXPECT_FALSE(s().store.SQLConnection2.inTransaction());
    EXPECT_TRUE(errors.shown.isEmpty());

    // Corrected, the next confirmation writes the bill under a new number.
    l.fieldByName("M_QTY").setAsInteger(10);
    messages.queue(MsgResult::Yes);
    confirm();
    EXPECT_EQ(db.scalar("SELECT MASTERBILLID FROM MOVE_MASTER"), "200403010002");
    EXPECT_EQ(count("MOVE_SUB"), "2");
}

TEST_F(Posting, ALineThatCannotBeWrittenRollsBackTheWholeBill)
{
    addLine(lines(), 1, "P001", "a", 10, 4);
    addLine(lines(), 2, "P0000000000000000000000025", "code too long for MOVE_SUB", 10, 1);
    confirm();
    ASSERT_EQ(messages.texts().size(), 1);
    const QStringList warning = messages.texts()[0].split('\n');
    EXPECT_EQ(warning.mid(0, 2), QStringList({WriteFailed, "資料長度超過資料庫欄位的長度..!"}))
        << "the cause in plain words below the warning";
    EXPECT_TRUE(warning.contains("-string right truncation")) << "the server's text follows for support";
    EXPECT_EQ(count("MOVE_MASTER"), "0");
    EXPECT_EQ(count("MOVE_SUB"), "0") << "no line is silently left out";
    EXPECT_FALSE(s().store.SQLConnection2.inTransaction());
}

TEST_F(Posting, AFailingDrawWritesNothingAndLeavesNoPreviousNumber)
{
    addLine(lines(), 1, "P001", "a", 10, 4);
    messages.queue(MsgResult::Yes);
    confirm();
    ASSERT_EQ(s().BillNo, "200403010001");

    db.exec("CREATE EXCEPTION COUNTER_CLOSED 'The counter is closed'");
    db.exec("CREATE TRIGGER NO_DRAW FOR TEMP_MOVEID BEFORE UPDATE AS BEGIN EXCEPTION COUNTER_CLOSED; END");
    transfer::LineTable(s().store.ClientDataSet2).lockFixedColumns(true);
    messages.queue(MsgResult::Yes); // the same lines again
    confirm();

    ASSERT_EQ(errors.shown.size(), 1);
    EXPECT_TRUE(errors.shown[0].contains("The counter is closed")) << errors.shown[0].toStdString();
    EXPECT_EQ(s().BillNo, "") << "a later preview cannot show the previous bill as this one";
    EXPECT_TRUE(memo().isEmpty());
    EXPECT_EQ(count("MOVE_MASTER"), "1");
    EXPECT_EQ(count("MOVE_SUB"), "1");
    EXPECT_EQ(messages.texts(), QStringList({WrittenQuestion, repostQuestion("200403010001")}))
        << "no second written question, no warning";
    EXPECT_FALSE(s().store.SQLConnection2.inTransaction());
    EXPECT_FALSE(lines().fields(0).readOnly());
}

TEST_F(Posting, NoAnswerEndsTheProgramWithItsSettingsSaved)
{
    db.exec("INSERT INTO STOCK_ITEM(STOCK_ID,STOCK_NAME) VALUES('S03','third')");
    addLine(lines(), 1, "P001", "a", 10, 4);
    s().show();
    s().bsSkinEdit1->setText(" S03 ");
    messages.queue(MsgResult::No);
    confirm();
    EXPECT_FALSE(s().isVisible());
    EXPECT_TRUE(moduleCalls(db.programDir()).empty());
    EXPECT_EQ(s().TStockID, "S03") << "trimmed";
    EXPECT_EQ(db.scalar("SELECT T_STOCKID FROM MOVE_MASTER"), "S03");
    EXPECT_EQ(data::TIniFile(db.programDir() + "FormTouchMove.INI").readString("System", "TSTOCKID", "?"), "S03");
    EXPECT_TRUE(QFile::exists(QString::fromStdString(db.programDir() + "aaa.cds")));
}

// The server goes away after the header has been sent and before the first line: the attachments of the
// terminal are ended by the server, and nothing of the bill stays.
TEST_F(Posting, ServerStoppingBetweenHeaderAndLinesLeavesNothing)
{
    addLine(lines(), 1, "P001", "a", 10, 4);
    addLine(lines(), 2, "P002", "b", 10, 2);
    auto &l = lines();
    l.edit();
    l.fieldByName("M_QTY").setAsInteger(3); // stored when the writing moves to the first line
    bool stopped = false;
    l.beforePost = [&](data::TClientDataSet &) {
        ASSERT_EQ(s().store.SQL_Master.params().count(), 7) << "the header has been sent";
        db.exec("DELETE FROM MON$ATTACHMENTS WHERE MON$ATTACHMENT_ID <> CURRENT_CONNECTION AND MON$SYSTEM_FLAG = 0");
        stopped = true;
    };
    confirm();

    ASSERT_TRUE(stopped);
    ASSERT_EQ(messages.texts().size(), 1);
    EXPECT_EQ(messages.texts()[0].split('\n').mid(0, 2), QStringList({WriteFailed, "與門市資料庫的連線中斷了..!"}));
    EXPECT_FALSE(s().store.SQLConnection2.inTransaction());
    closeScreen();
    EXPECT_EQ(count("MOVE_MASTER"), "0");
    EXPECT_EQ(count("MOVE_SUB"), "0");
}

TEST_F(Posting, AnOpenTransactionOnTheSecondConnectionWritesNothing)
{
    addLine(lines(), 1, "P001", "a", 10, 4);
    auto &store = s().store;
    s().BillNo = "200403019999";
    store.SQLConnection2.startTransaction({});
    db.exec("INSERT INTO MOVE_MASTER(MASTERBILLID) VALUES('200403019999')"); // would be deleted by a write

    const transfer::BillWriter::Result result =
        transfer::BillWriter({store.SQL_Product, store.SQL_Master, store.SQL_Sub}, clock)
            .write({s().BillNo, s().SStockID, s().TStockID, s().StoreID}, "A01_x", transfer::LineTable(lines()));
    EXPECT_FALSE(result.written);
    EXPECT_FALSE(result.error.empty());
    EXPECT_TRUE(store.SQLConnection2.inTransaction()) << "not the writer's to end";
    store.SQLConnection2.rollback({});
    EXPECT_EQ(count("MOVE_MASTER"), "1");
    EXPECT_EQ(db.scalar("SELECT COUNT(*) FROM MOVE_MASTER WHERE S_STOCKID IS NULL"), "1");
    EXPECT_EQ(count("MOVE_SUB"), "0");

    // Through the button: the draw refuses first, shows why and writes nothing.
    store.SQLConnection2.startTransaction({});
    confirm();
    EXPECT_EQ(errors.shown.size(), 1);
    EXPECT_EQ(s().BillNo, "");
    EXPECT_TRUE(messages.shown().empty());
    store.SQLConnection2.rollback({});
    EXPECT_EQ(count("MOVE_SUB"), "0");
}
