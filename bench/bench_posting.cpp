// Posting a bill of 2,000 lines as the screen posts it: the program's writer over the line table with the grid
// attached and paused as on the screen, beside the limit measured in the same run: the same product reads and
// inserts, each statement prepared once, in one transaction, straight through the Firebird client library's
// OO API. The writer alone (no grid) is shown too. It runs on the embedded engine, and also through the
// server named by TOUCHMOVE_SERVER (with TOUCHMOVE_SERVER_DIR, a folder of the server's machine where the
// database is made, TOUCHMOVE_SERVER_USER and TOUCHMOVE_SERVER_PASSWORD) when those are set. Rounds are
// interleaved, every figure is a median, and each round's figure includes the event loop's work until the
// grid is drawn. Goal: the screen's posting <= 1.25 x the limit. Each figure is the time that passed and
// the program's processor time; on the embedded engine, which works inside the program, the goal is judged
// on the processor time, which leaves out the waits for a core that other work holds; through the server,
// whose work is another process's, on the time that passed.
//
//   bench_posting [LINES] [ROUNDS]        (default 2000 lines, 11 rounds)

#include "BenchShop.h"
#include "Goal.h"
#include "Timing.h"

#include "data/DateText.h"
#include "data/fb/Client.h"
#include "data/fb/Status.h"
#include "transfer/core/BillWriter.h"
#include "transfer/core/LineTable.h"
#include "transfer/core/TransferStore.h"
#include "widgets/DBGrid.h"

#include <QApplication>
#include <QElapsedTimer>

#include <time.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

using namespace Firebird;
using bench::billNo;
using bench::productId;

