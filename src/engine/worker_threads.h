#pragma once
// The threads that run sessions. A window hands its worker thread over when it ends, so that
// the thread can finish its last request and QUIT without the window waiting for it; the
// program's end interrupts every thread still running and waits for them a bounded time.

#include <QThread>
#include <chrono>
#include <functional>

// Takes `thread` (running, its quit already asked for) until it finishes; `interrupt` ends a
// waiting network call of it at once. The thread is deleted when it has finished.
void AdoptWorkerThread(QThread* thread, std::function<void()> interrupt);

// Interrupts every adopted thread and waits for them, at most `limit` in all; true when all
// have ended.
bool EndWorkerThreads(std::chrono::milliseconds limit);

// Threads adopted and not yet finished.
int RunningWorkerThreads();
