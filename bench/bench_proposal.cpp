// Times the replenishment proposal on the large catalogue (50,000 products; the branch sold about 4,750 of
// them on the reference day, about 2,000 of which fall short) as the screen runs it: the program's layer with
// the line grid attached, shown at the screen's size and held still while the proposal runs, until the grid
// is drawn. Beside it stands its limit, measured in the same run straight through the Firebird client
// library: the view re-created as the program does it (look-up, drop, create) and the one select of the
// candidates with their main stock, every row fetched. The layer alone, without a grid, is shown too. On the
// embedded engine the goal is judged on the program's processor time (the engine's included), which leaves
// out the waits for a core that other work holds; through the server, on the time passed.
//
// It runs on the embedded engine, and also through the server named by TOUCHMOVE_SERVER (with
// TOUCHMOVE_SERVER_DIR, a folder of the server's own machine where the catalogue's file is copied, and
// TOUCHMOVE_SERVER_USER, TOUCHMOVE_SERVER_PASSWORD) when those are set. Runs are interleaved; every figure is
// the median of the time that passed.
//
//   bench_proposal [RUNS]        (default 7; the catalogue is made in a temporary folder by makedemo)

#include "data/DateText.h"
#include "data/SqlText.h"
#include "prompts/ScriptedMessageBox.h"
#include "tools/ShopDatabase.h"
#include "transfer/core/LineTable.h"
#include "transfer/core/Proposal.h"
#include "transfer/core/StockingDate.h"
#include "transfer/core/TransferStore.h"
#include "widgets/DBGrid.h"

#include <firebird/Interface.h>

#include "Goal.h"
#include "Timing.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <time.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>
#include <optional>
#include <string>
#include <vector>

using namespace Firebird;
namespace sql = transfer::proposal_sql;

extern "C" IMaster *ISC_EXPORT fb_get_master_interface();

namespace {

using bench::median;
using bench::processorMilliseconds;

constexpr char Branch[] = "S02";
constexpr char Main[] = "S01";
constexpr double Limit = 1.25; // the proposal on the screen against the view re-created and one select

struct Figures {
    double milliseconds = 0; ///< passed
    double processor = 0;    ///< milliseconds of processor time of this program, the embedded engine's included
    int candidates = 0;
    int lines = 0;
};

/// Where a catalogue is reached: its program folder (with the definition files) and its database.
struct Target {
    std::string name;
    std::string programDir;
    std::string database;
    std::string user = "SYSDBA";
    std::string password = "masterkey";
};

// ---- through the program's layer, with or without the grid ----------------------------------------------

class ScreenRun {
public:
    explicit ScreenRun(const std::string &programDir) : store_(programDir)
    {
        for (int i = 0; i < transfer::LineFieldCount; ++i)
            grid_.setColumn(i, QString(), 50);
        grid_.resize(498, 437); // the grid's size on the screen at its design size
        grid_.show();
    }

    Figures run(const std::string &stockingDate, bool withGrid)
    {
        grid_.setDataSet(nullptr);
        transfer::createLineTable(store_.ClientDataSet2); // a fresh table each run, as a terminal's first proposal
        if (withGrid)
            grid_.setDataSet(&store_.ClientDataSet2);
        QCoreApplication::processEvents();
        QElapsedTimer timer;
        const double cpu = processorMilliseconds();
        timer.start();
        transfer::Proposal proposal({store_.SQLQuery1, store_.ClientDataSet1, transfer::LineTable(store_.ClientDataSet2)},
                                    messages_);
        proposal.showReferenceDay = [this](const QDate &day) { referenceDay_ = day; };
        int candidates = 0;
        {
            std::optional<widgets::TDBGrid::Pause> pause; // the screen holds the grid still while it proposes
            if (withGrid)
                pause.emplace(grid_);
            if (!proposal.run({stockingDate, Branch, Main}, candidates))
                throw std::runtime_error("the proposal stopped early");
            store_.ClientDataSet2.first();
        }
        QCoreApplication::processEvents();
        Figures f{double(timer.nsecsElapsed()) / 1e6, processorMilliseconds() - cpu, candidates,
                  store_.ClientDataSet2.recordCount()};
        if (!messages_.shown().empty())
            throw std::runtime_error("the proposal showed a message");
        return f;
    }

