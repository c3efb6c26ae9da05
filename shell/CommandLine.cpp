#include "CommandLine.h"

#include "terminal/Definitions.h"
#include "terminal/TerminalFolder.h"

#include "data/ConnectionDefs.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFile>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <string>

#include <termios.h>
#include <unistd.h>

namespace shell {

namespace {

bool isProgramOption(const char *argument)
{
    static const char *const names[] = {"-h", "-?", "--help", "--help-all", "-v", "--version", "--connect", "--user"};
    const std::string name = std::string(argument).substr(0, std::string(argument).find('='));
    return std::any_of(std::begin(names), std::end(names), [&](const char *n) { return name == n; });
}

/// One line of standard input; not echoed when it comes from a terminal.
std::string readPassword(const std::string &user)
{
    const bool typed = isatty(STDIN_FILENO);
    termios saved{};
    if (typed) {
        std::fprintf(stderr, "Password of %s: ", user.c_str());
        tcgetattr(STDIN_FILENO, &saved);
        termios quiet = saved;
        quiet.c_lflag &= ~tcflag_t(ECHO);
        tcsetattr(STDIN_FILENO, TCSAFLUSH, &quiet);
    }
    std::string password;
    std::getline(std::cin, password);
    if (typed) {
        tcsetattr(STDIN_FILENO, TCSAFLUSH, &saved);
        std::fprintf(stderr, "\n");
    }
    if (!password.empty() && password.back() == '\r')
        password.pop_back();
    return password;
}

int connect(const std::string &database, const std::string &user)
{
    if (user.empty()) {
        std::fprintf(stderr, "touchmove: --connect needs the database user (--user NAME)\n");
        return 2;
    }
    try {
        terminal::prepareTerminalFolder();
        const std::string folder = terminal::terminalFolder();
        std::string store = terminal::connectTerminal(folder, {database, user, readPassword(user)});
        store.erase(store.find_last_not_of(' ') + 1);
        std::printf("touchmove: this terminal now works on %s as %s (store '%s'); connection definition %s\n",
                    database.c_str(), user.c_str(), store.c_str(), data::connectionRegistryFile(folder).c_str());
        return 0;
    } catch (const std::exception &error) {
        std::fprintf(stderr,
                     "touchmove: cannot connect to %s as %s: %s\n"
                     "The terminal's connection definition was left as it was.\n",
                     database.c_str(), user.c_str(), error.what());
        return 1;
    }
}

} // namespace

std::optional<int> runOptions(int argc, char **argv)
{
    if (std::none_of(argv + 1, argv + argc, isProgramOption))
        return std::nullopt;
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("touchmove"));
    QCoreApplication::setApplicationVersion(QStringLiteral(TOUCHMOVE_VERSION));

    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("The stock-transfer terminal. Without options it opens the transfer screen on the shop "
                       "database named by the connection definition of its terminal folder:\n  ") +
        QFile::decodeName(terminal::terminalFolder().c_str()));
    parser.addHelpOption();
    parser.addVersionOption();
    const QCommandLineOption connectOption(
        QStringLiteral("connect"),
        QStringLiteral("Points this terminal at the shop database <database> (\"host:/path/POSDATA.FDB\" on a "
                       "server, or a file for the embedded engine) and tries the connection. The password is "
                       "read from standard input."),
        QStringLiteral("database"));
    const QCommandLineOption userOption(QStringLiteral("user"), QStringLiteral("The database user for --connect."),
                                        QStringLiteral("name"));
    parser.addOption(connectOption);
    parser.addOption(userOption);
    parser.process(app); // --help, --version and mistakes end the program here

    if (!parser.positionalArguments().isEmpty()) {
        std::fprintf(stderr, "touchmove: unexpected argument '%s' (see touchmove --help)\n",
                     qPrintable(parser.positionalArguments().constFirst()));
        return 2;
    }
    if (!parser.isSet(connectOption)) {
        std::fprintf(stderr, "touchmove: --user goes with --connect (see touchmove --help)\n");
        return 2;
    }
    return connect(QFile::encodeName(parser.value(connectOption)).toStdString(),
                   parser.value(userOption).toStdString());
}

bool canShowWindows(int argc, char **argv)
{
    for (const char *name : {"QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY"})
        if (!qEnvironmentVariableIsEmpty(name))
            return true;
    return std::any_of(argv + 1, argv + argc, [](const char *argument) {
        return std::strcmp(argument, "-platform") == 0 || std::strcmp(argument, "--platform") == 0;
    });
}

} // namespace shell
