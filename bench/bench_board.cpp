// How long the product board takes on a large catalogue, for bills of 0, 2,000 and 10,000 lines: opening it
// (the count, the page list, the first page shown) and changing to page 2, a middle page and the last page.
// Make the catalogue first:
//
//   build/tools/makedemo DIR --products 50000
//   build/bench/bench_board DIR [--repeat N]
//   build/bench/bench_board DIR --crossover [--repeat N]
//
// With TOUCHMOVE_SERVER and the others set (bench/BenchShop.h), the board reads the catalogue through that
// server: DIR's database file is reached through it. Every figure is the median of N runs (15 by default) in
// milliseconds, the bills taken in turns within each run. Beside each figure stands its limit, measured in the same run: the server's own minimum for what the
// operator sees, plus 100 ms. That minimum is the count of the products in use and their first 100 rows for
// the opening, and the 100 rows of the page, read from its first code on, for a change of page; neither
// leaves the bill out, which only adds to the server's work.
//
// --crossover opens the board's offer both ways (the shop's statements with the bill in NOT IN lists, and the
// codes read once) for bills of 0 to 60 codes, to find the bill size from which reading the codes once is
// the cheaper (LiteralExclusionLimit).

#include "BenchShop.h"
#include "Goal.h"
#include "Timing.h"

#include "data/IniFile.h"
#include "data/SqlQuery.h"
#include "prodchk/FrmProdChk.h"
#include "prodchk/ProductOffer.h"
#include "transfer/core/LineTable.h"
#include "transfer/core/ProductMerge.h"
#include "transfer/core/TransferStore.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QListWidget>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <functional>
#include <map>
#include <vector>