    /// The day of the last proposal's sales.
    const QDate &referenceDay() const { return referenceDay_; }

private:
    transfer::TransferStore store_;
    widgets::TDBGrid grid_;
    QDate referenceDay_;
    prompts::ScriptedMessageBox messages_;
};

// ---- the limit, straight through the client library ------------------------------------------------------

/// One column of a result row, read from the raw message as the statement describes it.
struct Column {
    unsigned type, length, offset, nullOffset;
    int scale;
};

class LimitRun {
public:
    explicit LimitRun(const Target &target) : master_(fb_get_master_interface()), status_(master_->getStatus())
    {
        IProvider *provider = master_->getDispatcher();
        IXpbBuilder *dpb = master_->getUtilInterface()->getXpbBuilder(&status_, IXpbBuilder::DPB, nullptr, 0);
        dpb->insertString(&status_, isc_dpb_user_name, target.user.c_str());
        dpb->insertString(&status_, isc_dpb_password, target.password.c_str());
        dpb->insertInt(&status_, isc_dpb_sql_dialect, 3);
        att_ = provider->attachDatabase(&status_, target.database.c_str(), dpb->getBufferLength(&status_),
                                        dpb->getBuffer(&status_));
        dpb->dispose();
        provider->release();
        // The same transactions as the program's: read committed, record versions, waiting on locks.
        tpb_ = {char(isc_tpb_version3), char(isc_tpb_write), char(isc_tpb_read_committed), char(isc_tpb_rec_version),
                char(isc_tpb_wait)};
    }
    ~LimitRun()
    {
        try {
            att_->detach(&status_);
        } catch (const FbException &) {
            att_->release();
        }
        status_.dispose();
    }
    LimitRun(const LimitRun &) = delete;
    LimitRun &operator=(const LimitRun &) = delete;

    /// The view re-created for the day the program settled on, then the candidates with their main stock.
    Figures run(const QDate &day)
    {
        QElapsedTimer timer;
        const double cpu = processorMilliseconds();
        timer.start();
        const std::string view = transfer::salesViewName(Branch);
        if (!query(sql::viewLookUp(view)).empty())
            execute(sql::dropView(view));
        execute(sql::createView(view, data::formatDate(day), Branch));
        const Rows candidates = query(sql::candidatesWithMainStock(view, Branch, Main));
        Figures f{0, 0, int(candidates.size()), 0};
        for (const Row &c : candidates) {
            if (c[4].null)
                continue;
            const long long need = (long long)c[2].number - (long long)c[1].number; // whole parts, as the lines keep
            if (std::min(need, (long long)c[4].number) > 0)
                ++f.lines;
        }
        f.milliseconds = double(timer.nsecsElapsed()) / 1e6;
        f.processor = processorMilliseconds() - cpu;
        return f;
    }

private:
    struct Value {
        bool null = true;
        std::string text;
        double number = 0;
    };
    using Row = std::vector<Value>;
    using Rows = std::vector<Row>;

    /// A transaction for one statement; a select reads in a read-only one, as the program's selects do.
    ITransaction *begin(bool readOnly)
    {
        std::string tpb = tpb_;
        if (readOnly)
            tpb[1] = char(isc_tpb_read);
        return att_->startTransaction(&status_, unsigned(tpb.size()), reinterpret_cast<const unsigned char *>(tpb.data()));
    }

    void execute(const sql::Lines &statement)
    {
        ITransaction *tra = begin(false);
        att_->execute(&status_, tra, 0, data::joinLines(statement).c_str(), 3, nullptr, nullptr, nullptr, nullptr);
        tra->commit(&status_);
    }

    Rows query(const sql::Lines &statement)
    {
        ITransaction *tra = begin(true);
        IStatement *stmt = att_->prepare(&status_, tra, 0, data::joinLines(statement).c_str(), 3,
                                         IStatement::PREPARE_PREFETCH_METADATA);
        IMessageMetadata *meta = stmt->getOutputMetadata(&status_);
        std::vector<Column> columns;
        for (unsigned i = 0, n = meta->getCount(&status_); i < n; ++i)
            columns.push_back({meta->getType(&status_, i) & ~1u, meta->getLength(&status_, i), meta->getOffset(&status_, i),
                               meta->getNullOffset(&status_, i), meta->getScale(&status_, i)});
        std::vector<unsigned char> buffer(meta->getMessageLength(&status_));
        IResultSet *cursor = stmt->openCursor(&status_, tra, nullptr, nullptr, meta, 0);
        Rows rows;
        while (cursor->fetchNext(&status_, buffer.data()) == IStatus::RESULT_OK) {
            Row row;
            for (const Column &c : columns)
                row.push_back(decode(c, buffer.data()));
            rows.push_back(std::move(row));
        }
        cursor->close(&status_);
        meta->release();
        stmt->free(&status_);
        tra->commit(&status_);
        return rows;
    }

