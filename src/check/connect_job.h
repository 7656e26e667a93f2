#pragma once
// Host resolution and the TCP connect. While the message pump is active they run on a
// short-lived thread and the caller waits in 125 ms slices, handling the pump, for at most
// the connect time-out; otherwise they block the caller.

#include "check/socket_transport.h"

// A connected, blocking socket; throws TarnwickError ("Socket Error # ...", "Connect timed out.").
int ConnectTcp(const ConnectOptions& options);
