#pragma once
// A WatchFolder running on a thread of its own, its events recorded for the test to take.

#include <chrono>
#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>

#include "check/push_watch.h"
#include "net/interrupt.h"

// The events of a WatchFolder running on a thread of its own.
class Watch {
public:
    Watch(const AccountSettings& account, PushTiming timing) {
        options_.interrupt = interrupt_;
        options_.tlsAvailable = true;
        thread_ = std::thread([this, account, timing] {
            end_ = WatchFolder(
                account, options_,
                [this](PushEvent event, const std::string&) {
                    const std::lock_guard lock(mutex_);
                    events_.push_back(event);
                    arrived_.notify_all();
                },
                timing);
        });
    }
    ~Watch() { Stop(); }

    // The next event, or none within `wait`.
    std::optional<PushEvent> Next(std::chrono::milliseconds wait) {
        std::unique_lock lock(mutex_);
        if (!arrived_.wait_for(lock, wait, [this] { return !events_.empty(); }))
            return std::nullopt;
        const PushEvent event = events_.front();
        events_.pop_front();
        return event;
    }
    PushEnd Stop() {
        interrupt_->Raise();
        return Wait();
    }
    PushEnd Wait() {
        if (thread_.joinable()) thread_.join();
        return end_;
    }

private:
    std::shared_ptr<InterruptSignal> interrupt_ = std::make_shared<InterruptSignal>();
    SessionOptions options_;
    std::mutex mutex_;
    std::condition_variable arrived_;
    std::deque<PushEvent> events_;
    PushEnd end_ = PushEnd::NoIdle;
    std::thread thread_;
};
