// The bill's preview and PDF for bills of 250 to 10,000 lines: the layout alone, the time from the hand-off
// files to the first page in the preview window (offscreen), and the time from the hand-off files to a written
// PDF file. Each figure is the median of interleaved runs (every size once per run), printed beside its goal
// and the ratio; the time per line of each size is printed beside the 250-line figure of the same runs. The
// process's CPU time stands beside each time in parentheses: on a machine shared with other work it tells the
// program's own cost. The bill's preview reads no database: it runs the same whatever the server.
//
//   bench_preview [RUNS] [LINES...]

#include "Goal.h"
#include "Timing.h"

#include "data/ClientDataSet.h"
#include "data/IniFile.h"
#include "preview/BillLayout.h"
#include "preview/HandOff.h"
#include "preview/PreviewWindow.h"
#include "preview/ReportTemplate.h"

#include <QApplication>
#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QStringEncoder>
#include <QTemporaryDir>
#include <QThread>

#include <sys/resource.h>
#include <time.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <random>
#include <vector>

namespace {

using bench::median;

std::string cp950(const QString &text)
{
    QStringEncoder encoder("windows-950");
    return QByteArray(encoder.encode(text)).toStdString();
}

/// Product names as a shop has them: mostly short, some long enough to take two lines on the bill.
QString productName(std::mt19937 &random)
{
    static const QStringList parts{"竹林", "巧克力", "牛奶", "青禾", "肉燥麵", "綠茶", "餅乾", "海鹽", "洋芋片",
                                   "家庭號", "超值組合包", "無糖", "大瓶裝"};
    QString name;
    const int count = 1 + int(random() % 6);
    for (int i = 0; i < count; ++i)
        name += parts[int(random() % parts.size())];
    return name.left(25);
}

/// The hand-off files of a bill of `lines` lines, as the transfer screen writes them.
void writeHandOff(const QDir &dir, int lines)
{
    const auto path = [&](const char *name) { return QFile::encodeName(dir.filePath(QString::fromLatin1(name))).toStdString(); };
    data::TIniFile ini(path("rpttemp.ini"));
    ini.writeString("rpttemp", "path", TOUCHMOVE_SOURCE_DIR "/preview/rtm/quorvan.rtm");
    ini.writeString("rpttemp", "tempfile", path("temp.cds"));
    ini.writeString("rpttemp", "tempfile2", path("temp2.cds"));
    ini.writeString("rpttemp", "Filter", "");
    ini.writeString("rpttemp", "Filtered", "False");

    data::TClientDataSet bill;
    for (const char *name : {"MASTERBILLID", "BILL_DATE", "S_STOCKID", "T_STOCKID", "PROD_ID", "PROD_NAME", "UNITNAME"})
        bill.addFieldDef(name, data::TFieldType::ftString, 60);
    bill.addFieldDef("QTY", data::TFieldType::ftInteger);
    bill.createDataSet();
    std::mt19937 random(lines);
    for (int i = 1; i <= lines; ++i) {
        bill.append();
        bill.fieldByName("MASTERBILLID").setAsString("202406190001");
        bill.fieldByName("BILL_DATE").setAsString("2024/06/19");
        bill.fieldByName("S_STOCKID").setAsString("S01");
        bill.fieldByName("T_STOCKID").setAsString("S02");
        bill.fieldByName("PROD_ID").setAsString(QStringLiteral("P%1").arg(i, 5, 10, QLatin1Char('0')).toStdString());
        bill.fieldByName("PROD_NAME").setAsString(cp950(productName(random)));
        bill.fieldByName("UNITNAME").setAsString(cp950(QStringLiteral("箱")));
        bill.fieldByName("QTY").setAsInteger(1 + int(random() % 400));
        bill.post();
    }
    bill.saveToFile(path("temp.cds"));

    data::TClientDataSet header;
    for (int i = 0; i <= 12; ++i)
        header.addFieldDef("Field" + std::to_string(i), data::TFieldType::ftString, 50);
    header.createDataSet();
    header.append();
    header.fieldByName("Field0").setAsString(cp950(QStringLiteral("S01總倉")));
    header.fieldByName("Field1").setAsString(cp950(QStringLiteral("S02中山分倉")));
    header.fieldByName("Field12").setAsString(cp950(QStringLiteral("中山店 調撥單")));
    header.post();
    header.saveToFile(path("temp2.cds"));
}

/// The offscreen platform's warning at every window shown says nothing about the figures.
void quietOffscreen(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    if (!message.contains(u"propagateSizeHints"))
        std::fprintf(stderr, "%s\n", qPrintable(qFormatLogMessage(type, context, message)));
}

/// Wall-clock and CPU time since it was made, in milliseconds.
class Stopwatch {
public:
    Stopwatch() { wall_.start(); }
    double ms() const { return wall_.nsecsElapsed() / 1e6; }
    double cpuMs() const { return cpuNow() - cpu_; }

private:
    static double cpuNow()
    {
        timespec t{};
        clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
        return t.tv_sec * 1e3 + t.tv_nsec / 1e6;
    }
    QElapsedTimer wall_;
    double cpu_ = cpuNow();
};

struct Time {
    double ms = 0;
    double cpuMs = 0;
};

Time elapsed(const Stopwatch &watch) { return {watch.ms(), watch.cpuMs()}; }

Time layOut(const QString &dir, int &pages)
{
    const preview::HandOff bill = preview::readHandOff(dir);
    const preview::ReportTemplate report = preview::ReportTemplate::fromFile(bill.templatePath);
    const Stopwatch watch;
    preview::BillLayout layout(report, bill, preview::billPageLayout());
    layout.finish();
    const Time time = elapsed(watch);
    pages = int(layout.pages().size());
    return time;
}

/// From reading the hand-off to the first page painted in the preview window.
Time toFirstPage(const QString &dir)
{
    const Stopwatch watch;
    const preview::HandOff bill = preview::readHandOff(dir);
    const preview::ReportTemplate report = preview::ReportTemplate::fromFile(bill.templatePath);
    preview::PreviewWindow window(report, bill);
    QEventLoop loop;
    QObject::connect(&window, &preview::PreviewWindow::pagesReady, &loop, &QEventLoop::quit);
    window.show();
    loop.exec();
    window.repaint();
    return elapsed(watch);
}

Time toPdf(const QString &dir)
{
    const QString pdf = QDir(dir).filePath(QStringLiteral("bill.pdf"));
    QFile::remove(pdf);
    const Stopwatch watch;
    preview::renderToPdf(dir, pdf);
    const Time time = elapsed(watch);
    if (QFile(pdf).size() == 0)
        throw std::runtime_error("no PDF file was written");
    return time;
}

/// The times of one measure over the runs.
struct Times {
    std::vector<double> ms, cpuMs;
    void add(Time t)
    {
        ms.push_back(t.ms);
        cpuMs.push_back(t.cpuMs);
    }
    double median() const { return ::median(ms); }
    QString text() const { return QStringLiteral("%1 (%2)").arg(::median(ms), 0, 'f', 0).arg(::median(cpuMs), 0, 'f', 0); }
};

struct Figures {
    int pages = 0;
    Times layout, window, pdf;
};

/// Least-squares line through (lines, median ms): the time per line and the fixed part.
std::pair<double, double> slope(const std::map<int, Figures> &figures, Times Figures::*which)
{
    double n = 0, sx = 0, sy = 0, sxx = 0, sxy = 0;
    for (const auto &[lines, f] : figures) {
        const double y = (f.*which).median();
        n += 1, sx += lines, sy += y, sxx += double(lines) * lines, sxy += lines * y;
    }
    const double perLine = (n * sxy - sx * sy) / (n * sxx - sx * sx);
    return {perLine, (sy - perLine * sx) / n};
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    qInstallMessageHandler(quietOffscreen);
    QApplication app(argc, argv);
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
    std::vector<int> sizes{250, 500, 1000, 2000, 5000, 10000};
    if (argc > 2) {
        sizes.clear();
        for (int i = 2; i < argc; ++i)
            sizes.push_back(std::max(1, std::atoi(argv[i])));
    }

    try {
        QTemporaryDir temp;
        std::map<int, Figures> figures;
        for (int lines : sizes) {
            QDir(temp.path()).mkdir(QString::number(lines));
            writeHandOff(QDir(temp.filePath(QString::number(lines))), lines);
        }
        toFirstPage(temp.filePath(QString::number(sizes.front()))); // fonts and the window's first use
        for (int run = 0; run < runs; ++run) {
            for (int lines : sizes) {
                const QString dir = temp.filePath(QString::number(lines));
                Figures &f = figures[lines];
                f.layout.add(layOut(dir, f.pages));
                f.window.add(toFirstPage(dir));
                f.pdf.add(toPdf(dir));
            }
            std::fprintf(stderr, "run %d of %d done\n", run + 1, runs);
        }

        double load[3] = {};
        getloadavg(load, 3);
        std::printf("The bill's preview and PDF, medians of %d interleaved runs, %s, %d CPUs, load %.2f %.2f %.2f\n\n",
                    runs, qPrintable(QDateTime::currentDateTime().toString(Qt::ISODate)), QThread::idealThreadCount(),
                    load[0], load[1], load[2]);
        std::printf("Times in ms, the process's CPU time in parentheses.\n\n");
        std::printf("| lines | pages | layout | ms/line | to the window's first page | ms/line | PDF | ms/line |\n");
        std::printf("|---:|---:|---:|---:|---:|---:|---:|---:|\n");
        for (const auto &[lines, f] : figures)
            std::printf("| %d | %d | %s | %.3f | %s | %.3f | %s | %.3f |\n", lines, f.pages, qPrintable(f.layout.text()),
                        f.layout.median() / lines, qPrintable(f.window.text()), f.window.median() / lines,
                        qPrintable(f.pdf.text()), f.pdf.median() / lines);

        std::printf("\n| goal | figure | limit | ratio |\n|---|---:|---:|---:|\n");
        if (figures.count(2000)) {
            const Times &w = figures[2000].window;
            std::printf("| 2,000 lines to the preview window's first page | %s ms | 1000 ms | %.2f |\n",
                        qPrintable(w.text()), w.median() / 1000);
        }
        if (figures.count(10000)) {
            const Times &p = figures[10000].pdf;
            std::printf("| PDF of 10,000 lines | %s ms | 5000 ms | %.2f |\n", qPrintable(p.text()), p.median() / 5000);
        }
        const auto &smallest = *figures.begin();
        const auto &largest = *figures.rbegin();
        const auto perLine = [&](const char *what, Times Figures::*which) {
            const double limit = (smallest.second.*which).median() / smallest.first;
            const double figure = (largest.second.*which).median() / largest.first;
            std::printf("| %s per line at %d lines, against %d lines | %.3f ms | %.3f ms | %.2f |\n", what,
                        largest.first, smallest.first, figure, limit, figure / limit);
        };
        perLine("layout", &Figures::layout);
        perLine("window", &Figures::window);
        perLine("PDF", &Figures::pdf);
        std::printf("\n");
        if (figures.count(2000))
            bench::printGoal("preview of 2,000 lines, to the window's first page", figures[2000].window.median(), 1000);
        if (figures.count(10000))
            bench::printGoal("PDF of 10,000 lines", figures[10000].pdf.median(), 5000);
        for (const auto &[what, which] : {std::pair("window", &Figures::window), std::pair("PDF", &Figures::pdf)})
            bench::printGoal(QStringLiteral("%1, ms per line at %2 lines against %3 lines")
                                 .arg(QString::fromLatin1(what))
                                 .arg(largest.first)
                                 .arg(smallest.first)
                                 .toStdString(),
                             (largest.second.*which).median() / largest.first,
                             (smallest.second.*which).median() / smallest.first);

        std::printf("\nSlope over all sizes (least squares): ");
        for (const auto &[what, which] : {std::pair("layout", &Figures::layout), std::pair("window", &Figures::window),
                                          std::pair("PDF", &Figures::pdf)}) {
            const auto [ms, fixed] = slope(figures, which);
            std::printf("%s %.3f ms/line + %.0f ms; ", what, ms, fixed);
        }
        rusage usage{};
        getrusage(RUSAGE_SELF, &usage);
        std::printf("\nPeak memory: %.0f MB\n", usage.ru_maxrss / 1024.0);
    } catch (const std::exception &e) {
        std::fprintf(stderr, "bench_preview: %s\n", e.what());
        return 1;
    }
    return 0;
}
