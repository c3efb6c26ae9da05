// Posting a 2,000-line bill: the program's own writing (product read and insert per line, one transaction)
// next to the same inserts sent straight through the Firebird client library's OO API, without and with the
// per-line product read, on the embedded engine.
//
//   bench_posting [LINES] [ROUNDS]

#include "BenchShop.h"

#include "data/DateText.h"
#include "data/fb/Client.h"
#include "data/fb/Status.h"
#include "transfer/core/BillWriter.h"
#include "transfer/core/LineTable.h"
#include "transfer/core/TransferStore.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <vector>

using namespace Firebird;
using bench::billNo;
using bench::productId;

namespace {

/// The program's way: the writer over the store's line table.
double postThroughProgram(transfer::TransferStore &store, const data::IClock &clock, int bill)
{
    const transfer::BillHeader header{billNo(bill), "S01", "S02", "K001"};
    QElapsedTimer t;
    t.start();
    const auto result = transfer::BillWriter({store.SQL_Product, store.SQL_Master, store.SQL_Sub}, clock)
                            .write(header, "A01_bench", transfer::LineTable(store.ClientDataSet2));
    const double ms = t.nsecsElapsed() / 1e6;
    if (!result.written)
        throw std::runtime_error("the bill was not written: " + result.error);
    return ms;
}

/// One input message of a prepared statement, filled by parameter position.
class Message {
public:
    Message(data::fb::Client &client, IStatement *stmt) : client_(client)
    {
        data::fb::StatusWrapper st(client);
        meta_.reset(stmt->getInputMetadata(&st));
        buffer_.assign(meta_->getMessageLength(&st), '\0');
    }
    void text(unsigned i, const std::string &v)
    {
        data::fb::StatusWrapper st(client_);
        unsigned char *p = at(i);
        const unsigned length = meta_->getLength(&st, i);
        if ((meta_->getType(&st, i) & ~1u) == SQL_VARYING) {
            const auto n = static_cast<unsigned short>(std::min<size_t>(v.size(), length));
            std::memcpy(p, &n, 2);
            std::memcpy(p + 2, v.data(), n);
        } else {
            std::memset(p, ' ', length);
            std::memcpy(p, v.data(), std::min<size_t>(v.size(), length));
        }
    }
    void number(unsigned i, std::int64_t units)
    {
        data::fb::StatusWrapper st(client_);
        unsigned char *p = at(i);
        std::int64_t scaled = units;
        for (int s = meta_->getScale(&st, i); s < 0; ++s)
            scaled *= 10;
        if ((meta_->getType(&st, i) & ~1u) == SQL_LONG) {
            const auto v = static_cast<ISC_LONG>(scaled);
            std::memcpy(p, &v, sizeof v);
        } else {
            std::memcpy(p, &scaled, sizeof scaled);
        }
    }
    IMessageMetadata *meta() const { return meta_.get(); }
    void *data() { return buffer_.data(); }

private:
    unsigned char *at(unsigned i)
    {
        data::fb::StatusWrapper st(client_);
        auto *base = reinterpret_cast<unsigned char *>(buffer_.data());
        const short notNull = 0;
        std::memcpy(base + meta_->getNullOffset(&st, i), &notNull, sizeof notNull);
        return base + meta_->getOffset(&st, i);
    }
    data::fb::Client &client_;
    data::fb::ReleasePtr<IMessageMetadata> meta_;
    std::string buffer_;
};

/// Reads one product's row as the program does before each line: the code spliced into the text, so the
/// statement is prepared anew for every line.
void readProduct(data::fb::Client &client, IAttachment *att, ITransaction *tra, const std::string &id)
{
    data::fb::StatusWrapper st(client);
    const std::string text = "SELECT * FROM PRODUCT WHERE PROD_ID = '" + id + "'\r\n";
    data::fb::ReleasePtr<IStatement> stmt(att->prepare(&st, tra, 0, text.c_str(), 3, IStatement::PREPARE_PREFETCH_METADATA));
    data::fb::ReleasePtr<IMessageMetadata> meta(stmt->getOutputMetadata(&st));
    std::string row(meta->getMessageLength(&st), '\0');
    data::fb::ReleasePtr<IResultSet> rs(stmt->openCursor(&st, tra, nullptr, nullptr, meta.get(), 0));
    rs->fetchNext(&st, row.data());
    rs->close(&st);
    rs.release();
    stmt->free(&st);
    stmt.release();
}

/// The same header and line inserts, prepared once and executed straight through the client library; with
/// `readProducts` also the per-line product read.
double postStraight(data::fb::Client &client, const std::string &database, int bill, int lines, bool readProducts)
{
    data::fb::StatusWrapper st(client);
    data::fb::DisposePtr<IXpbBuilder> dpb(client.util()->getXpbBuilder(&st, IXpbBuilder::DPB, nullptr, 0));
    dpb->insertString(&st, isc_dpb_user_name, "SYSDBA");
    data::fb::ReleasePtr<IAttachment> att(
        client.provider()->attachDatabase(&st, database.c_str(), dpb->getBufferLength(&st), dpb->getBuffer(&st)));

    const std::string no = billNo(bill), day = "2004/06/19";
    QElapsedTimer t;
    t.start();
    data::fb::ReleasePtr<ITransaction> tra(att->startTransaction(&st, 0, nullptr));
    data::fb::ReleasePtr<IStatement> master(att->prepare(
        &st, tra.get(), 0,
        "INSERT INTO MOVE_MASTER(MASTERBILLID,BILL_DATE,S_STOCKID,T_STOCKID,STORE_ID,CHG_DATE,CHG_USER) "
        "VALUES(?,?,?,?,?,?,?)", 3, 0));
    Message head(client, master.get());
    const char *headValues[] = {no.c_str(), day.c_str(), "S01", "S02", "K001", day.c_str(), "A01"};
    for (unsigned i = 0; i < 7; ++i)
        head.text(i, headValues[i]);
    master->execute(&st, tra.get(), head.meta(), head.data(), nullptr, nullptr);

    data::fb::ReleasePtr<IStatement> sub(att->prepare(
        &st, tra.get(), 0,
        "INSERT INTO MOVE_SUB(MASTERBILLID,KEYINTIME,PROD_ID,PROD_NAME,PROD_SCALE,QTY,UNITNAME,TEMPPRODID,V_QTY,"
        "V_UNIT,PACK1_QTY,PACK1_NAME,PACK2_QTY,PACK2_NAME,PD_ITEMID,REMARK,STORE_ID,S_STOCKID,T_STOCKID,CHG_DATE,"
        "CHG_USER,BILL_DATE) VALUES(?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?)", 3, 0));
    Message line(client, sub.get());
    for (int i = 1; i <= lines; ++i) {
        const std::string id = productId(i);
        if (readProducts)
            readProduct(client, att.get(), tra.get(), id);
        line.text(0, no);
        line.text(1, data::formatTime(QTime::currentTime()));
        line.text(2, id);
        line.text(3, "product " + id);
        line.text(4, "1L");
        line.number(5, 1 + i % 9);
        line.text(6, "box");
        line.text(7, id);
        line.number(8, 1 + i % 9);
        line.text(9, "box");
        line.number(10, 24);
        line.text(11, "case");
        line.number(12, 12);
        line.text(13, "dozen");
        line.text(14, "IT" + id);
        line.text(15, "");
        line.text(16, "K001");
        line.text(17, "S01");
        line.text(18, "S02");
        line.text(19, day);
        line.text(20, "");
        line.text(21, day);
        sub->execute(&st, tra.get(), line.meta(), line.data(), nullptr, nullptr);
    }
    tra->commit(&st);
    tra.release();
    const double ms = t.nsecsElapsed() / 1e6;
    att->detach(&st);
    att.release();
    return ms;
}

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const int lines = argc > 1 ? std::max(1, std::atoi(argv[1])) : 2000;
    const int rounds = argc > 2 ? std::max(1, std::atoi(argv[2])) : 5;
    try {
        const bench::Shop shop;
        shop.addProducts(lines);
        const shopdb::Target &target = shop.target();
        const bench::FixedDay clock;
        transfer::TransferStore store(shop.programDir());
        bench::fillLineTable(store.ClientDataSet2, lines);
        auto client = data::fb::Client::load(target.vendorLib);

        std::vector<double> program, straight, straightWithReads;
        int bill = 0;
        for (int r = 0; r < rounds; ++r) {
            program.push_back(postThroughProgram(store, clock, ++bill));
            straight.push_back(postStraight(*client, target.database, ++bill, lines, false));
            straightWithReads.push_back(postStraight(*client, target.database, ++bill, lines, true));
        }
        const double p = median(program), s = median(straight), r = median(straightWithReads);
        std::printf("posting a bill of %d lines, embedded engine, median of %d rounds\n", lines, rounds);
        std::printf("  through the program (product read + insert per line): %8.1f ms  (%.3f ms a line)\n", p,
                    p / lines);
        std::printf("  straight through the OO API, the inserts only:         %8.1f ms  (%.3f ms a line)\n", s,
                    s / lines);
        std::printf("  straight through the OO API, product read + insert:    %8.1f ms  (%.3f ms a line)\n", r,
                    r / lines);
        std::printf("  ratio program / straight: %.2f against the inserts only, %.2f against the same statements\n",
                    p / s, p / r);
        return 0;
    } catch (const std::exception &e) {
        std::fprintf(stderr, "bench_posting: %s\n", e.what());
        return 1;
    }
}
