// What the store database layer adds to the server's own work: 10,000 single-row queries (the shape of the
// proposal's per-product look-up, a new statement text each time) through TSQLQuery, and the same through
// the bare Firebird client library, in turns, on the embedded engine or through the server of the environment
// (bench/BenchShop.h). Prints the median of each and their ratio.
//
//   bench_datalayer [QUERIES] [ROUNDS]

#include "BenchShop.h"
#include "Goal.h"
#include "Timing.h"

#include "data/DbError.h"
#include "data/fb/Client.h"
#include "data/fb/Status.h"
#include "data/SqlQuery.h"
#include "data/SqlText.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <vector>

using namespace Firebird;

namespace {

using bench::median;

constexpr int Products = 2000;

std::string productId(int i)
{
    char id[16];
    std::snprintf(id, sizeof id, "P%05d", 1 + i % Products);
    return id;
}

std::string lookUp(int i)
{
    return "SELECT A.PROD_ID,A.PROD_NAME,B.NOW_QTY FROM PRODUCT A INNER JOIN STORE_QTY B ON A.PROD_ID = B.PROD_ID "
           "AND B.STOCK_ID = 'S01' WHERE A.PROD_ID = '" + productId(i) + "'";
}

void fill(data::TSQLConnection &c)
{
    c.startTransaction({});
    data::TSQLQuery product(&c), stock(&c);
    product.SQL().add("INSERT INTO PRODUCT(PROD_ID,PROD_NAME,NOW_QTY,DEL_FLAG) VALUES(:ID,:NAME,10,'False')");
    stock.SQL().add("INSERT INTO STORE_QTY(STOCK_ID,PROD_ID,NOW_QTY) VALUES('S01',:ID,:QTY)");
    for (int i = 0; i < Products; ++i) {
        product.paramByName("ID").setAsString(productId(i));
        product.paramByName("NAME").setAsString("product " + std::to_string(i));
        product.execSQL();
        stock.paramByName("ID").setAsString(productId(i));
        stock.paramByName("QTY").setAsInteger(i % 50);
        stock.execSQL();
    }
    c.commit({});
}

/// The layer: close, clear, add the text, open, read the three columns; each query in a transaction of its
/// own, as the screen's first connection runs them.
double throughLayer(data::TSQLConnection &c, int queries, long &checksum)
{
    data::TSQLQuery q(&c);
    QElapsedTimer t;
    t.start();
    for (int i = 0; i < queries; ++i) {
        data::setStatement(q, {lookUp(i)});
        q.open();
        checksum += q.fieldByName("NOW_QTY").asInteger() + long(q.fieldByName("PROD_NAME").asString().size());
    }
    return double(t.nsecsElapsed()) / 1e6;
}

/// The same work straight through the client library's OO API, in the same kind of transaction.
double bare(const shopdb::Target &target, int queries, long &checksum)
{
    const auto loaded = data::fb::Client::load("libfbclient.so.2");
    data::fb::Client &client = *loaded;
    data::fb::StatusWrapper st(client);
    data::fb::DisposePtr<IXpbBuilder> dpb(client.util()->getXpbBuilder(&st, IXpbBuilder::DPB, nullptr, 0));
    dpb->insertString(&st, isc_dpb_user_name, target.user.c_str());
    dpb->insertString(&st, isc_dpb_password, target.password.c_str());
    data::fb::ReleasePtr<IAttachment> att(client.provider()->attachDatabase(&st, target.database.c_str(), dpb->getBufferLength(&st),
                                                                   dpb->getBuffer(&st)));
    const unsigned char tpb[] = {isc_tpb_version3, isc_tpb_read, isc_tpb_read_committed, isc_tpb_rec_version,
                                 isc_tpb_wait};
    QElapsedTimer t;
    t.start();
    for (int i = 0; i < queries; ++i) {
        data::fb::ReleasePtr<ITransaction> tra(att->startTransaction(&st, sizeof tpb, tpb));
        const std::string text = lookUp(i) + "\r\n";
        data::fb::ReleasePtr<IStatement> stmt(att->prepare(&st, tra.get(), 0, text.c_str(), 3, IStatement::PREPARE_PREFETCH_METADATA));
        data::fb::ReleasePtr<IMessageMetadata> meta(stmt->getOutputMetadata(&st));
        std::string row(meta->getMessageLength(&st), '\0');
        data::fb::ReleasePtr<IResultSet> rs(stmt->openCursor(&st, tra.get(), nullptr, nullptr, meta.get(), 0));
        if (rs->fetchNext(&st, row.data()) == IStatus::RESULT_OK) {
            const unsigned nameAt = meta->getOffset(&st, 1), qtyAt = meta->getOffset(&st, 2);
            ISC_INT64 units;
            std::memcpy(&units, row.data() + qtyAt, sizeof units);
            unsigned short nameLength;
            std::memcpy(&nameLength, row.data() + nameAt, sizeof nameLength);
            checksum += long(units / 1000) + nameLength;
        }
        rs->close(&st);
        rs.release();
        stmt->free(&st);
        stmt.release();
        tra->commit(&st);
        tra.release();
    }
    const double ms = double(t.nsecsElapsed()) / 1e6;
    att->detach(&st);
    att.release();
    return ms;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const int queries = argc > 1 ? std::max(1, std::atoi(argv[1])) : 10000;
    const int rounds = argc > 2 ? std::max(1, std::atoi(argv[2])) : 5;
    try {
        const bench::Shop shop;
        // The two ways in turns, so that other work on the machine touches both alike.
        long layerSum = 0, bareSum = 0;
        std::vector<double> layerRuns, bareRuns;
        data::TSQLConnection c(shop.programDir());
        c.ConnectionName = "Kobrel";
        fill(c);
        throughLayer(c, 200, layerSum); // warm the page cache
        for (int round = 0; round < rounds; ++round) {
            layerSum = bareSum = 0;
            layerRuns.push_back(throughLayer(c, queries, layerSum));
            bareRuns.push_back(bare(shop.target(), queries, bareSum));
        }
        const double layerMs = median(layerRuns), bareMs = median(bareRuns);
        if (layerSum != bareSum) {
            std::fprintf(stderr, "the two runs read different rows (%ld, %ld)\n", layerSum, bareSum);
            return 1;
        }
        std::printf("%d single-row queries, %s, median of %d runs each\n", queries, bench::whereItRuns().c_str(),
                    rounds);
        std::printf("  through the layer:       %8.1f ms  (%.1f us a query)\n", layerMs, layerMs * 1000 / queries);
        std::printf("  bare client library:     %8.1f ms  (%.1f us a query)\n", bareMs, bareMs * 1000 / queries);
        std::printf("  ratio layer / bare:      %8.2f\n", layerMs / bareMs);
        bench::printGoal(std::to_string(queries) + " single-row queries through the layer, against the bare client library",
                         layerMs, bareMs);
    } catch (const std::exception &e) {
        std::fprintf(stderr, "bench_datalayer: %s\n", e.what());
        return 1;
    }
    return 0;
}
