#pragma once
// SIGTERM, SIGINT and SIGHUP end the session: the program then closes the way a desktop
// shutdown closes it. The signal handler only wakes the event loop, which calls `onSignal`.

#include <functional>

void InstallShutdownSignals(std::function<void()> onSignal);
