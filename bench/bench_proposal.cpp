// Times the replenishment proposal on the large catalogue (50,000 products; the branch sold about 4,750 of
// them on the reference day, about 2,000 of which fall short) through the program's own layer, next to the
// same statement sequence issued straight through the Firebird client library, and prints both and the
// ratio.
//
//   bench_proposal [RUNS]        (default 5; the catalogue is made in a temporary folder by makedemo)

#include "data/DateText.h"
#include "data/SqlText.h"
#include "prompts/ScriptedMessageBox.h"
#include "transfer/core/LineTable.h"
#include "transfer/core/Proposal.h"
#include "transfer/core/StockingDate.h"
#include "transfer/core/TransferStore.h"

#include <firebird/Interface.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

using namespace Firebird;
namespace sql = transfer::proposal_sql;

extern "C" IMaster *ISC_EXPORT fb_get_master_interface();

namespace {

constexpr char Branch[] = "S02";
constexpr char Main[] = "S01";

struct Figures {
    double milliseconds = 0;
    int candidates = 0;
    int lines = 0;
};

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v.size() % 2 ? v[v.size() / 2] : (v[v.size() / 2 - 1] + v[v.size() / 2]) / 2;
}

// ---- through the program's layer ------------------------------------------------------------------------

class LayerRun {
public:
    explicit LayerRun(const std::string &programDir) : store_(programDir) {}

    Figures run(const std::string &stockingDate)
    {
        transfer::createLineTable(store_.ClientDataSet2); // a fresh table each run, as a terminal's first proposal
        QElapsedTimer timer;
        timer.start();
        transfer::Proposal proposal({store_.SQLQuery1, store_.ClientDataSet1, transfer::LineTable(store_.ClientDataSet2)},
                                    messages_);
        int candidates = 0;
        if (!proposal.run({stockingDate, Branch, Main}, candidates))
            throw std::runtime_error("the proposal stopped early");
        store_.ClientDataSet2.first();
        Figures f{double(timer.nsecsElapsed()) / 1e6, candidates, store_.ClientDataSet2.recordCount()};
        if (!messages_.shown().empty())
            throw std::runtime_error("the proposal showed a message");
        return f;
    }

private:
    transfer::TransferStore store_;
    prompts::ScriptedMessageBox messages_;
};

// ---- straight through the client library ----------------------------------------------------------------

/// One column of a result row, read from the raw message as the statement describes it.
struct Column {
    unsigned type, length, offset, nullOffset;
    int scale;
};

class DirectRun {
public:
    explicit DirectRun(const std::string &database)
        : master_(fb_get_master_interface()), status_(master_->getStatus())
    {
        IProvider *provider = master_->getDispatcher();
        IXpbBuilder *dpb = master_->getUtilInterface()->getXpbBuilder(&status_, IXpbBuilder::DPB, nullptr, 0);
        dpb->insertString(&status_, isc_dpb_user_name, "SYSDBA");
        dpb->insertString(&status_, isc_dpb_password, "masterkey");
        dpb->insertInt(&status_, isc_dpb_sql_dialect, 3);
        att_ = provider->attachDatabase(&status_, database.c_str(), dpb->getBufferLength(&status_),
                                        dpb->getBuffer(&status_));
        dpb->dispose();
        provider->release();
        // The same transactions as the program's: read committed, record versions, waiting on locks.
        tpb_ = {char(isc_tpb_version3), char(isc_tpb_write), char(isc_tpb_read_committed), char(isc_tpb_rec_version),
                char(isc_tpb_wait)};
    }
    ~DirectRun()
    {
        try {
            att_->detach(&status_);
        } catch (const FbException &) {
            att_->release();
        }
        status_.dispose();
    }
    DirectRun(const DirectRun &) = delete;
    DirectRun &operator=(const DirectRun &) = delete;

    Figures run(const std::string &stockingDate)
    {
        QElapsedTimer timer;
        timer.start();
        const std::string view = transfer::salesViewName(Branch);
        QDate day = transfer::referenceDay(*data::parseDate(stockingDate));
        if (!query(sql::viewLookUp(view)).empty())
            execute(sql::dropView(view));
        if (query(sql::salesSummary(data::formatDate(day), Branch, false)).empty()) {
            day = day.addDays(-7);
            query(sql::salesSummary(data::formatDate(day), Branch, true));
        }
        execute(sql::createView(view, data::formatDate(day), Branch));
        const Rows candidates = query(sql::candidates(view, Branch));
        Figures f{0, int(candidates.size()), 0};
        for (const Row &c : candidates) {
            const Rows main = query(sql::mainStock(Main, c[0].text));
            if (main.empty())
                continue;
            const long long need = c[2].number - (long long)c[1].number; // whole parts, as the line table keeps
            const long long mainStock = (long long)main[0][2].number;
            if (std::min(need, mainStock) > 0)
                ++f.lines;
        }
        f.milliseconds = double(timer.nsecsElapsed()) / 1e6;
        return f;
    }

private:
    struct Value {
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
            v.number = double(n / ISC_INT64(scale));
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

std::string makeCatalogue(const QTemporaryDir &dir)
{
    QProcess maker;
    maker.setProcessChannelMode(QProcess::ForwardedChannels);
    maker.start(QStringLiteral(TOUCHMOVE_MAKEDEMO), {dir.path(), QStringLiteral("--products"), QStringLiteral("50000")});
    if (!maker.waitForFinished(-1) || maker.exitCode() != 0)
        throw std::runtime_error("makedemo failed");
    return dir.path().toStdString() + "/";
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
    try {
        QTemporaryDir dir;
        const std::string programDir = makeCatalogue(dir);
        const std::string stockingDate = data::formatDate(QDate::currentDate().addDays(1));

        LayerRun layer(programDir);
        DirectRun direct(programDir + "POSDATA.FDB");
        layer.run(stockingDate); // first use: connects and warms the engine's caches
        direct.run(stockingDate);

        std::vector<double> layerTimes, directTimes;
        Figures l, d;
        for (int i = 0; i < runs; ++i) {
            l = layer.run(stockingDate);
            d = direct.run(stockingDate);
            layerTimes.push_back(l.milliseconds);
            directTimes.push_back(d.milliseconds);
            std::printf("run %d: layer %8.1f ms, client library %8.1f ms\n", i + 1, l.milliseconds, d.milliseconds);
        }
        if (l.candidates != d.candidates || l.lines != d.lines)
            std::printf("MISMATCH: the two sequences disagree\n");
        const double lm = median(layerTimes), dm = median(directTimes);
        std::printf("proposal for %s, stocking date %s: %d candidates, %d lines\n", Branch, stockingDate.c_str(),
                    l.candidates, l.lines);
        std::printf("median of %d runs: layer %.1f ms, client library %.1f ms, ratio %.2f\n", runs, lm, dm, lm / dm);
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
