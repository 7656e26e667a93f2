#include "engine/worker_threads.h"

#include <QDeadlineTimer>
#include <QObject>
#include <algorithm>
#include <vector>

namespace {

struct Adopted {
    QThread* thread;
    std::function<void()> interrupt;
};

// Only the user-interface thread touches this list.
std::vector<Adopted>& AdoptedThreads() {
    static std::vector<Adopted> threads;
    return threads;
}

void Forget(QThread* thread) {
    auto& threads = AdoptedThreads();
    threads.erase(std::remove_if(threads.begin(), threads.end(),
                                 [thread](const Adopted& a) { return a.thread == thread; }),
                  threads.end());
}

}  // namespace

void AdoptWorkerThread(QThread* thread, std::function<void()> interrupt) {
    AdoptedThreads().push_back({thread, std::move(interrupt)});
    QObject::connect(thread, &QThread::finished, thread, [thread] {
        Forget(thread);
        thread->deleteLater();
    });
}

bool EndWorkerThreads(std::chrono::milliseconds limit) {
    const QDeadlineTimer deadline(limit.count());
    const std::vector<Adopted> threads = AdoptedThreads();
    for (const Adopted& adopted : threads) {
        if (adopted.interrupt) adopted.interrupt();
        adopted.thread->quit();
    }
    bool allEnded = true;
    for (const Adopted& adopted : threads) {
        if (adopted.thread->wait(deadline)) {
            Forget(adopted.thread);
            delete adopted.thread;
        } else {
            allEnded = false;  // left running; the process ends around it
        }
    }
    return allEnded;
}

int RunningWorkerThreads() {
    return static_cast<int>(AdoptedThreads().size());
}
