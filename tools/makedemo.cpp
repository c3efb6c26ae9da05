// Makes a demo shop: the database with its products, stock and sales (dated from today), the definition
// files, the title file and the settings file of a program folder.
//
//   makedemo PROGRAM_DIR [--products N] [--database PATH_OR_HOST:PATH] [--user U --password P] [--keep]
//
// With --products 50000 it makes the large catalogue used by the benchmarks.

#include "ShopDatabase.h"

#include "data/ClientDataSet.h"
#include "data/CodePage.h"
#include "data/DateText.h"
#include "data/DbError.h"
#include "data/IniFile.h"
#include "data/SqlQuery.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>

#include <cstdio>
#include <random>

namespace {

std::string big5(const char *utf8)
{
    return data::encodeText(QString::fromUtf8(utf8)).value();
}

const char *const kBrands[] = {"青禾", "山泉堂", "晨光", "曉月", "金穗", "綠野", "好味", "長春", "鮮果坊", "日和",
                               "禾豐", "甘泉", "鄉村", "百味", "南風", "竹林", "雲朵", "星辰", "海灣", "晴天"};
const char *const kItems[] = {"紅茶", "鮮乳", "蘋果汽水", "綠茶", "烏龍茶", "礦泉水", "豆漿", "巧克力牛奶",
                              "蘇打餅乾", "洋芋片", "泡麵", "肉鬆", "花生醬", "米果", "優酪乳", "咖啡", "果汁",
                              "燕麥片", "蛋捲", "沙琪瑪", "牛肉乾", "仙貝", "海苔", "麵線", "鳳梨酥"};
const char *const kSizes[] = {"300ml", "600ml", "1L", "2L", "6入", "12入", "大包", "小包", "家庭號", "隨手包"};
const char *const kUnits[] = {"瓶", "罐", "包", "盒", "袋", "箱"};

struct Options {
    std::string programDir;
    std::string database;
    std::string user = "SYSDBA";
    std::string password = "masterkey";
    int products = 300;
    bool keep = false;
};

class Inserter {
public:
    Inserter(data::TSQLConnection &c, const std::string &text) : c_(c), q_(&c) { q_.SQL().add(text); }
    data::TSQLQuery &q() { return q_; }
    void run()
    {
        q_.execSQL();
        if (++pending_ == 5000) {
            c_.commit({});
            c_.startTransaction({});
            pending_ = 0;
        }
    }

private:
    data::TSQLConnection &c_;
    data::TSQLQuery q_;
    int pending_ = 0;
};

void fill(data::TSQLConnection &c, const Options &o)
{
    std::mt19937 rnd(20040619);
    auto pick = [&](int n) { return int(rnd() % unsigned(n)); };
    const QDate today = QDate::currentDate();
    c.startTransaction({});

    Inserter store(c, "INSERT INTO STORE_CHOISE(STORE_ID,STORE_NAME) VALUES(:ID,:NAME)");
    store.q().paramByName("ID").setAsString("K001");
    store.q().paramByName("NAME").setAsString(big5("中山店"));
    store.run();

    Inserter stock(c, "INSERT INTO STOCK_ITEM(STOCK_ID,STOCK_NAME) VALUES(:ID,:NAME)");
    const std::pair<const char *, const char *> stocks[] = {
        {"S01", "總倉"}, {"S02", "中山分倉"}, {"S03", "信義分倉"}, {"S04", "板橋分倉"}};
    for (const auto &[id, name] : stocks) {
        stock.q().paramByName("ID").setAsString(id);
        stock.q().paramByName("NAME").setAsString(big5(name));
        stock.run();
    }

    Inserter prod(c, "INSERT INTO PRODUCT(PROD_ID,PROD_NAME,PROD_SNAME,NOW_QTY,DEL_FLAG,PROD_SCALE,UNITNAME,"
                     "PACK1,PACK1_QTY,PACK2,PACK2_QTY,PD_ITEMID) VALUES(:ID,:NAME,:SNAME,:QTY,:DEL,:SCALE,:UNIT,"
                     ":P1,:P1Q,:P2,:P2Q,:ITEM)");
    Inserter qty(c, "INSERT INTO STORE_QTY(STOCK_ID,PROD_ID,NOW_QTY) VALUES(:S,:P,:Q)");
    Inserter sale(c, "INSERT INTO SAL_SUB(BILL_ID,PROD_ID,QTY,BILL_DATE,STOCK_ID) VALUES(:B,:P,:Q,:D,:S)");
    auto addQty = [&](const char *s, const std::string &p, double q) {
        qty.q().paramByName("S").setAsString(s);
        qty.q().paramByName("P").setAsString(p);
        qty.q().paramByName("Q").setValue(q);
        qty.run();
    };
    auto addSale = [&](const std::string &p, double q, const QDate &day, const char *s) {
        sale.q().paramByName("B").setAsString("B" + data::formatDate(day).substr(5));
        sale.q().paramByName("P").setAsString(p);
        sale.q().paramByName("Q").setValue(q);
        sale.q().paramByName("D").setAsString(data::formatDate(day));
        sale.q().paramByName("S").setAsString(s);
        sale.run();
    };

    const bool large = o.products > 5000;
    for (int i = 1; i <= o.products; ++i) {
        char id[16];
        std::snprintf(id, sizeof id, "P%05d", i);
        const char *brand = kBrands[pick(20)], *item = kItems[(i * 7) % 25], *size = kSizes[pick(10)];
        std::string name = big5(brand) + big5(item) + big5(size);
        auto &p = prod.q();
        p.paramByName("ID").setAsString(id);
        p.paramByName("NAME").setAsString(name.substr(0, 50));
        p.paramByName("SNAME").setAsString((big5(brand) + big5(item)).substr(0, 20));
        p.paramByName("QTY").setValue(double(i % 17 == 0 ? 0 : 5 + pick(300)));
        p.paramByName("DEL").setAsString(i % 41 == 0 ? "True" : "False");
        p.paramByName("SCALE").setAsString(size);
        p.paramByName("UNIT").setAsString(big5(kUnits[pick(6)]));
        p.paramByName("P1").setAsString(big5("箱"));
        p.paramByName("P1Q").setValue(24.0);
        p.paramByName("P2").setAsString(big5("打"));
        p.paramByName("P2Q").setValue(12.0);
        p.paramByName("ITEM").setAsString(std::string("IT") + (id + 1));
        prod.run();

        std::string pid = id;
        if (i % 23 != 0) // a few products the main warehouse does not stock
            addQty("S01", pid, double(pick(12) == 0 ? 0 : 10 + pick(200)));
        // The large branch holds more, so that about 2,000 of the day's sold products fall short.
        if (large || i % 5 != 0)
            addQty("S02", pid, pick(9) == 0 ? 2.5 : double(pick(large ? 45 : 25)));
        if (!large && i % 3 == 0)
            addQty("S03", pid, double(pick(40)));
    }

    // Sales of the branches, one week and two weeks back from the stocking days the menu offers.
    const int days = large ? 3 : 21;
    for (int back = 1; back <= days; ++back) {
        QDate day = today.addDays(large ? -(back + 4) : -back);
        int sold = large ? 5000 : 40;
        for (int k = 0; k < sold; ++k) {
            int i = 1 + pick(o.products);
            char id[16];
            std::snprintf(id, sizeof id, "P%05d", i);
            double q = double(1 + pick(large ? 30 : 20));
            if (pick(10) == 0)
                q += 0.5;
            addSale(id, q, day, "S02");
            if (!large && k % 2 == 0)
                addSale(id, double(1 + pick(10)), day, "S03");
        }
    }
    if (!large) {
        // Fixed cases on the reference day of tomorrow's proposal.
        QDate ref = today.addDays(1 - 7);
        c.commit({});
        data::TSQLQuery fix(&c);
        auto exec = [&](const std::string &sql) {
            fix.SQL().clear();
            fix.SQL().add(sql);
            fix.execSQL();
        };
        exec("UPDATE STORE_QTY SET NOW_QTY = 5 WHERE STOCK_ID = 'S02' AND PROD_ID = 'P00001'");
        exec("DELETE FROM SAL_SUB WHERE PROD_ID IN ('P00001','P00002','P00023') AND BILL_DATE = '" +
             data::formatDate(ref) + "'");
        c.startTransaction({});
        addSale("P00001", 5, ref, "S02");   // stock equal to sales: no line
        addSale("P00002", 7.5, ref, "S02"); // fractional sales
        addSale("P00023", 9, ref, "S02");   // no stock in the main warehouse: no line
    }
    c.commit({});
}

void writeTitleFile(const Options &o)
{
    data::TClientDataSet title;
    title.addFieldDef("rep_title", data::TFieldType::ftString, 50);
    title.createDataSet();
    title.append();
    title.fieldByName("rep_title").setAsString(big5("中山店 調撥單"));
    title.post();
    title.saveToFile(o.programDir + "Saltfen.dat", data::TClientDataSet::FileFormat::Xml);
}

void writeSettingsFile(const Options &o)
{
    std::string path = o.programDir + "FormTouchMove.INI";
    if (QFile::exists(QString::fromStdString(path)))
        return; // the operator's settings stay
    data::TIniFile ini(path);
    ini.writeString("System", "SSTOCKID", "S01");
    ini.writeString("System", "TSTOCKID", "S02");
    ini.writeString("System", "SalesID", "A01_" + big5("王小明"));
}

int run(const Options &o)
{
    shopdb::Target t{o.programDir, o.database, o.user, o.password};
    bool embedded = o.database.find(':') == std::string::npos || o.database.find(":/") == 1;
    if (embedded && !o.keep)
        QFile::remove(QString::fromStdString(o.database));
    else if (!o.keep)
        shopdb::dropDatabase(t);
    shopdb::writeDefinitionFiles(t);
    if (!o.keep) {
        shopdb::createDatabase(t, TOUCHMOVE_SCHEMA_FILE);
        data::TSQLConnection c(o.programDir);
        c.ConnectionName = "Kobrel";
        fill(c, o);
    }
    writeTitleFile(o);
    writeSettingsFile(o);
    std::printf("demo shop ready in %s (%d products, database %s)\n", o.programDir.c_str(), o.products,
                o.database.c_str());
    return 0;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QStringList args = app.arguments();
    if (args.size() < 2) {
        std::fprintf(stderr, "usage: makedemo PROGRAM_DIR [--products N] [--database PATH] [--user U] "
                             "[--password P] [--keep]\n");
        return 2;
    }
    Options o;
    o.programDir = QDir(args[1]).absolutePath().toStdString() + "/";
    o.database = o.programDir + "POSDATA.FDB";
    for (int i = 2; i < args.size(); ++i) {
        QString a = args[i];
        QString v = i + 1 < args.size() ? args[i + 1] : QString();
        if (a == "--products" && v.toInt() > 0)
            o.products = v.toInt(), ++i;
        else if (a == "--database" && !v.isEmpty())
            o.database = v.toStdString(), ++i;
        else if (a == "--user" && !v.isEmpty())
            o.user = v.toStdString(), ++i;
        else if (a == "--password")
            o.password = v.toStdString(), ++i;
        else if (a == "--keep")
            o.keep = true;
        else {
            std::fprintf(stderr, "makedemo: unknown or incomplete option '%s'\n", qPrintable(a));
            return 2;
        }
    }
    try {
        return run(o);
    } catch (const std::exception &e) {
        std::fprintf(stderr, "makedemo: %s\n", e.what());
        return 1;
    }
}