    static Value decode(const Column &c, const unsigned char *buf)
    {
        Value v;
        short null = 0;
        std::memcpy(&null, buf + c.nullOffset, sizeof null);
        if (null)
            return v;
        v.null = false;
        const unsigned char *p = buf + c.offset;
        double scale = 1;
        for (int i = c.scale; i < 0; ++i)
            scale *= 10;
        switch (c.type) {
        case SQL_VARYING: {
            unsigned short length = 0;
            std::memcpy(&length, p, sizeof length);
            v.text.assign(reinterpret_cast<const char *>(p) + 2, length);
            break;
        }
        case SQL_TEXT:
            v.text.assign(reinterpret_cast<const char *>(p), c.length);
            break;
        case SQL_LONG: {
            ISC_LONG n;
            std::memcpy(&n, p, sizeof n);
            v.number = double(n) / scale;
            break;
        }
        case SQL_INT64: {
            ISC_INT64 n;
            std::memcpy(&n, p, sizeof n);
            v.number = double(n) / scale;
            break;
        }
        case SQL_DOUBLE:
            std::memcpy(&v.number, p, sizeof v.number);
            break;
        default:
            break;
        }
        return v;
    }

    IMaster *master_;
    ThrowStatusWrapper status_;
    IAttachment *att_ = nullptr;
    std::string tpb_;
};

// ---- the catalogues -------------------------------------------------------------------------------------

Target makeCatalogue(const QTemporaryDir &dir)
{
    QProcess maker;
    maker.setProcessChannelMode(QProcess::ForwardedChannels);
    maker.start(QStringLiteral(TOUCHMOVE_MAKEDEMO), {dir.path(), QStringLiteral("--products"), QStringLiteral("50000")});
    if (!maker.waitForFinished(-1) || maker.exitCode() != 0)
        throw std::runtime_error("makedemo failed");
    const std::string folder = dir.path().toStdString() + "/";
    return {"embedded", folder, folder + "POSDATA.FDB"};
}

/// The embedded catalogue's file copied into the server's folder, and a program folder that reaches it
/// through the server; the copy is dropped with the object. Nothing when the server is not named.
class ServerCatalogue {
public:
    ServerCatalogue(const Target &embedded, const QTemporaryDir &dir)
    {
        const auto get = [](const char *name) { return qEnvironmentVariable(name).toStdString(); };
        const std::string server = get("TOUCHMOVE_SERVER"), folder = get("TOUCHMOVE_SERVER_DIR");
        if (server.empty() || folder.empty() || get("TOUCHMOVE_SERVER_USER").empty())
            return;
        const std::string file = folder + "/bench_proposal_" + std::to_string(QCoreApplication::applicationPid()) + ".fdb";
        if (!QFile::copy(QString::fromStdString(embedded.database), QString::fromStdString(file)))
            throw std::runtime_error("cannot copy the catalogue to " + file);
        target_ = Target{"server " + server, dir.path().toStdString() + "/", server + ":" + file,
                         get("TOUCHMOVE_SERVER_USER"), get("TOUCHMOVE_SERVER_PASSWORD")};
        shopdb::writeDefinitionFiles({target_->programDir, target_->database, target_->user, target_->password});
    }
    ~ServerCatalogue()
    {
        if (target_) {
            try {
                shopdb::dropDatabase({target_->programDir, target_->database, target_->user, target_->password});
            } catch (const std::exception &e) {
                std::fprintf(stderr, "bench_proposal: the copy on the server stays: %s\n", e.what());
            }
        }
    }
    ServerCatalogue(const ServerCatalogue &) = delete;
    ServerCatalogue &operator=(const ServerCatalogue &) = delete;

