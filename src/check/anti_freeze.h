#pragma once
// The message pump that keeps the user interface alive while a network call waits. The
// application installs a callback (handling pending window messages) and switches the pump on;
// until then waits simply block. The core never needs a user interface.

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
        if (Active()) pump_();
    }

private:
    std::function<void()> pump_;
    bool active_ = false;
};

// The program's one pump (the data module's component).
T_AntiFreeze& AntiFreeze();
