#pragma once
// A worker thread's way back to the user-interface thread: calls posted to the owner arrive there
// queued, and once the owner goes (it cuts the link in its destructor) a worker still ending
// then reports to nobody.

#include <QMetaObject>
#include <QTimer>
#include <mutex>

template <typename Owner>
struct OwnerLink {
    std::mutex mutex;
    Owner* owner = nullptr;

    template <typename Call>
    void Post(Call call) {
        const std::lock_guard lock(mutex);
        if (owner != nullptr)
            QMetaObject::invokeMethod(
                owner, [o = owner, call] { call(*o); }, Qt::QueuedConnection);
    }
};

// Gives the timer an interval and a state; a timer that already has both keeps its countdown.
inline void SetTimer(QTimer& timer, int interval, bool enabled) {
    if (timer.interval() == interval && timer.isActive() == enabled) return;
    timer.stop();
    timer.setInterval(interval);
    if (enabled) timer.start();
}
