#pragma once
// Host resolution and the TCP connect, on the calling thread. The connect does not block: it
// waits on the socket and the interrupt together for at most what is left of the connect
// time-out, trying one address after another.

#include "net/socket_transport.h"

// A connected socket; throws TarnwickError ("Socket Error # ...", "Connect timed out.") or
// Cancelled.
int ConnectTcp(const ConnectOptions& options);

// Waits until `fd` is ready for `events` (poll bits) or the interrupt is raised. False when
// `timeout` passed first; throws Cancelled when interrupted (the caller closes `fd`), a
// TarnwickError when poll fails.
bool WaitReady(int fd, short events, std::chrono::milliseconds timeout,
               const InterruptSignal* interrupt);
