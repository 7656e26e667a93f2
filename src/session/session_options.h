#pragma once
// What the caller hands to every session it opens, whatever its protocol.

#include <chrono>
#include <memory>

#include "net/interrupt.h"
#include "net/status.h"

struct SessionOptions {
    bool tlsAvailable = false;    // false: a TLS account connects without TLS
    StatusHandler statusHandler;  // receiver of the client's status reports
    // Raised from another thread, it ends the session's wait under way; none: the client's own.
    std::shared_ptr<InterruptSignal> interrupt;
    // No wait of the session goes on longer than this from its opening; 0: no limit.
    std::chrono::milliseconds timeLimit{0};
};
