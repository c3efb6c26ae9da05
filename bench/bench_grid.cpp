// What the line grid costs the whole operations of the transfer screen: walking the line table, posting it as a
// bill and proposing its lines, on the embedded engine or through the server of the environment
// (bench/BenchShop.h), each without a grid and with the grid attached to the
// line table as on the screen (shown, at the screen's size, paused for the operation as the screen pauses
// it), and once more with the grid attached but not paused, as an operator's own walk through the lines
// meets it. Rounds are interleaved; every figure is a median and includes the event loop's work until the
// grid is drawn. Each is measured as the time that passed and as the processor time of the program (the
// embedded engine included), which leaves out the waits for a core that other work holds; the goal is judged
// on the latter. It holds for the operations of the screen, the posting and the proposal; the bare walk in
// memory has none: what the paused grid adds to it is one redraw, whatever the number of lines.
//
//   bench_grid [LINES] [ROUNDS]        (default 2000 lines, 5 rounds)

#include "BenchShop.h"
#include "Goal.h"
#include "Timing.h"

#include "data/SqlQuery.h"
#include "prompts/ScriptedMessageBox.h"
#include "transfer/core/BillWriter.h"
#include "transfer/core/LineTable.h"
#include "transfer/core/Proposal.h"
#include "transfer/core/TransferStore.h"
#include "widgets/DBGrid.h"

#include <QApplication>
#include <QElapsedTimer>

#include <time.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <functional>
#include <vector>

namespace {

using bench::median;
using bench::processorMilliseconds;
using bench::Time;

constexpr char StockingDate[] = "2004/06/26"; // the reference day is a week before: the bills' day 2004/06/19
constexpr double Limit = 1.25;                // the grid's operations against the same without it

/// The shop's products 1..count, each stocked 100 in the main warehouse S01, none in the branch S02, and sold
/// 3 by the branch on the reference day: every one is a candidate of the proposal.
void makeShop(const bench::Shop &shop, int count)
{
    shop.addProducts(count);
    data::TSQLConnection c(shop.programDir());
    c.ConnectionName = "Kobrel";
    c.startTransaction({});
    data::TSQLQuery q(&c);
    for (const char *sql : {"INSERT INTO STOCK_ITEM(STOCK_ID,STOCK_NAME) VALUES('S01','main')",
                            "INSERT INTO STOCK_ITEM(STOCK_ID,STOCK_NAME) VALUES('S02','branch')",
                            "INSERT INTO STORE_QTY(STOCK_ID,PROD_ID,NOW_QTY) SELECT 'S01',PROD_ID,100 FROM PRODUCT",
                            "INSERT INTO STORE_QTY(STOCK_ID,PROD_ID,NOW_QTY) SELECT 'S02',PROD_ID,0 FROM PRODUCT",
                            "INSERT INTO SAL_SUB(PROD_ID,QTY,BILL_DATE,STOCK_ID) "
                            "SELECT PROD_ID,3,'2004/06/19','S02' FROM PRODUCT"}) {
        q.SQL().clear();
        q.SQL().add(sql);
        q.execSQL();
    }
    c.commit({});
}

/// How the grid stands beside the line table during an operation.
enum Grid { NoGrid, Paused, Attached, GridKinds };
constexpr std::array<const char *, GridKinds> GridNames = {"without a grid", "grid paused (as the screen does)",
                                                             "grid attached, not paused"};

class Bench {
public:
    Bench(const std::string &programDir, int lines) : store_(programDir), lines_(lines)
    {
        for (int i = 0; i < transfer::LineFieldCount; ++i)
            grid_.setColumn(i, QString(), 50);
        grid_.resize(498, 437); // the grid's size on the screen at its design size
        grid_.show();
    }

    /// Runs `work` on the line table with the grid as `how` says; the time until the event loop has no more
    /// to do.
    Time timed(Grid how, const std::function<void()> &work)
    {
        grid_.setDataSet(how == NoGrid ? nullptr : &store_.ClientDataSet2);
        QCoreApplication::processEvents();
        QElapsedTimer t;
        const double cpu = processorMilliseconds();
        t.start();
        if (how == Paused) {
            const widgets::TDBGrid::Pause pause(grid_);
            work();
        } else {
            work();
        }
        QCoreApplication::processEvents();
        return {double(t.nsecsElapsed()) / 1e6, processorMilliseconds() - cpu};
    }

    /// A fresh line table of the bench's lines.
    void fillLines()
    {
        grid_.setDataSet(nullptr);
        bench::fillLineTable(store_.ClientDataSet2, lines_);
    }

