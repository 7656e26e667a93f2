#include "platform/socket_wait.h"

#include <poll.h>

#include <QEventLoop>
#include <QSocketNotifier>
#include <QTimer>
#include <algorithm>
#include <limits>

#include "platform/program_state.h"

SocketWaitEnd WaitForSocket(int fd, short events, std::chrono::milliseconds timeout) {
    bool ready = false;
    bool timedOut = false;
    QSocketNotifier notifier(static_cast<qintptr>(fd), (events & POLLOUT) != 0
                                                           ? QSocketNotifier::Write
                                                           : QSocketNotifier::Read);
    QObject::connect(&notifier, &QSocketNotifier::activated, [&] {
        ready = true;
        notifier.setEnabled(false);
    });
    QTimer deadline;
    deadline.setSingleShot(true);
    deadline.setTimerType(Qt::PreciseTimer);
    QObject::connect(&deadline, &QTimer::timeout, [&] { timedOut = true; });
    const auto limit = std::chrono::milliseconds(std::numeric_limits<int>::max());
    deadline.start(std::clamp(timeout, std::chrono::milliseconds(0), limit));
    QEventLoop loop;
    loop.processEvents(QEventLoop::WaitForMoreEvents);
    if (ready) return SocketWaitEnd::Ready;
    return timedOut ? SocketWaitEnd::TimedOut : SocketWaitEnd::Woken;
}

void InstallSocketWait() {
    AntiFreeze().InstallWait([](int fd, short events, std::chrono::milliseconds timeout) {
        WaitForSocket(fd, events, timeout);
    });
}

void RemoveSocketWait() {
    AntiFreeze().InstallWait({});
}
