#pragma once
// TCP connections to a mail server, optionally inside TLS from the first byte or upgraded to
// TLS later (STARTTLS). Waits give up after the read time-out without a byte, or at once when
// the interrupt handed in with the options is raised (Cancelled).

#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "net/connect_job.h"
#include "net/transport.h"

// Resolves, connects and, with `tls`, runs the handshake. Throws TarnwickError with the text
// the user sees ("Socket Error # ...", "Connect timed out.", "Error connecting with SSL. ...").
std::unique_ptr<Transport> ConnectSocket(const ConnectOptions& options);

// The connect time-out of a session that must end by `endBy`: `connectTimeout`, or the time
// left until `endBy` when that is shorter (at least 1 ms).
std::chrono::milliseconds ConnectTimeLeft(
    const std::optional<std::chrono::steady_clock::time_point>& endBy,
    std::chrono::milliseconds connectTimeout);

// The read time-out of new clients: 60 seconds, or the milliseconds in the environment
// variable TARNWICK_READ_TIMEOUT_MS (tests and scripts that want to give up sooner).
std::chrono::milliseconds DefaultReadTimeout();

// Where and how a protocol client connects: the fields both clients expose as their own.
struct ServerEndpoint {
    std::string host;
    int port = 0;
    bool useTls = false;     // the TLS layer is attached: TLS from the first byte
    bool verifyPeer = true;  // check the server's certificate (TLS only)
    std::string pin;         // "sha256:<hex>": the one certificate accepted as it is
    std::chrono::milliseconds connectTimeout{120000};
    // Every reply must arrive within this from its command (a long reply may take longer while
    // its data keeps coming at a sane rate).
    std::chrono::milliseconds readTimeout = DefaultReadTimeout();
    // No wait of the session goes on after this time (a check's time limit); none by default.
    std::optional<std::chrono::steady_clock::time_point> endBy;
    bool keepAlive = false;  // TCP keep-alive (ConnectOptions): for a session that idles

    // What ConnectSocket takes to reach the endpoint now: the connect time-out held to what
    // is left until endBy. Without progress texts.
    ConnectOptions Options(const InterruptSignal* interrupt) const;
};
