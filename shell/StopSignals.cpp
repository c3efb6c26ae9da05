#include "StopSignals.h"

#include <QSocketNotifier>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <stdexcept>

#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

namespace shell {

namespace {

constexpr int Signals[] = {SIGTERM, SIGINT, SIGHUP};

/// The write end of the pipe: all a signal handler may touch.
volatile sig_atomic_t writeEnd = -1;

void onSignal(int signal)
{
    const int savedErrno = errno;
    const unsigned char number = static_cast<unsigned char>(signal);
    [[maybe_unused]] const ssize_t written = ::write(writeEnd, &number, 1);
    errno = savedErrno;
}

} // namespace

StopSignals::StopSignals(QObject *parent) : QObject(parent)
{
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0, fds_) != 0)
        throw std::runtime_error(std::string("Cannot make the pipe for the stop signals: ") + std::strerror(errno));
    writeEnd = fds_[0];
    notifier_ = new QSocketNotifier(fds_[1], QSocketNotifier::Read, this);
    connect(notifier_, &QSocketNotifier::activated, this, &StopSignals::readPipe);
    install();
}

StopSignals::~StopSignals()
{
    for (const int signal : Signals)
        std::signal(signal, SIG_DFL);
    writeEnd = -1;
    ::close(fds_[0]);
    ::close(fds_[1]);
}

void StopSignals::install()
{
    struct sigaction action {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (const int signal : Signals)
        sigaction(signal, &action, nullptr);
}

void StopSignals::readPipe()
{
    unsigned char number = 0;
    while (::read(fds_[1], &number, 1) == 1)
        emit received(number);
}

} // namespace shell
