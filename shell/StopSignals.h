#pragma once
// Stopping on the signals of a logout, a service stop or Ctrl+C: SIGTERM, SIGINT and SIGHUP become a signal
// of this object on the event loop, where the program closes its window the normal way.

#include <QObject>

class QSocketNotifier;

namespace shell {

class StopSignals : public QObject {
    Q_OBJECT
public:
    /// Makes the pipe that carries the signals to the event loop and installs the handlers. At most one
    /// object may exist at a time. Raises std::runtime_error with the system's reason when the pipe cannot
    /// be made.
    explicit StopSignals(QObject *parent = nullptr);
    /// Puts the default handlers back.
    ~StopSignals() override;

    /// Installs the handlers again: a library may have put in handlers of its own since (the embedded
    /// database engine does so when it starts).
    void install();

signals:
    /// On the event loop, after the handler has run; `signal` is the signal's number.
    void received(int signal);

private:
    void readPipe();
    int fds_[2] = {-1, -1};
    QSocketNotifier *notifier_;
};

} // namespace shell
