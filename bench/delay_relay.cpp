// A relay that makes a server farther away: it listens on a port of 127.0.0.1, connects each client to the
// target port there, and passes every piece of data on in both directions DELAY_US microseconds after it
// came, so that each round trip takes twice that longer. bench/run puts it between the benchmarks and the
// private server where the kernel cannot delay packets itself (no netem). It prints its port on the first
// line and runs until it is stopped.
//
//   delay_relay TARGET_PORT DELAY_US

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

/// A socket, closed with the object.
class Socket {
public:
    explicit Socket(int fd) : fd_(fd)
    {
        if (fd_ < 0)
            throw std::runtime_error(std::string("socket: ") + std::strerror(errno));
    }
    ~Socket() { ::close(fd_); }
    Socket(const Socket &) = delete;
    Socket &operator=(const Socket &) = delete;
    int fd() const { return fd_; }

private:
    int fd_;
};

sockaddr_in loopback(int port)
{
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(uint16_t(port));
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    return a;
}

void noDelay(int fd)
{
    const int on = 1;
    setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
}

/// Writes all of `data`; false when the other side is gone.
bool writeAll(int fd, const char *data, size_t size)
{
    while (size > 0) {
        const ssize_t n = ::send(fd, data, size, MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        data += n;
        size -= size_t(n);
    }
    return true;
}

/// One direction of a connection: what came from `from` and is due to be written to `to`.
struct Direction {
    int from;
    int to;
    std::deque<std::pair<Clock::time_point, std::string>> due;
    bool closed = false; ///< `from` has ended; `to` is shut for writing once the rest is passed on
};

struct Connection {
    std::unique_ptr<Socket> client;
    std::unique_ptr<Socket> server;
    Direction up;
    Direction down;
};

} // namespace

int main(int argc, char **argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: delay_relay TARGET_PORT DELAY_US\n");
        return 2;
    }
    const int target = std::atoi(argv[1]);
    const auto delay = std::chrono::microseconds(std::atoi(argv[2]));
    try {
        const Socket listener(::socket(AF_INET, SOCK_STREAM, 0));
        sockaddr_in address = loopback(0);
        socklen_t length = sizeof address;
        if (::bind(listener.fd(), reinterpret_cast<sockaddr *>(&address), sizeof address) != 0
            || ::listen(listener.fd(), 64) != 0
            || ::getsockname(listener.fd(), reinterpret_cast<sockaddr *>(&address), &length) != 0)
            throw std::runtime_error(std::string("cannot listen: ") + std::strerror(errno));
        std::printf("%d\n", ntohs(address.sin_port));
        std::fflush(stdout);

        std::vector<std::unique_ptr<Connection>> connections;
        std::vector<char> buffer(1 << 16);
        for (;;) {
            // Wait for data, a new client, or the next piece that is due.
            std::vector<pollfd> polled{{listener.fd(), POLLIN, 0}};
            Clock::time_point next = Clock::time_point::max();
            for (const auto &c : connections)
                for (const Direction *d : {&c->up, &c->down}) {
                    if (!d->closed)
                        polled.push_back({d->from, POLLIN, 0});
                    if (!d->due.empty())
                        next = std::min(next, d->due.front().first);
                }
            timespec wait{};
            timespec *timeout = nullptr;
            if (next != Clock::time_point::max()) {
                const auto left = std::max(Clock::duration::zero(), next - Clock::now());
                const auto ns = std::chrono::duration_cast<std::chrono::nanoseconds>(left).count();
                wait = {time_t(ns / 1000000000), long(ns % 1000000000)};
                timeout = &wait;
            }
            if (::ppoll(polled.data(), polled.size(), timeout, nullptr) < 0 && errno != EINTR)
                throw std::runtime_error(std::string("poll: ") + std::strerror(errno));
            const Clock::time_point now = Clock::now();

            if (polled[0].revents & POLLIN) {
                auto c = std::make_unique<Connection>();
                c->client = std::make_unique<Socket>(::accept(listener.fd(), nullptr, nullptr));
                c->server = std::make_unique<Socket>(::socket(AF_INET, SOCK_STREAM, 0));
                const sockaddr_in to = loopback(target);
                if (::connect(c->server->fd(), reinterpret_cast<const sockaddr *>(&to), sizeof to) != 0) {
                    std::fprintf(stderr, "delay_relay: cannot reach port %d: %s\n", target, std::strerror(errno));
                    continue; // the client sees its connection closed
                }
                noDelay(c->client->fd());
                noDelay(c->server->fd());
                c->up = {c->client->fd(), c->server->fd(), {}, false};
                c->down = {c->server->fd(), c->client->fd(), {}, false};
                connections.push_back(std::move(c));
            }
            for (const pollfd &p : polled) {
                if (p.fd == listener.fd() || !(p.revents & (POLLIN | POLLHUP | POLLERR)))
                    continue;
                for (const auto &c : connections)
                    for (Direction *d : {&c->up, &c->down}) {
                        if (d->from != p.fd || d->closed)
                            continue;
                        const ssize_t n = ::recv(d->from, buffer.data(), buffer.size(), 0);
                        if (n > 0)
                            d->due.emplace_back(now + delay, std::string(buffer.data(), size_t(n)));
                        else if (n == 0 || errno != EINTR)
                            d->closed = true;
                    }
            }
            // Pass on what is due; end a connection once both directions have ended and passed everything on.
            for (auto it = connections.begin(); it != connections.end();) {
                Connection &c = **it;
                bool broken = false;
                for (Direction *d : {&c.up, &c.down}) {
                    while (!d->due.empty() && d->due.front().first <= Clock::now()) {
                        broken = broken || !writeAll(d->to, d->due.front().second.data(), d->due.front().second.size());
                        d->due.pop_front();
                    }
                    if (d->closed && d->due.empty())
                        ::shutdown(d->to, SHUT_WR);
                }
                const bool done = broken || (c.up.closed && c.down.closed && c.up.due.empty() && c.down.due.empty());
                it = done ? connections.erase(it) : it + 1;
            }
        }
    } catch (const std::exception &e) {
        std::fprintf(stderr, "delay_relay: %s\n", e.what());
        return 1;
    }
}
