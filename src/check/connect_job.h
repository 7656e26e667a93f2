#pragma once
// Host resolution and the TCP connect. They run on a short-lived thread and the caller waits
// for at most the connect time-out; while the message pump is active it waits in 125 ms
// slices and handles the pump between them.

#include "check/socket_transport.h"

// A connected, blocking socket; throws TarnwickError ("Socket Error # ...", "Connect timed out.").
int ConnectTcp(const ConnectOptions& options);
