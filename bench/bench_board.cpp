// How long the product board takes on a large catalogue: opening it (the count, the first page and its copy)
// and changing page, each split into the server's own time for the same statements and the program's time
// beyond it. Make the catalogue first:
//
//   build/tools/makedemo DIR --products 50000
//   build/bench/bench_board DIR [--repeat N]
//
// Every figure is the median of N runs (15 by default), in milliseconds. The server's time is measured within
// the same run: the time the board's record sets spend waiting for their statements and rows. Before each
// change of page five products are ticked, so that the change collects them.

#include "data/DbError.h"
#include "prodchk/FrmProdChk.h"
#include "prodchk/ProductPages.h"
#include "transfer/core/LineTable.h"
#include "transfer/core/ProductMerge.h"
#include "transfer/core/TransferStore.h"
#include "widgets/DBCtrlGrid.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QListWidget>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <functional>
#include <vector>

namespace {

class PrintedErrors : public prompts::IErrorReporter {
public:
    void showError(const QString &message) override { std::fprintf(stderr, "error: %s\n", qPrintable(message)); }
};

double millis(const std::function<void()> &work)
{
    QElapsedTimer clock;
    clock.start();
    work();
    return double(clock.nsecsElapsed()) / 1e6;
}

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

/// Counts the time spent in the server: running a statement and fetching each of its rows.
class TimedProvider : public data::IRecordProvider {
public:
    explicit TimedProvider(data::IRecordProvider &inner) : inner_(inner) {}
    double spent = 0;

    std::unique_ptr<data::IRecordSource> open(const std::string &commandText) override
    {
        std::unique_ptr<data::IRecordSource> source;
        spent += millis([&] { source = inner_.open(commandText); });
        return std::make_unique<Source>(std::move(source), spent);
    }

private:
    class Source : public data::IRecordSource {
    public:
        Source(std::unique_ptr<data::IRecordSource> inner, double &spent) : inner_(std::move(inner)), spent_(spent) {}
        const std::vector<data::TFieldDef> &fieldDefs() const override { return inner_->fieldDefs(); }
        bool fetch(std::vector<data::TValue> &row) override
        {
            bool more = false;
            spent_ += millis([&] { more = inner_->fetch(row); });
            return more;
        }

    private:
        std::unique_ptr<data::IRecordSource> inner_;
        double &spent_;
    };
    data::IRecordProvider &inner_;
};

/// Medians of the whole time of an operation and of the server's part of it.
struct Figure {
    std::vector<double> total, server;
    void measure(TimedProvider &provider, const std::function<void()> &work)
    {
        provider.spent = 0;
        total.push_back(millis(work));
        server.push_back(provider.spent);
    }
};

void print(const std::string &what, const Figure &f)
{
    std::vector<double> program;
    for (std::size_t i = 0; i < f.total.size(); ++i)
        program.push_back(f.total[i] - f.server[i]);
    std::printf("  %-36s %9.2f %9.2f %9.2f\n", what.c_str(), median(f.total), median(f.server), median(program));
}

/// Ticks five products of the page shown, as the operator would before changing page.
void tickSome(prodchk::TFormProdChk &board)
{
    data::TClientDataSet &shown = *board.DataSource1();
    for (int row = 0; row < std::min(5, shown.displayRowCount()); ++row) {
        shown.gotoDisplayRow(row * 7);
        shown.edit();
        shown.fieldByName("DEL_FLAG").setAsString("True");
        shown.post();
    }
}

void runScenario(transfer::TransferStore &store, const char *name, int repeat)
{
    PrintedErrors errors;
    QTimer timer;
    const std::string prodIdList = transfer::exclusionList(transfer::LineTable(store.ClientDataSet2));

    Figure build, open, paint, second, middle, last;
    int pages = 0;
    for (int i = 0; i < repeat; ++i) {
        prodchk::TFormProdChk *board = nullptr;
        build.total.push_back(millis([&] {
            board = new prodchk::TFormProdChk({store.SQLConnection1, store.TempCDS, timer, prodIdList, errors});
        }));
        build.server.push_back(0);
        TimedProvider provider(board->DataSetProvider1);
        board->ClientDataSet1.setProvider(&provider);
        board->ClientDataSet2.setProvider(&provider);

        open.measure(provider, [&] {
            board->listPages(prodchk::countStatement(prodIdList));
            board->loadPage(0);
        });
        pages = board->ListBox1->count();
        paint.measure(provider, [&] { board->DBCtrlGrid1->grab(); });
        for (auto [figure, page] : {std::pair{&second, 1}, std::pair{&middle, pages / 2}, std::pair{&last, pages - 1}}) {
            tickSome(*board);
            figure->measure(provider, [&] { board->ListBox1->setCurrentRow(page); });
        }
        board->close(); // without "確定": the picked set goes back as it was
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    std::printf("%s (%d pages), median of %d runs:\n", name, pages, repeat);
    std::printf("  %-36s %9s %9s %9s\n", "", "total ms", "server ms", "program ms");
    print("building the dialog", build);
    print("opening (count, first page, copy)", open);
    print("drawing a full page", paint);
    print("changing to page 2", second);
    print("changing to page " + std::to_string(pages / 2 + 1), middle);
    print("changing to page " + std::to_string(pages), last);
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: bench_board DIR [--repeat N]   (DIR made by makedemo DIR --products 50000)\n");
        return 2;
    }
    std::string dir = argv[1];
    if (dir.back() != '/')
        dir += '/';
    int repeat = 15;
    if (argc >= 4 && std::strcmp(argv[2], "--repeat") == 0)
        repeat = std::max(1, std::atoi(argv[3]));

    try {
        transfer::TransferStore store(dir);
        store.SQLConnection1.open();
        transfer::createLineTable(store.ClientDataSet2);
        transfer::createPickedSet(store.TempCDS);
        runScenario(store, "empty bill", repeat);

        // A bill of 2,000 lines: the exclusion list runs past one IN list.
        auto &lines = store.ClientDataSet2;
        for (int n = 1; n <= 2000; ++n) {
            char code[16];
            std::snprintf(code, sizeof code, "P%05d", n * 7);
            lines.append();
            lines.fieldByName("PROD_ID").setAsString(code);
            lines.post();
        }
        runScenario(store, "bill of 2,000 lines", repeat);
    } catch (const std::exception &e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
    return 0;
}
