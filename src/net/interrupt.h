#pragma once
// Ending a session's wait from another thread: the owner of a session raises its interrupt, and
// the wait under way (or the next one) gives up at once with Cancelled. An eventfd makes the
// interrupt something a poll can wait for beside the socket.

#include <atomic>
#include <chrono>
#include <cstdint>

#include "settings/errors.h"

// What a call ended by an interrupt throws. The connection is closed before it travels on.
class Cancelled : public TarnwickError {
public:
    Cancelled() : TarnwickError("Operation cancelled.") {}
};

class InterruptSignal {
public:
    InterruptSignal();
    ~InterruptSignal();
    InterruptSignal(const InterruptSignal&) = delete;
    InterruptSignal& operator=(const InterruptSignal&) = delete;

    // Thread-safe; stays raised.
    void Raise();
    // Thread-safe: asks for an orderly end instead, without waking anything. A session waiting
    // for the reply that makes a change take effect (a POP3 DELE) says goodbye (QUIT) behind it
    // at once, so that what the server answered stands however soon the program ends.
    void AskToEnd() { endAsked_.store(true, std::memory_order_release); }
    bool EndAsked() const { return endAsked_.load(std::memory_order_acquire); }
    bool Raised() const { return raised_.load(std::memory_order_acquire); }
    void ThrowIfRaised() const {
        if (Raised()) throw Cancelled();
    }
    // Readable once raised (for poll); -1 when no eventfd could be made, then only Raised()
    // tells.
    int Fd() const { return fd_; }

    // Why WaitUntil ended.
    enum class Wake : std::uint8_t { Raised, Time, Readable };
    // Waits until `until`, the interrupt (also one raised before) or `fd` readable (-1: none).
    Wake WaitUntil(std::chrono::steady_clock::time_point until, int fd = -1) const;

private:
    std::atomic<bool> raised_{false};
    std::atomic<bool> endAsked_{false};
    int fd_;
};
