#pragma once
// The user interface's wait for a socket: a socket notifier and a deadline timer in a local
// event loop, so that the wait wakes at once on the socket or on any event of the program
// (a click, a repaint, an accessibility request) instead of at the end of a polling slice.

#include <chrono>

// How a wait ended.
enum class SocketWaitEnd { Ready, Woken, TimedOut };

// Waits until `fd` is ready for `events` (POLLIN or POLLOUT), until the program has handled
// events of its own, or until `timeout` has passed.
SocketWaitEnd WaitForSocket(int fd, short events, std::chrono::milliseconds timeout);

// Installs WaitForSocket as the message pump's wait (the data module does, at its creation);
// RemoveSocketWait takes it away again.
void InstallSocketWait();
void RemoveSocketWait();