namespace {

using bench::median;
using bench::processorMilliseconds;
using bench::Time;

constexpr double Limit = 1.25;

/// One message of a prepared statement, filled or read by position.
class Message {
public:
    Message(data::fb::Client &client, IMessageMetadata *meta) : client_(client), meta_(meta)
    {
        data::fb::StatusWrapper st(client);
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
    /// A text column of a fetched row, as the insert takes it.
    std::string textAt(unsigned i)
    {
        data::fb::StatusWrapper st(client_);
        const auto *base = reinterpret_cast<const unsigned char *>(buffer_.data());
        const unsigned char *p = base + meta_->getOffset(&st, i);
        if ((meta_->getType(&st, i) & ~1u) != SQL_VARYING)
            return std::string(reinterpret_cast<const char *>(p), meta_->getLength(&st, i));
        unsigned short n = 0;
        std::memcpy(&n, p, 2);
        return std::string(reinterpret_cast<const char *>(p + 2), n);
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

/// The limit: one attachment of its own for the whole run; for each bill the header insert, the product read
/// and the line insert are prepared once and the lines run in one transaction.
class Straight {
public:
    Straight(const shopdb::Target &target) : client_(data::fb::Client::load(target.vendorLib))
    {
        data::fb::StatusWrapper st(*client_);
        data::fb::DisposePtr<IXpbBuilder> dpb(client_->util()->getXpbBuilder(&st, IXpbBuilder::DPB, nullptr, 0));
        dpb->insertString(&st, isc_dpb_user_name, target.user.c_str());
        dpb->insertString(&st, isc_dpb_password, target.password.c_str());
        att_.reset(client_->provider()->attachDatabase(&st, target.database.c_str(), dpb->getBufferLength(&st),
                                                       dpb->getBuffer(&st)));
    }
    ~Straight()
    {
        data::fb::StatusWrapper st(*client_);
        att_->detach(&st);
        att_.release();
    }

    void post(int bill, int lines)
    {
        data::fb::StatusWrapper st(*client_);
        const std::string no = billNo(bill), day = "2004/06/19";
        data::fb::ReleasePtr<ITransaction> tra(att_->startTransaction(&st, 0, nullptr));
        auto master = prepare(tra.get(), "INSERT INTO MOVE_MASTER(MASTERBILLID,BILL_DATE,S_STOCKID,T_STOCKID,"
                                         "STORE_ID,CHG_DATE,CHG_USER) VALUES(?,?,?,?,?,?,?)");
        Message head(*client_, master->getInputMetadata(&st));
        const char *headValues[] = {no.c_str(), day.c_str(), "S01", "S02", "K001", day.c_str(), "A01"};
        for (unsigned i = 0; i < 7; ++i)
            head.text(i, headValues[i]);
        master->execute(&st, tra.get(), head.meta(), head.data(), nullptr, nullptr);

        auto read = prepare(tra.get(), "SELECT PROD_SCALE,UNITNAME,PACK1,PACK2,PD_ITEMID FROM PRODUCT WHERE PROD_ID = ?");
        Message key(*client_, read->getInputMetadata(&st));
        Message product(*client_, read->getOutputMetadata(&st));
        auto sub = prepare(tra.get(), "INSERT INTO MOVE_SUB(MASTERBILLID,KEYINTIME,PROD_ID,PROD_NAME,PROD_SCALE,QTY,"
                                      "UNITNAME,TEMPPRODID,V_QTY,V_UNIT,PACK1_QTY,PACK1_NAME,PACK2_QTY,PACK2_NAME,"
                                      "PD_ITEMID,REMARK,STORE_ID,S_STOCKID,T_STOCKID,CHG_DATE,CHG_USER,BILL_DATE) "
                                      "VALUES(?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?)");
        Message line(*client_, sub->getInputMetadata(&st));
        for (int i = 1; i <= lines; ++i) {
            const std::string id = productId(i);
            key.text(0, id);
            data::fb::ReleasePtr<IResultSet> rs(
                read->openCursor(&st, tra.get(), key.meta(), key.data(), product.meta(), 0));
            if (rs->fetchNext(&st, product.data()) != IStatus::RESULT_OK)
                throw std::runtime_error("no product " + id);
            rs->close(&st);
            rs.release();
            line.text(0, no);
            line.text(1, data::formatTime(QTime::currentTime()));
            line.text(2, id);
            line.text(3, "product " + id);
            line.text(4, product.textAt(0));
            line.number(5, 1 + i % 9);
            line.text(6, product.textAt(1));
            line.text(7, id);
            line.number(8, 1 + i % 9);
            line.text(9, product.textAt(1));
            line.number(10, 24);
            line.text(11, product.textAt(2));
            line.number(12, 12);
            line.text(13, product.textAt(3));
            line.text(14, product.textAt(4));
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
    }

private:
    struct Freer {
        data::fb::Client *client;
        void operator()(IStatement *s) const
        {
            data::fb::StatusWrapper st(*client);
            s->free(&st);
        }
    };
    std::unique_ptr<IStatement, Freer> prepare(ITransaction *tra, const char *sql)
    {
        data::fb::StatusWrapper st(*client_);
        return {att_->prepare(&st, tra, 0, sql, 3, IStatement::PREPARE_PREFETCH_METADATA), Freer{client_.get()}};
    }

    std::shared_ptr<data::fb::Client> client_;
    data::fb::ReleasePtr<IAttachment> att_;
};

/// Starts timing when made.
class Stopwatch {
public:
    Stopwatch() : cpu_(processorMilliseconds()) { wall_.start(); }
    Time elapsed() const { return {double(wall_.nsecsElapsed()) / 1e6, processorMilliseconds() - cpu_}; }

private:
    QElapsedTimer wall_;
    double cpu_;
};

/// The three ways of posting on one shop database.
class Run {
public:
    Run(const bench::Shop &shop, int lines) : store_(shop.programDir()), straight_(shop.target()), lines_(lines)
    {
        for (int i = 0; i < transfer::LineFieldCount; ++i)
            grid_.setColumn(i, QString(), 50);
        grid_.resize(498, 437); // the grid's size on the screen at its design size
        grid_.show();
    }

    enum Way { Screen, WriterAlone, StraightLimit, Ways };

    Time post(Way way)
    {
        grid_.setDataSet(nullptr);
        bench::fillLineTable(store_.ClientDataSet2, lines_);
        const int bill = ++bills_;
        if (way == StraightLimit) {
            const Stopwatch t;
            straight_.post(bill, lines_);
            return t.elapsed();
        }
        grid_.setDataSet(way == Screen ? &store_.ClientDataSet2 : nullptr);
        QCoreApplication::processEvents();
        transfer::BillWriter writer({store_.SQL_Product, store_.SQL_Master, store_.SQL_Sub}, clock_);
        transfer::BillWriter::Result result;
        const Stopwatch t;
        if (way == Screen) {
            const widgets::TDBGrid::Pause pause(grid_);
            result = writer.write({billNo(bill), "S01", "S02", "K001"}, "A01_bench",
                                  transfer::LineTable(store_.ClientDataSet2));
        } else {
            result = writer.write({billNo(bill), "S01", "S02", "K001"}, "A01_bench",
                                  transfer::LineTable(store_.ClientDataSet2));
        }
        QCoreApplication::processEvents();
        const Time ms = t.elapsed();
        if (!result.written || result.lines != lines_)
            throw std::runtime_error("the bill was not written whole: " + result.error);
        return ms;
    }

private:
    transfer::TransferStore store_;
    Straight straight_;
    widgets::TDBGrid grid_;
    bench::FixedDay clock_;
    int lines_;
    int bills_ = 0;
};

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int lines = argc > 1 ? std::max(1, std::atoi(argv[1])) : 2000;
    const int rounds = argc > 2 ? std::max(1, std::atoi(argv[2])) : 11;
    try {
        struct Place {
            std::string name;
            std::unique_ptr<bench::Shop> shop;
            bool judgedOnProcessor;
        };
        std::vector<Place> places;
        places.push_back({"embedded engine", std::make_unique<bench::Shop>(std::nullopt), true});
        if (const auto server = bench::Server::fromEnvironment())
            places.push_back({"server " + server->address, std::make_unique<bench::Shop>(server), false});
        else
            std::printf("(no server: TOUCHMOVE_SERVER, TOUCHMOVE_SERVER_DIR, TOUCHMOVE_SERVER_USER and "
                        "TOUCHMOVE_SERVER_PASSWORD are not all set)\n");

        bool met = true;
        for (Place &place : places) {
            place.shop->addProducts(lines);
            auto run = std::make_unique<Run>(*place.shop, lines);
            for (int way = 0; way < Run::Ways; ++way) // first use: connects, prepares and warms the caches
                run->post(Run::Way(way));
            std::vector<double> wall[Run::Ways], cpu[Run::Ways];
            for (int r = 0; r < rounds; ++r)
                for (int i = 0; i < Run::Ways; ++i) {
                    const int way = (r + i) % Run::Ways; // each round starts with another
                    const Time t = run->post(Run::Way(way));
                    wall[way].push_back(t.wall);
                    cpu[way].push_back(t.cpu);
                }
            run.reset(); // detached before the database is dropped

            const auto &judged = place.judgedOnProcessor ? cpu : wall;
            const double limit = median(judged[Run::StraightLimit]), screen = median(judged[Run::Screen]);
            const bool ok = screen <= Limit * limit;
            met = met && ok;
            // The runner's column is where the benchmark was sent: through the server when one is named.
            if (&place == &places.back())
                bench::printGoal("posting of " + std::to_string(lines) +
                                     " lines, grid on screen, against its prepared statements (embedded: processor time)",
                                 screen, Limit * limit);
            std::printf("posting a bill of %d lines, %s, median of %d interleaved rounds, judged on the %s\n", lines,
                        place.name.c_str(), rounds, place.judgedOnProcessor ? "processor time" : "time that passed");
            const char *names[Run::Ways] = {"on the screen (writer, grid attached and paused)",
                                            "the writer alone, no grid",
                                            "limit: read and insert prepared once, one transaction"};
            for (int way = 0; way < Run::Ways; ++way) {
                const double c = median(cpu[way]), w = median(wall[way]);
                std::printf("  %-54s passed %8.1f ms, processor %8.1f ms", names[way], w, c);
                if (way != Run::StraightLimit)
                    std::printf("   ratio %5.2f", median(judged[way]) / limit);
                if (way == Run::Screen)
                    std::printf(" (limit %.2f x %.1f = %.1f ms)  %s", Limit, limit, Limit * limit, ok ? "met" : "NOT MET");
                std::printf("\n");
            }
        }
        std::printf("goal (the screen's posting <= %.2f x the limit): %s\n", Limit, met ? "met" : "not met");
        return 0;
    } catch (const std::exception &e) {
        std::fprintf(stderr, "bench_posting: %s\n", e.what());
        return 1;
    }
}
