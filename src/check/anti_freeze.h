#pragma once
// The message pump that keeps the user interface alive while a network call waits. The
// application installs a callback (handling pending window messages), switches the pump on and
// hands it to its clients; without one, waits simply block. The core never needs a user
// interface.

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

private:
    std::function<void()> pump_;
    bool active_ = false;
    mutable int depth_ = 0;
};
