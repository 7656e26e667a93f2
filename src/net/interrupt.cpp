#include "net/interrupt.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>

InterruptSignal::InterruptSignal() : fd_(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {}

InterruptSignal::~InterruptSignal() {
    if (fd_ >= 0) ::close(fd_);
}

void InterruptSignal::Raise() {
    if (raised_.exchange(true, std::memory_order_acq_rel)) return;
    if (fd_ < 0) return;
    const std::uint64_t one = 1;
    [[maybe_unused]] const ssize_t written = ::write(fd_, &one, sizeof one);
}

InterruptSignal::Wake InterruptSignal::WaitUntil(std::chrono::steady_clock::time_point until,
                                                 int fd) const {
    using std::chrono::milliseconds;
    // Without an eventfd the flag is looked at this often; with one, poll's int holds the wait.
    const milliseconds slice{fd_ >= 0 ? 60000 : 100};
    for (;;) {
        if (Raised()) return Wake::Raised;
        const auto left =
            std::chrono::duration_cast<milliseconds>(until - std::chrono::steady_clock::now());
        if (left.count() <= 0) return Wake::Time;
        pollfd requests[2] = {{fd_, POLLIN, 0}, {fd, POLLIN, 0}};
        ::poll(requests, 2, static_cast<int>(std::min(left, slice).count()));
        if (!Raised() && (requests[1].revents & POLLIN) != 0) return Wake::Readable;
    }
}
