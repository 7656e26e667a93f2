#include "net/connect_job.h"

#include <fcntl.h>
#include <netdb.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <condition_variable>
#include <mutex>
#include <thread>

#include "net/anti_freeze.h"
#include "settings/errors.h"

namespace {

constexpr std::chrono::milliseconds kConnectSlice{125};

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

// Tries every address in turn; the last failure is the one reported.
int ConnectAny(const AddressList& addresses) {
    int lastError = ECONNREFUSED;
    for (const addrinfo* a = addresses.first; a != nullptr; a = a->ai_next) {
        const int fd = ::socket(a->ai_family, a->ai_socktype | SOCK_CLOEXEC, a->ai_protocol);
        if (fd < 0) {
            lastError = errno;
            continue;
        }
        if (::connect(fd, a->ai_addr, a->ai_addrlen) == 0) return fd;
        lastError = errno;
        ::close(fd);
    }
    throw TarnwickError(SocketErrorText(lastError));
}

int ResolveAndConnect(const std::string& host, int port) {
    AddressList addresses;
    Resolve(host, port, addresses);
    return ConnectAny(addresses);
}

// What the connect thread and the waiting caller share. A caller that gives up leaves the
// socket to the thread, which closes it when its connect returns. A caller in the user
// interface's wait is woken through a pipe.
struct SharedConnect {
    ~SharedConnect() {
        for (const int end : wake)
            if (end >= 0) ::close(end);
    }
    std::mutex mutex;
    std::condition_variable finished;
    bool done = false;
    bool abandoned = false;
    int fd = -1;
    std::string error;
    int wake[2] = {-1, -1};  // read and write end
};

void RunConnectThread(std::shared_ptr<SharedConnect> shared, std::string host, int port) {
    int fd = -1;
    std::string error;
    try {
        fd = ResolveAndConnect(host, port);
    } catch (const TarnwickError& failure) {
        error = failure.what();
    }
    std::lock_guard lock(shared->mutex);
    if (shared->abandoned) {
        if (fd >= 0) ::close(fd);
        return;
    }
    shared->fd = fd;
    shared->error = std::move(error);
    shared->done = true;
    shared->finished.notify_all();
    if (shared->wake[1] >= 0) {
        const char byte = 1;
        [[maybe_unused]] const ssize_t written = ::write(shared->wake[1], &byte, 1);
    }
}

// Waits for the connect thread in the user interface's own wait, which also handles the
// program's events; false when the time-out passed first.
bool AwaitInUiWait(SharedConnect& shared, const ConnectOptions& options,
                   std::chrono::steady_clock::time_point deadline) {
    for (;;) {
        {
            std::lock_guard lock(shared.mutex);
            if (shared.done) return true;
        }
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) return false;
        options.pump->Wait(shared.wake[0], POLLIN, left);
    }
}

// Resolves and connects in a thread of its own and waits for it at most the connect time-out,
// handling the pump in slices while it is active: a server whose accept queue is full would
// otherwise hold the caller for the kernel's own limit.
int ConnectWithin(const ConnectOptions& options) {
    auto shared = std::make_shared<SharedConnect>();
    const bool uiWait = options.pump != nullptr && options.pump->HasWait() &&
                        ::pipe2(shared->wake, O_CLOEXEC | O_NONBLOCK) == 0;
    std::thread(RunConnectThread, shared, options.host, options.port).detach();
    const auto deadline = std::chrono::steady_clock::now() + options.connectTimeout;
    if (uiWait && !AwaitInUiWait(*shared, options, deadline)) {
        std::lock_guard lock(shared->mutex);
        if (!shared->done) {
            shared->abandoned = true;
            throw TarnwickError("Connect timed out.");
        }
    }
    std::unique_lock lock(shared->mutex);
    while (!shared->finished.wait_for(lock, kConnectSlice, [&] { return shared->done; })) {
        if (std::chrono::steady_clock::now() >= deadline) {
            shared->abandoned = true;
            throw TarnwickError("Connect timed out.");
        }
        if (options.pump == nullptr || !options.pump->Active()) continue;
        lock.unlock();
        options.pump->Process();
        lock.lock();
    }
    if (shared->fd < 0) throw TarnwickError(shared->error);
    return shared->fd;
}

void Report(const ConnectOptions& options, const std::string& text) {
    if (options.progress) options.progress(text);
}

}  // namespace

int ConnectTcp(const ConnectOptions& options) {
    // The resolver would take a number beyond 16 bits modulo 65536 and reach another port.
    if (options.port < 0 || options.port > 65535)
        throw TarnwickError("Invalid port number: " + std::to_string(options.port) + ".");
    Report(options, "Resolving hostname " + options.host + ".");
    Report(options, "Connecting to " + options.host + ".");
    const int fd = ConnectWithin(options);
    Report(options, "Connected.");
    return fd;
}
