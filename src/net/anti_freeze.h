#pragma once
// The message pump that keeps the user interface alive while a network call waits. The
// application installs a callback (handling pending window messages), switches the pump on and
// hands it to its clients; without one, waits simply block. It may also install a wait of its
// own that sleeps on the socket and the program's events at once; without one, a wait polls
// the socket in slices and handles the pump between them. The core never needs a user
// interface.

#include <chrono>
#include <functional>

class T_AntiFreeze {
public:
    // The callback that handles pending window messages; none by default.
    void Install(std::function<void()> pump) { pump_ = std::move(pump); }
    void SetActive(bool active) { active_ = active; }
    // True when the pump is switched on and has a callback.
    bool Active() const { return active_ && pump_ != nullptr; }
    // Handles pending window messages when active.
    void Process() const {
        if (!Active()) return;
        ++depth_;
        struct Leave {
            int& depth;
            ~Leave() { --depth; }
        } leave{depth_};
        pump_();
    }
    // True while window messages are handled inside a network wait: no time to ask the user.
    bool Pumping() const { return depth_ > 0; }

    // Returns once `fd` is ready for `events` (poll bits), once the program has handled events
    // of its own, or after `timeout`, whichever comes first; the caller looks again which.
    using SocketWait = std::function<void(int fd, short events, std::chrono::milliseconds timeout)>;
    void InstallWait(SocketWait wait) { wait_ = std::move(wait); }
    // True when active and a wait of the user interface is installed.
    bool HasWait() const { return Active() && wait_ != nullptr; }
    void Wait(int fd, short events, std::chrono::milliseconds timeout) const {
        wait_(fd, events, timeout);
    }

private:
    std::function<void()> pump_;
    SocketWait wait_;
    bool active_ = false;
    mutable int depth_ = 0;
};
