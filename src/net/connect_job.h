#pragma once
// Host resolution and the TCP connect. They run on a short-lived thread and the caller waits
// for at most the connect time-out: in the user interface's own wait when the active pump has
// one, else, while the pump is active, in 125 ms slices handling the pump between them.

#include "net/socket_transport.h"

// A connected, blocking socket; throws TarnwickError ("Socket Error # ...", "Connect timed out.").
int ConnectTcp(const ConnectOptions& options);
