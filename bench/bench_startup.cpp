// The program's start-up as the operator sees it: from starting the program to its transfer screen mapped on
// the display, on a demo shop of its own (the large catalogue by default), on the embedded engine or through
// the server of the environment (bench/BenchShop.h). The program runs from a temporary program folder of its
// own, on a virtual X display the benchmark starts (Xvfb), which tells the benchmark the moment the screen's
// window is mapped; the program is then asked to stop, as the system asks it at shutdown. Prints the median of
// the runs beside the limit, 500 ms.
//
//   bench_startup [RUNS] [--products N]        (default 9 runs, 50,000 products)

#include "BenchShop.h"
#include "Goal.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <xcb/xcb.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <stdexcept>
#include <vector>

namespace {

constexpr double Limit = 500; // ms from the start to the screen shown
constexpr int WaitMs = 30000; // for the display, the program's window and its end

/// A virtual X display of the benchmark's own, on the first free display number; stopped with the object.
class VirtualDisplay {
public:
    VirtualDisplay()
    {
        server_.setProgram(QStringLiteral("Xvfb"));
        server_.setArguments({QStringLiteral("-displayfd"), QStringLiteral("1"), QStringLiteral("-nolisten"),
                              QStringLiteral("tcp"), QStringLiteral("-noreset"), QStringLiteral("-screen"), QStringLiteral("0"),
                              QStringLiteral("1280x1024x24")});
        server_.start();
        if (!server_.waitForStarted(WaitMs))
            throw std::runtime_error("Xvfb did not start (the package xvfb): " + server_.errorString().toStdString());
        while (!server_.canReadLine() && server_.waitForReadyRead(WaitMs)) {
        }
        const QByteArray number = server_.readLine().trimmed();
        if (number.isEmpty())
            throw std::runtime_error("Xvfb named no display");
        name_ = ":" + number.toStdString();
    }
    ~VirtualDisplay()
    {
        server_.terminate();
        if (!server_.waitForFinished(5000))
            server_.kill();
    }
    const std::string &name() const { return name_; }

private:
    QProcess server_;
    std::string name_;
};

/// A connection to the display that hears of every top-level window mapped on it.
class MapWatch {
public:
    explicit MapWatch(const std::string &display) : c_(xcb_connect(display.c_str(), nullptr), &xcb_disconnect)
    {
        if (xcb_connection_has_error(c_.get()))
            throw std::runtime_error("cannot connect to the display " + display);
        const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(c_.get())).data->root;
        const uint32_t mask = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
        std::free(xcb_request_check(c_.get(), xcb_change_window_attributes_checked(c_.get(), root, XCB_CW_EVENT_MASK, &mask)));
    }

    /// Waits for the next top-level window to be mapped; false when the connection ends first.
    bool nextMap()
    {
        for (;;) {
            const std::unique_ptr<xcb_generic_event_t, decltype(&std::free)> event(xcb_wait_for_event(c_.get()), &std::free);
            if (!event)
                return false;
            if ((event->response_type & 0x7f) == XCB_MAP_NOTIFY
                && !reinterpret_cast<const xcb_map_notify_event_t *>(event.get())->override_redirect)
                return true;
        }
    }

private:
    std::unique_ptr<xcb_connection_t, decltype(&xcb_disconnect)> c_;
};

/// A program folder of its own: the program, and the demo shop that makedemo makes in it. Through the server
/// of the environment, the program reaches the shop's database file through that server.
class ProgramFolder {
public:
    explicit ProgramFolder(int products)
    {
        if (!dir_.isValid() || !QFile::copy(QStringLiteral(TOUCHMOVE_PROGRAM), program()))
            throw std::runtime_error("cannot copy the program into " + dir_.path().toStdString());
        QProcess makedemo;
        makedemo.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        makedemo.setStandardOutputFile(QProcess::nullDevice());
        makedemo.start(QStringLiteral(TOUCHMOVE_MAKEDEMO), {dir_.path(), QStringLiteral("--products"), QString::number(products)});
        if (!makedemo.waitForFinished(10 * 60 * 1000) || makedemo.exitStatus() != QProcess::NormalExit
            || makedemo.exitCode() != 0)
            throw std::runtime_error("makedemo did not make the demo shop");
        if (const std::optional<bench::Server> server = bench::Server::fromEnvironment()) {
            const std::string folder = dir_.path().toStdString() + "/";
            shopdb::writeDefinitionFiles(
                {folder, server->address + ":" + folder + "POSDATA.FDB", server->user, server->password});
        }
    }

    QString program() const { return QDir(dir_.path()).filePath(QStringLiteral("touchmove")); }

private:
    QTemporaryDir dir_;
};

/// Starts the program and waits for its first top-level window; asks it to stop after. Milliseconds.
double startOnce(const ProgramFolder &folder, const std::string &display)
{
    MapWatch watch(display);
    QProcess program;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("DISPLAY"), QString::fromStdString(display));
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    program.setProcessEnvironment(environment);
    program.setStandardOutputFile(QProcess::nullDevice());
    program.setStandardErrorFile(QProcess::nullDevice()); // its journal, a few lines a start

    QElapsedTimer clock;
    clock.start();
    program.start(folder.program(), {});
    if (!program.waitForStarted(WaitMs))
        throw std::runtime_error("the program did not start: " + program.errorString().toStdString());
    if (!watch.nextMap())
        throw std::runtime_error("the display went away before the program showed a window");
    const double ms = double(clock.nsecsElapsed()) / 1e6;

    if (program.state() != QProcess::Running)
        throw std::runtime_error("the program ended instead of showing its screen");
    program.terminate(); // as at shutdown: the screen closes and the program ends
    if (!program.waitForFinished(WaitMs)) {
        program.kill();
        program.waitForFinished(WaitMs);
        throw std::runtime_error("the program did not stop when asked");
    }
    if (program.exitStatus() != QProcess::NormalExit || program.exitCode() != 0)
        throw std::runtime_error("the program did not end cleanly when asked to stop");
    return ms;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    int runs = 9;
    int products = 50000;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--products") == 0 && i + 1 < argc)
            products = std::max(1, std::atoi(argv[++i]));
        else
            runs = std::max(1, std::atoi(argv[i]));
    }
    try {
        const ProgramFolder folder(products);
        const VirtualDisplay display;
        startOnce(folder, display.name()); // the program's files into the page cache, as on a terminal in use
        std::vector<double> times;
        for (int i = 0; i < runs; ++i)
            times.push_back(startOnce(folder, display.name()));
        std::sort(times.begin(), times.end());
        const double median = times[times.size() / 2];
        std::printf("start-up to the transfer screen shown, %d products, %s, median of %d runs: %.0f ms "
                    "(fastest %.0f, slowest %.0f), limit %.0f ms, ratio %.2f\n",
                    products, bench::whereItRuns().c_str(), runs, median, times.front(), times.back(), Limit,
                    median / Limit);
        bench::printGoal("start-up to the transfer screen shown, " + std::to_string(products) + " products", median,
                         Limit);
    } catch (const std::exception &e) {
        std::fprintf(stderr, "bench_startup: %s\n", e.what());
        return 1;
    }
    return 0;
}
