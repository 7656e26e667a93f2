#pragma once
// Host resolution and the TCP connect, on the calling thread. The connect does not block: it
// waits on the socket and the interrupt together for at most what is left of the connect
// time-out, trying one address after another.

#include <chrono>
#include <functional>
#include <string>

class InterruptSignal;

// Where and how to connect.
struct ConnectOptions {
    std::string host;
    int port = 110;
    bool tls = false;
    bool verifyPeer = true;  // chain against the trusted authorities, and the host name
    std::string pin;         // the one certificate accepted as it is (SSL_PIN)
    std::chrono::milliseconds connectTimeout{120000};  // resolving and connecting
    std::chrono::milliseconds readTimeout{60000};
    // Connection progress texts ("Resolving hostname ...", "Connecting to ...", "Connected.").
    std::function<void(const std::string&)> progress;
    // Raised from another thread, it ends the connect or the wait under way; none: waits end
    // only at their time-outs.
    const InterruptSignal* interrupt = nullptr;
    // TCP keep-alive probes after a minute of silence, so that a connection that died without
    // a word (a changed network, a resume from suspend) fails within about two minutes even
    // while the client only waits (IMAP IDLE).
    bool keepAlive = false;
};

// "Socket Error # <number>\r\n<short English description>."
std::string SocketErrorText(int number);

// A connected socket; throws TarnwickError ("Socket Error # ...", "Connect timed out.") or
// Cancelled.
int ConnectTcp(const ConnectOptions& options);

// Waits until `fd` is ready for `events` (poll bits) or the interrupt is raised. False when
// `timeout` passed first; throws Cancelled when interrupted (the caller closes `fd`), a
// TarnwickError when poll fails.
bool WaitReady(int fd, short events, std::chrono::milliseconds timeout,
               const InterruptSignal* interrupt);
