#pragma once
// The end of a list window command (hide the progress, restart the keep-alive, clear the busy
// flag) runs however the command ends.

#include <exception>
#include <functional>

#include "app/application.h"

// Runs the end of a command when the scope ends, also after an error; an error of its own
// goes to the program's error handler.
class BusyScope {
public:
    explicit BusyScope(std::function<void()> end) : end_(std::move(end)) {}
    ~BusyScope() {
        try {
            end_();
        } catch (const std::exception& error) {
            ReportUnhandledError(error.what());
        }
    }
    BusyScope(const BusyScope&) = delete;
    BusyScope& operator=(const BusyScope&) = delete;

private:
    std::function<void()> end_;
};