namespace {

using bench::median;

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

constexpr double Allowance = 100; // ms beyond the server's own minimum

/// Runs a statement on the connection and reads all its rows.
void readAll(data::TSQLDataSet &statement, const std::string &text)
{
    statement.close();
    statement.setCommandText(text);
    const auto rows = statement.openSource(true);
    std::vector<data::TValue> row;
    while (rows->fetch(row)) {
    }
}

/// A bill of `lines` lines, its products spread over the catalogue of P00001 … P50000: its exclusion list.
std::string billOf(int lines)
{
    data::TClientDataSet table;
    transfer::createLineTable(table);
    const int step = lines > 0 ? 50000 / lines : 1;
    for (int n = 1; n <= lines; ++n) {
        char code[16];
        std::snprintf(code, sizeof code, "P%05d", n * step);
        table.append();
        table.fieldByName("PROD_ID").setAsString(code);
        table.post();
    }
    return transfer::exclusionList(transfer::LineTable(table));
}

struct Bill {
    const char *name;
    std::string prodIdList;
    int pages = 0;
    /// Figures and the server's minimum beside each, by operation.
    std::map<std::string, std::pair<std::vector<double>, std::vector<double>>> times;
};

/// The board's first code on its page shown.
std::string firstCodeShown(prodchk::TFormProdChk &board)
{
    data::TClientDataSet &shown = *board.DataSource1();
    return shown.displayValue(0, shown.fieldByName("PROD_ID").index()).asString();
}

void runOnce(transfer::TransferStore &store, Bill &bill)
{
    PrintedErrors errors;
    QTimer timer;
    data::TSQLDataSet minimum(&store.SQLConnection1);
    auto record = [&bill](const std::string &what, double figure, double floor) {
        bill.times[what].first.push_back(figure);
        bill.times[what].second.push_back(floor);
    };

    prodchk::TFormProdChk *board = nullptr;
    const double open = millis([&] {
        board = new prodchk::TFormProdChk({store.SQLConnection1, store.TempCDS, timer, bill.prodIdList, errors});
        board->listPages();
        board->loadPage(0);
    });
    const double openFloor = millis([&] {
        readAll(minimum, prodchk::countStatement(""));
        readAll(minimum, prodchk::pageStatement(0, ""));
    });
    record("opening", open, openFloor);

    bill.pages = board->ListBox1->count();
    const std::pair<const char *, int> changes[] = {
        {"page 2", 1}, {"a middle page", bill.pages / 2}, {"the last page", bill.pages - 1}};
    for (auto [what, entry] : changes) {
        const double change = millis([&] { board->ListBox1->setCurrentRow(entry); });
        const std::string from = firstCodeShown(*board);
        const double floor = millis([&] {
            readAll(minimum, "select first 100 PROD_ID, PROD_SNAME,NOW_QTY,DEL_FLAG from PRODUCT"
                             " WHERE NOW_QTY > 0 AND DEL_FLAG = 'False' AND PROD_ID >= '" + from +
                                 "' ORDER BY PROD_ID");
        });
        record(what, change, floor);
    }
    board->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

void printBill(const Bill &bill, int repeat)
{
    std::printf("%s (%d pages), median of %d runs, ms:\n", bill.name, bill.pages, repeat);
    std::printf("  %-16s %9s %11s %9s %7s\n", "", "board", "server min", "limit", "ratio");
    for (const char *what : {"opening", "page 2", "a middle page", "the last page"}) {
        const auto &[figures, floors] = bill.times.at(what);
        const double figure = median(figures);
        const double limit = median(floors) + Allowance;
        std::printf("  %-16s %9.1f %11.1f %9.1f %7.2f\n", what, figure, median(floors), limit, figure / limit);
    }
    for (const char *what : {"opening", "page 2", "a middle page", "the last page"}) {
        const auto &[figures, floors] = bill.times.at(what);
        bench::printGoal(std::string("product board, ") + bill.name + ", " + what, median(figures),
                         median(floors) + Allowance);
    }
}

/// The program folder the board runs from: DIR itself, or through the server of the environment a folder of
/// `own` whose connection definition reaches DIR's database through that server.
std::string programFolder(const std::string &dir, const QTemporaryDir &own)
{
    const std::optional<bench::Server> server = bench::Server::fromEnvironment();
    if (!server)
        return dir;
    std::string database = data::TIniFile(dir + "dbxconnections.ini").readString("Kobrel", "Database", "");
    if (database.starts_with('/'))
        database = server->address + ":" + database;
    const std::string folder = own.path().toStdString() + "/";
    shopdb::writeDefinitionFiles({folder, database, server->user, server->password});
    return folder;
}

/// Opening the offer both ways for small bills: the count and the first page, no window.
void crossover(transfer::TransferStore &store, int repeat)
{
    PrintedErrors errors;
    QTimer timer;
    const std::string noBill;
    prodchk::TFormProdChk board({store.SQLConnection1, store.TempCDS, timer, noBill, errors});
    std::printf("opening the offer, median of %d runs, ms:\n  %6s %12s %12s\n", repeat, "codes", "statements",
                "page starts");
    for (int codes = 0; codes <= 40; codes += 5) {
        const std::string list = billOf(codes);
        std::vector<double> literal, once;
        for (int i = 0; i < repeat; ++i) {
            for (auto [times, limit] : {std::pair{&literal, 1 << 30}, std::pair{&once, -1}}) {
                times->push_back(millis([&, limit] {
                    prodchk::ProductOffer offer(list, limit);
                    offer.count(board.ClientDataSet2, board.SQLDataSet1);
                    board.ClientDataSet1.close();
                    board.ClientDataSet1.setCommandText(*offer.pageStatement(0));
                    board.ClientDataSet1.open();
                }));
            }
        }
        std::printf("  %6d %12.1f %12.1f\n", codes, median(literal), median(once));
    }
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: bench_board DIR [--crossover] [--repeat N]   "
                             "(DIR made by makedemo DIR --products 50000)\n");
        return 2;
    }
    std::string dir = argv[1];
    if (dir.back() != '/')
        dir += '/';
    int repeat = 15;
    bool crossing = false;
    for (int i = 2; i < argc; ++i) {
        if (std::strcmp(argv[i], "--repeat") == 0 && i + 1 < argc)
            repeat = std::max(1, std::atoi(argv[++i]));
        else if (std::strcmp(argv[i], "--crossover") == 0)
            crossing = true;
    }

    try {
        const QTemporaryDir own;
        transfer::TransferStore store(programFolder(dir, own));
        store.SQLConnection1.open();
        transfer::createLineTable(store.ClientDataSet2);
        transfer::createPickedSet(store.TempCDS);
        if (crossing) {
            crossover(store, repeat);
            return 0;
        }
        std::vector<Bill> bills;
        for (auto [name, lines] : {std::pair{"empty bill", 0}, {"bill of 2,000 lines", 2000},
                                   {"bill of 10,000 lines", 10000}})
            bills.push_back({.name = name, .prodIdList = billOf(lines), .pages = 0, .times = {}});
        for (int i = 0; i < repeat; ++i)
            for (Bill &bill : bills)
                runOnce(store, bill);
        std::printf("the product board on %s\n", bench::whereItRuns().c_str());
        for (const Bill &bill : bills)
            printBill(bill, repeat);
    } catch (const std::exception &e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
    return 0;
}
