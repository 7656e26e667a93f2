#include "net/interrupt.h"

#include <sys/eventfd.h>
#include <unistd.h>

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
