#include "BenchShop.h"

#include "data/SqlQuery.h"
#include "transfer/core/LineTable.h"

#include <QFileInfo>

#include <cstdio>
#include <stdexcept>

namespace bench {

QDateTime FixedDay::now() const
{
    return QDateTime(QDate(2004, 6, 19), QTime::currentTime());
}

std::string productId(int i)
{
    char id[16];
    std::snprintf(id, sizeof id, "P%05d", i);
    return id;
}

std::string billNo(int n)
{
    char no[32];
    std::snprintf(no, sizeof no, "20040619%.4d", n);
    return no;
}

std::optional<Server> Server::fromEnvironment()
{
    const auto get = [](const char *name) { return qEnvironmentVariable(name).toStdString(); };
    Server s{get("TOUCHMOVE_SERVER"), get("TOUCHMOVE_SERVER_DIR"), get("TOUCHMOVE_SERVER_USER"),
             get("TOUCHMOVE_SERVER_PASSWORD")};
    if (s.address.empty())
        return std::nullopt;
    if (s.folder.empty() || s.user.empty() || s.password.empty())
        throw std::runtime_error("TOUCHMOVE_SERVER is set, but not all of TOUCHMOVE_SERVER_DIR, TOUCHMOVE_SERVER_USER "
                                 "and TOUCHMOVE_SERVER_PASSWORD (source scripts/fbserver to set them)");
    return s;
}

std::string whereItRuns()
{
    const std::optional<Server> server = Server::fromEnvironment();
    return server ? "the server at " + server->address : "the embedded engine";
}

Shop::Shop(const std::optional<Server> &server)
{
    const std::string folder = dir_.path().toStdString() + "/";
    if (server) {
        // A name of the program folder's own, so that benchmarks run at once do not meet on the server.
        const std::string file = "bench-" + QFileInfo(dir_.path()).fileName().toStdString() + ".fdb";
        target_ = shopdb::Target{folder, server->database(file), server->user, server->password};
    } else {
        target_ = shopdb::Target{folder, folder + "BENCH.FDB"};
    }
    shopdb::writeDefinitionFiles(target_);
    shopdb::createDatabase(target_, TOUCHMOVE_SCHEMA_FILE);
}

Shop::~Shop()
{
    if (target_.database.starts_with(target_.programDir))
        return; // a file on the embedded engine, which goes with the folder
    try {
        shopdb::dropDatabase(target_);
    } catch (const std::exception &e) {
        std::fprintf(stderr, "the benchmark's database %s stays: %s\n", target_.database.c_str(), e.what());
    }
}

void Shop::addProducts(int count) const
{
    data::TSQLConnection c(programDir());
    c.ConnectionName = "Kobrel";
    c.startTransaction({});
    data::TSQLQuery q(&c);
    q.SQL().add("INSERT INTO STORE_CHOISE(STORE_ID) VALUES('K001')");
    q.execSQL();
    q.SQL().clear();
    q.SQL().add("INSERT INTO PRODUCT(PROD_ID,PROD_NAME,PROD_SCALE,UNITNAME,PACK1,PACK1_QTY,PACK2,PACK2_QTY,PD_ITEMID) "
                "VALUES(:ID,:NAME,'1L','box','case',24,'dozen',12,:ITEM)");
    for (int i = 1; i <= count; ++i) {
        q.paramByName("ID").setAsString(productId(i));
        q.paramByName("NAME").setAsString("product " + productId(i));
        q.paramByName("ITEM").setAsString("IT" + productId(i));
        q.execSQL();
    }
    c.commit({});
}

void fillLineTable(data::TClientDataSet &set, int count)
{
    transfer::createLineTable(set);
    const transfer::LineTable lines(set);
    lines.lockFixedColumns(false); // a proposal before may have left them locked
    for (int i = 1; i <= count; ++i) {
        set.append();
        lines.sno().setAsInteger(i);
        lines.prodId().setAsString(productId(i));
        lines.prodName().setAsString("product " + productId(i));
        lines.mainStock().setAsInteger(100);
        lines.toMove().setAsInteger(1 + i % 9);
        set.post();
    }
    set.first();
}

} // namespace bench