    Time walk(Grid how)
    {
        fillLines();
        const transfer::LineTable lines(store_.ClientDataSet2);
        long sum = 0;
        const Time ms = timed(how, [&] {
            for (lines.set().first(); !lines.set().eof(); lines.set().next())
                sum += lines.toMove().asInteger();
        });
        if (sum == 0)
            throw std::runtime_error("the walk read nothing");
        return ms;
    }

    Time post(Grid how)
    {
        fillLines();
        const std::string no = bench::billNo(++bills_);
        transfer::BillWriter writer({store_.SQL_Product, store_.SQL_Master, store_.SQL_Sub}, clock_);
        transfer::BillWriter::Result result;
        const Time ms = timed(how, [&] {
            result = writer.write({no, "S01", "S02", "K001"}, "A01_bench", transfer::LineTable(store_.ClientDataSet2));
        });
        if (!result.written)
            throw std::runtime_error("the bill was not written: " + result.error);
        return ms;
    }

    Time propose(Grid how)
    {
        grid_.setDataSet(nullptr);
        transfer::createLineTable(store_.ClientDataSet2); // a terminal's first proposal
        transfer::Proposal proposal({store_.SQLQuery1, store_.ClientDataSet1, transfer::LineTable(store_.ClientDataSet2)},
                                    messages_);
        int candidates = 0;
        const Time ms = timed(how, [&] {
            if (!proposal.run({StockingDate, "S02", "S01"}, candidates))
                throw std::runtime_error("the proposal stopped early");
            store_.ClientDataSet2.first();
        });
        if (store_.ClientDataSet2.recordCount() != lines_ || !messages_.shown().empty())
            throw std::runtime_error("the proposal did not make one line per product");
        return ms;
    }

private:
    transfer::TransferStore store_;
    widgets::TDBGrid grid_;
    bench::FixedDay clock_;
    prompts::ScriptedMessageBox messages_;
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
    const int rounds = argc > 2 ? std::max(1, std::atoi(argv[2])) : 5;
    try {
        const bench::Shop shop;
        makeShop(shop, lines);

        Bench bench(shop.programDir(), lines);
        struct Operation {
            const char *name;
            Time (Bench::*run)(Grid);
            bool goal;
        };
        const Operation operations[] = {{"walk, in memory (no goal)", &Bench::walk, false},
                                        {"posting", &Bench::post, true},
                                        {"proposal", &Bench::propose, true}};
        for (const Operation &op : operations) // first use: connects, prepares and warms the engine's caches
            (bench.*op.run)(NoGrid);

        // Each round starts with another of the three, so that none always follows the same one.
        std::vector<double> wall[std::size(operations)][GridKinds], cpu[std::size(operations)][GridKinds];
        for (int r = 0; r < rounds; ++r)
            for (std::size_t o = 0; o < std::size(operations); ++o)
                for (int i = 0; i < GridKinds; ++i) {
                    const int how = (r + i) % GridKinds;
                    const Time t = (bench.*operations[o].run)(Grid(how));
                    wall[o][how].push_back(t.wall);
                    cpu[o][how].push_back(t.cpu);
                }

        std::printf("the line grid during whole operations, %d lines, %s, median of %d interleaved rounds\n", lines,
                    bench::whereItRuns().c_str(), rounds);
        bool met = true;
        for (std::size_t o = 0; o < std::size(operations); ++o) {
            const double wallAlone = median(wall[o][NoGrid]), cpuAlone = median(cpu[o][NoGrid]);
            std::printf("%s\n  %-34s processor %8.1f ms, passed %8.1f ms\n", operations[o].name, GridNames[NoGrid],
                        cpuAlone, wallAlone);
            for (int how = Paused; how < GridKinds; ++how) {
                const double c = median(cpu[o][how]), w = median(wall[o][how]);
                const bool judged = operations[o].goal && how == Paused;
                std::printf("  %-34s processor %8.1f ms, passed %8.1f ms   limit %.2f x = %8.1f ms   ratio %5.2f "
                            "(passed %5.2f)%s\n",
                            GridNames[how], c, w, Limit, Limit * cpuAlone, c / cpuAlone, w / wallAlone,
                            judged ? (c <= Limit * cpuAlone ? "  met" : "  NOT MET") : "");
                met = met && (!judged || c <= Limit * cpuAlone);
                if (judged)
                    bench::printGoal(std::string(operations[o].name) + " of " + std::to_string(lines) +
                                         " lines, grid on screen (processor time)",
                                     c, Limit * cpuAlone);
            }
        }
        std::printf("goal (the screen's operations with the grid <= %.2f x without it): %s\n", Limit,
                    met ? "met" : "not met");
        return 0;
    } catch (const std::exception &e) {
        std::fprintf(stderr, "bench_grid: %s\n", e.what());
        return 1;
    }
}
