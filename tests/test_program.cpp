// The program as a process, as an operator, a technician or the system runs it: its options without a
// display, pointing a terminal at a shop database, and stopping on the signals of a logout or a service
// stop while the embedded engine is in use.

#include "ProgramRun.h"

#include "data/IniFile.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

#include <gtest/gtest.h>

#include <csignal>

namespace {

const QString Program = QStringLiteral(TOUCHMOVE_PROGRAM_DIR "/touchmove");

const QMap<QString, QString> NoDisplay = {{"DISPLAY", ""}, {"WAYLAND_DISPLAY", ""}, {"QT_QPA_PLATFORM", ""}};

/// A copy of the program in a folder of its own with the demo shop: its own terminal folder.
class DemoFolder {
public:
    DemoFolder()
    {
        EXPECT_TRUE(dir_.isValid());
        EXPECT_TRUE(QFile::copy(Program, program()));
        EXPECT_EQ(QProcess::execute(QStringLiteral(MAKEDEMO), {dir_.path()}), 0) << "the demo shop could not be made";
    }
    QString program() const { return file(QStringLiteral("touchmove")); }
    QString file(const QString &name) const { return dir_.filePath(name); }
    QByteArray bytes(const QString &name) const
    {
        QFile f(file(name));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }

private:
    QTemporaryDir dir_;
};

} // namespace

TEST(Options, WorkWithoutADisplay)
{
    const struct {
        QStringList arguments;
        int exitCode;
        QString says;
    } cases[] = {
        {{"--version"}, 0, QStringLiteral("touchmove " TOUCHMOVE_VERSION "\n")},
        {{"-v"}, 0, QStringLiteral("touchmove " TOUCHMOVE_VERSION "\n")},
        {{"--help"}, 0, QStringLiteral("--connect <database>")},
        {{"--help"}, 0, QStringLiteral("--user <name>")},
        {{"--help"}, 0, QStringLiteral("--version")},
        {{}, 1, QStringLiteral("desktop session")},
        {{"--user", "TERMINAL"}, 2, QStringLiteral("--user goes with --connect")},
        {{"--connect", "x.fdb"}, 2, QStringLiteral("--connect needs the database user")},
        {{"--connect", "x.fdb", "--user", "U", "more"}, 2, QStringLiteral("unexpected argument 'more'")},
        {{"--version", "--colour"}, 1, QStringLiteral("Unknown option 'colour'")},
    };
    for (const auto &c : cases) {
        const Outcome r = runProgram(Program, c.arguments, NoDisplay);
        const QString arguments = c.arguments.join(' ');
        EXPECT_EQ(r.exitCode, c.exitCode) << arguments.toStdString() << "\n" << r.err.toStdString();
        EXPECT_TRUE((r.out + r.err).contains(c.says)) << arguments.toStdString() << " says:\n"
                                                      << (r.out + r.err).toStdString();
    }
}

TEST(Connect, WritesTheDefinitionForItsOwnerOnlyAndKeepsItWhenTheConnectionFails)
{
    DemoFolder folder;
    const QString definition = folder.file(QStringLiteral("dbxconnections.ini"));
    const QString database = folder.file(QStringLiteral("POSDATA.FDB"));
    ASSERT_TRUE(QFile::setPermissions(definition, QFile::permissions(definition) | QFile::ReadOther));

    const QString missing = folder.file(QStringLiteral("NONE.FDB"));
    const QByteArray before = folder.bytes(QStringLiteral("dbxconnections.ini"));
    Outcome r = runProgram(folder.program(), {"--connect", missing, "--user", "SYSDBA"}, NoDisplay, "secret\n");
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(r.err.contains(QStringLiteral("cannot connect to ") + missing)) << r.err.toStdString();
    EXPECT_TRUE(r.err.contains(QStringLiteral("left as it was"))) << r.err.toStdString();
    EXPECT_EQ(folder.bytes(QStringLiteral("dbxconnections.ini")), before);
    EXPECT_EQ(QFile::permissions(definition) & (QFile::ReadGroup | QFile::ReadOther), 0)
        << "a definition that others could read is theirs no more, even when the connection failed";

    r = runProgram(folder.program(), {"--connect", database, "--user", "SYSDBA"}, NoDisplay, "masterkey\n");
    EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_TRUE(r.out.contains(QStringLiteral("(store 'K001')"))) << r.out.toStdString();
    EXPECT_EQ(QFile::permissions(definition) & (QFile::ReadGroup | QFile::ReadOther), 0)
        << "the definition holds a password";
    const data::TIniFile ini(definition.toStdString());
    EXPECT_EQ(ini.readString("Kobrel", "Database", ""), database.toStdString());
    EXPECT_EQ(ini.readString("Kobrel", "User_Name", ""), "SYSDBA");
    EXPECT_EQ(ini.readString("Kobrel", "Password", ""), "masterkey");
    EXPECT_EQ(ini.readString("Kobrel", "WaitOnLocks", ""), "True");
}

// The embedded engine puts in handlers of its own when it starts; the program still closes its window the
// normal way (the close handler writes the settings and the picked-product file) and ends.
TEST(StopSignals, CloseTheScreenTheNormalWay)
{
    DemoFolder folder;
    const QString settings = folder.file(QStringLiteral("FormTouchMove.INI"));
    const QString picked = folder.file(QStringLiteral("aaa.cds"));
    const QString log = folder.file(QStringLiteral("touchmove.log"));
    for (const int signal : {SIGTERM, SIGINT, SIGHUP}) {
        const QString name = QStringLiteral("SIG") + sigabbrev_np(signal);
        QFile::remove(settings);
        QFile::remove(picked);
        QFile::remove(log);
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        QProcess process;
        process.setProcessEnvironment(env);
        process.setProcessChannelMode(QProcess::ForwardedChannels);
        process.start(folder.program(), {});
        ASSERT_TRUE(process.waitForStarted());
        QElapsedTimer waited;
        waited.start();
        while (!folder.bytes(QStringLiteral("touchmove.log")).contains("the transfer screen is open") &&
               process.state() == QProcess::Running && waited.elapsed() < 60000)
            QThread::msleep(50);
        ASSERT_TRUE(folder.bytes(QStringLiteral("touchmove.log")).contains("the transfer screen is open"))
            << name.toStdString() << ": the screen did not open\n" << folder.bytes("touchmove.log").toStdString();

        QElapsedTimer stopping;
        stopping.start();
        ::kill(pid_t(process.processId()), signal);
        const bool ended = process.waitForFinished(5000);
        const qint64 milliseconds = stopping.elapsed();
        if (!ended) {
            process.kill();
            process.waitForFinished();
        }
        ASSERT_TRUE(ended) << name.toStdString() << ": the program did not end within 5 s";
        std::printf("%s: ended after %lld ms\n", qPrintable(name), milliseconds);
        EXPECT_EQ(process.exitStatus(), QProcess::NormalExit) << name.toStdString();
        EXPECT_EQ(process.exitCode(), 0) << name.toStdString();
        const data::TIniFile ini(settings.toStdString());
        EXPECT_TRUE(ini.sectionExists("System")) << name.toStdString() << ": the settings were not written";
        EXPECT_EQ(ini.sectionValues("System").size(), 3u) << name.toStdString();
        EXPECT_TRUE(QFile::exists(picked)) << name.toStdString() << ": the picked products were not saved";
        EXPECT_TRUE(folder.bytes(QStringLiteral("touchmove.log")).contains("stopping on " + name.toLatin1()))
            << folder.bytes("touchmove.log").toStdString();
    }
}
