#include "list/delay_relay.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <deque>
#include <stdexcept>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

struct Chunk {
    Clock::time_point due;
    std::string bytes;
    std::size_t sent = 0;
};

// One direction: bytes read from `from` wait in `queue` until due, then go to `to`.
struct Direction {
    int from;
    int to;
    std::deque<Chunk> queue;
    bool fromClosed = false;
};

int ListenOnLoopback(int& port) {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof address;
    if (fd < 0 || ::bind(fd, reinterpret_cast<sockaddr*>(&address), size) != 0 ||
        ::listen(fd, 8) != 0 ||
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &size) != 0)
        throw std::runtime_error("the relay cannot listen");
    port = ntohs(address.sin_port);
    return fd;
}

int ConnectTo(const std::string& host, int port) {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<std::uint16_t>(port));
    ::inet_pton(AF_INET, host.c_str(), &address.sin_addr);
    if (fd < 0 || ::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        if (fd >= 0) ::close(fd);
        return -1;
    }
    return fd;
}

void SetNonBlocking(int fd) {
    fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) | O_NONBLOCK);
}

}  // namespace

DelayRelay::DelayRelay(std::string targetHost, int targetPort, std::chrono::microseconds oneWay)
    : host_(std::move(targetHost)), targetPort_(targetPort), oneWay_(oneWay) {
    listener_ = ListenOnLoopback(port_);
    thread_ = std::thread([this] { Serve(); });
}

DelayRelay::~DelayRelay() {
    stopping_ = true;
    thread_.join();
    ::close(listener_);
}

void DelayRelay::Serve() {
    while (!stopping_) {
        pollfd request{listener_, POLLIN, 0};
        if (::poll(&request, 1, 100) <= 0) continue;
        const int client = ::accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
        if (client < 0) continue;
        const int server = ConnectTo(host_, targetPort_);
        if (server >= 0) Relay(client, server);
        if (server >= 0) ::close(server);
        ::close(client);
    }
}

// Both directions in one loop until either side has closed and its bytes are delivered.
void DelayRelay::Relay(int client, int server) {
    SetNonBlocking(client);
    SetNonBlocking(server);
    Direction up{client, server, {}};
    Direction down{server, client, {}};
    std::vector<char> buffer(256 * 1024);
    while (!stopping_) {
        const auto now = Clock::now();
        for (Direction* d : {&up, &down}) {
            while (!d->queue.empty() && d->queue.front().due <= now) {
                Chunk& chunk = d->queue.front();
                const ssize_t n = ::send(d->to, chunk.bytes.data() + chunk.sent,
                                         chunk.bytes.size() - chunk.sent, MSG_NOSIGNAL);
                if (n <= 0) break;
                chunk.sent += static_cast<std::size_t>(n);
                if (d == &down) toClient_ += static_cast<std::uint64_t>(n);
                if (chunk.sent < chunk.bytes.size()) break;
                d->queue.pop_front();
            }
        }
        if ((up.fromClosed && up.queue.empty()) || (down.fromClosed && down.queue.empty())) return;
        // Wake for input, for a destination that can take more, or when the next chunk is due.
        int timeout = 100;
        pollfd fds[2] = {{client, 0, 0}, {server, 0, 0}};
        for (Direction* d : {&up, &down}) {
            pollfd& in = fds[d == &up ? 0 : 1];
            pollfd& out = fds[d == &up ? 1 : 0];
            if (!d->fromClosed) in.events |= POLLIN;
            if (d->queue.empty()) continue;
            const auto wait = d->queue.front().due - now;
            if (wait <= Clock::duration::zero()) {
                out.events |= POLLOUT;  // due: wake when the destination takes more
            } else {
                const auto ms = std::chrono::ceil<std::chrono::milliseconds>(wait).count();
                timeout = std::min(timeout, static_cast<int>(ms));
            }
        }
        ::poll(fds, 2, timeout);
        const auto arrived = Clock::now();
        for (Direction* d : {&up, &down}) {
            if (d->fromClosed) continue;
            const ssize_t n = ::recv(d->from, buffer.data(), buffer.size(), 0);
            if (n == 0 || (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR)) {
                d->fromClosed = true;
            } else if (n > 0) {
                d->queue.push_back(
                    {arrived + oneWay_, std::string(buffer.data(), static_cast<std::size_t>(n))});
            }
        }
    }
}
