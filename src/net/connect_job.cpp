#include "net/connect_job.h"

#include <netdb.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <utility>

#include "net/interrupt.h"
#include "settings/errors.h"

std::string SocketErrorText(int number) {
    const char* description = strerrordesc_np(number);
    return "Socket Error # " + std::to_string(number) + "\r\n" +
           (description != nullptr ? description : "Unknown error") + ".";
}

namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

// Without an eventfd the interrupt is only a flag: waits look at it this often.
constexpr milliseconds kFlagSlice{100};

struct AddressList {
    addrinfo* first = nullptr;
    ~AddressList() {
        if (first != nullptr) freeaddrinfo(first);
    }
};

std::string ResolveErrorText(int code) {
    const char* description = "Host not found.";
    if (code == EAI_AGAIN) description = "Temporary failure in name resolution.";
    if (code == EAI_SYSTEM) return SocketErrorText(errno);
    return "Socket Error # " + std::to_string(code < 0 ? -code : code) + "\r\n" + description;
}

void Resolve(const std::string& host, int port, AddressList& addresses) {
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    const int code =
        getaddrinfo(host.c_str(), std::to_string(port).c_str(), &hints, &addresses.first);
    if (code != 0) throw TarnwickError(ResolveErrorText(code));
}

struct Socket {
    int fd = -1;
    ~Socket() {
        if (fd >= 0) ::close(fd);
    }
    int Release() { return std::exchange(fd, -1); }
};

// 0 when connected, else the error of this address. Throws at the deadline or an interrupt.
int ConnectOne(const addrinfo& address, Clock::time_point deadline,
               const InterruptSignal* interrupt, Socket& socket) {
    socket.fd = ::socket(address.ai_family, address.ai_socktype | SOCK_CLOEXEC | SOCK_NONBLOCK,
                         address.ai_protocol);
    if (socket.fd < 0) return errno;
    if (::connect(socket.fd, address.ai_addr, address.ai_addrlen) == 0) return 0;
    if (errno != EINPROGRESS) return errno;
    for (;;) {
        const auto left = std::chrono::duration_cast<milliseconds>(deadline - Clock::now());
        if (left.count() <= 0 || !WaitReady(socket.fd, POLLOUT, left, interrupt)) {
            if (Clock::now() >= deadline) throw TarnwickError("Connect timed out.");
            continue;
        }
        int error = 0;
        socklen_t length = sizeof error;
        if (::getsockopt(socket.fd, SOL_SOCKET, SO_ERROR, &error, &length) != 0) return errno;
        return error;
    }
}

// Tries every address in turn; the last failure is the one reported.
int ConnectAny(const AddressList& addresses, Clock::time_point deadline,
               const InterruptSignal* interrupt) {
    int lastError = ECONNREFUSED;
    for (const addrinfo* a = addresses.first; a != nullptr; a = a->ai_next) {
        Socket socket;
        const int error = ConnectOne(*a, deadline, interrupt, socket);
        if (error == 0) return socket.Release();
        lastError = error;
    }
    throw TarnwickError(SocketErrorText(lastError));
}

void Report(const ConnectOptions& options, const std::string& text) {
    if (options.progress) options.progress(text);
}

}  // namespace

bool WaitReady(int fd, short events, milliseconds timeout, const InterruptSignal* interrupt) {
    const int wakeFd = interrupt != nullptr ? interrupt->Fd() : -1;
    if (interrupt != nullptr && wakeFd < 0) timeout = std::min(timeout, kFlagSlice);
    if (interrupt != nullptr) interrupt->ThrowIfRaised();
    pollfd requests[2] = {{fd, events, 0}, {wakeFd, POLLIN, 0}};
    const int ready = ::poll(requests, wakeFd >= 0 ? 2 : 1, static_cast<int>(timeout.count()));
    if (interrupt != nullptr) interrupt->ThrowIfRaised();
    if (ready < 0 && errno != EINTR) throw TarnwickError(SocketErrorText(errno));
    return ready > 0 && requests[0].revents != 0;
}

int ConnectTcp(const ConnectOptions& options) {
    // The resolver would take a number beyond 16 bits modulo 65536 and reach another port.
    if (options.port < 0 || options.port > 65535)
        throw TarnwickError("Invalid port number: " + std::to_string(options.port) + ".");
    const auto deadline = Clock::now() + options.connectTimeout;
    if (options.interrupt != nullptr) options.interrupt->ThrowIfRaised();
    Report(options, "Resolving hostname " + options.host + ".");
    Report(options, "Connecting to " + options.host + ".");
    // The resolver keeps to the time-outs of the system's resolver configuration; an
    // interrupt takes effect when it returns.
    AddressList addresses;
    Resolve(options.host, options.port, addresses);
    if (options.interrupt != nullptr) options.interrupt->ThrowIfRaised();
    const int fd = ConnectAny(addresses, deadline, options.interrupt);
    Report(options, "Connected.");
    return fd;
}