    const std::optional<Target> &target() const { return target_; }

private:
    std::optional<Target> target_;
};

/// The three figures of one catalogue, as time passed and as processor time.
struct Column3 {
    std::vector<double> limit, layer, screen;
    std::vector<double> limitCpu, layerCpu, screenCpu;
    Figures lastLimit, lastScreen;
};

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 7;
    try {
        QTemporaryDir embeddedDir, serverDir;
        std::vector<Target> targets{makeCatalogue(embeddedDir)};
        const ServerCatalogue onServer(targets[0], serverDir);
        if (onServer.target())
            targets.push_back(*onServer.target());

        const std::string stockingDate = data::formatDate(QDate::currentDate().addDays(1));
        QDate day; // the limit re-creates the view for the day the proposal settled on

        std::vector<std::unique_ptr<ScreenRun>> screens;
        std::vector<std::unique_ptr<LimitRun>> limits;
        std::vector<Column3> columns(targets.size());
        for (const Target &t : targets) {
            screens.push_back(std::make_unique<ScreenRun>(t.programDir));
            limits.push_back(std::make_unique<LimitRun>(t));
            screens.back()->run(stockingDate, true); // first use: connects and warms the engine's caches
            day = screens.back()->referenceDay();
            limits.back()->run(day);
        }

        for (int r = 0; r < runs; ++r)
            for (std::size_t t = 0; t < targets.size(); ++t) {
                Column3 &c = columns[t];
                // Each round starts with another of the three, so that none always follows the same one.
                for (int i = 0; i < 3; ++i) {
                    switch ((r + i) % 3) {
                    case 0:
                        c.lastLimit = limits[t]->run(day);
                        c.limit.push_back(c.lastLimit.milliseconds);
                        c.limitCpu.push_back(c.lastLimit.processor);
                        break;
                    case 1: {
                        const Figures f = screens[t]->run(stockingDate, false);
                        c.layer.push_back(f.milliseconds);
                        c.layerCpu.push_back(f.processor);
                        break;
                    }
                    default:
                        c.lastScreen = screens[t]->run(stockingDate, true);
                        c.screen.push_back(c.lastScreen.milliseconds);
                        c.screenCpu.push_back(c.lastScreen.processor);
                        break;
                    }
                }
            }

        std::printf("proposal for %s, stocking date %s, 50,000 products: %d candidates, %d lines; median of %d "
                    "interleaved runs, ms\n",
                    Branch, stockingDate.c_str(), columns[0].lastScreen.candidates, columns[0].lastScreen.lines, runs);
        bool met = true;
        for (std::size_t t = 0; t < targets.size(); ++t) {
            const Column3 &c = columns[t];
            if (c.lastLimit.candidates != c.lastScreen.candidates || c.lastLimit.lines != c.lastScreen.lines)
                throw std::runtime_error("the proposal and its limit disagree on " + targets[t].name);
            // On the embedded engine all the work is this program's: judged on its processor time, which leaves
            // out the waits for a core that other work holds. Through the server: on the time passed.
            const bool embedded = t == 0;
            const double limit = median(embedded ? c.limitCpu : c.limit), layer = median(embedded ? c.layerCpu : c.layer),
                         screen = median(embedded ? c.screenCpu : c.screen);
            const bool ok = screen <= Limit * limit;
            met = met && ok;
            std::printf("%s, %s (time passed: limit %.1f, layer %.1f, screen %.1f)\n", targets[t].name.c_str(),
                        embedded ? "processor time" : "time passed", median(c.limit), median(c.layer), median(c.screen));
            std::printf("  view re-created + one select (client library)  %8.1f\n", limit);
            std::printf("  proposal, layer alone (no goal)                %8.1f   ratio %5.2f\n", layer, layer / limit);
            std::printf("  proposal on the screen, grid included          %8.1f   limit %.2f x = %8.1f   ratio %5.2f  %s\n",
                        screen, Limit, Limit * limit, screen / limit, ok ? "met" : "NOT MET");
            // The runner's column is where the benchmark was sent: through the server when one is named.
            if (t + 1 == targets.size())
                bench::printGoal("proposal of 50,000 products, grid on screen (embedded: processor time)", screen,
                                 Limit * limit);
        }
        std::printf("goal (the proposal on the screen <= %.2f x the view re-created + one select): %s\n", Limit,
                    met ? "met" : "not met");
    } catch (const FbException &e) {
        char text[1024];
        fb_get_master_interface()->getUtilInterface()->formatStatus(text, sizeof text, e.getStatus());
        std::fprintf(stderr, "bench_proposal: %s\n", text);
        return 1;
    } catch (const std::exception &e) {
        std::fprintf(stderr, "bench_proposal: %s\n", e.what());
        return 1;
    }
    return 0;
}
