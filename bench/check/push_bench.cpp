// Push latency: from a message's delivery into the Maildir to the account's new count, as the
// program gets it: the IDLE session reports the change, and the account's check (STATUS on a
// session of its own) counts. The figure is the median of 20 deliveries (counter median_ms;
// heard_ms: the median until the session heard of it).
// Run through bench/check/run_pop3_bench.sh, which starts and stops the fixture.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <vector>

#include "check/push_watch.h"
#include "net/interrupt.h"
#include "session/imap_session.h"
#include "support/mail_fixture.h"
#include "support/temp_folder.h"

namespace {

using Clock = std::chrono::steady_clock;

void BM_PushLatency(benchmark::State& state) {
    if (!DovecotAvailable()) {
        state.SkipWithError("the Dovecot fixture is not running (use run_pop3_bench.sh)");
        return;
    }
    TempFolder folder("pushbench");
    ProgramFolderScope scope(folder.Path());
    const MailUser user = AddMailUser("benchpush");
    const AccountSettings account = ImapAccountFor(user);

    std::mutex mutex;
    std::condition_variable reported;
    int changes = 0;
    bool up = false;
    SessionOptions options;
    options.interrupt = std::make_shared<InterruptSignal>();
    std::thread watcher([&] {
        WatchFolder(account, options, [&](PushEvent event, const std::string&) {
            const std::lock_guard lock(mutex);
            if (event == PushEvent::Up || event == PushEvent::Reconnected) up = true;
            if (event == PushEvent::Changed) ++changes;
            reported.notify_all();
        });
    });
    {
        std::unique_lock lock(mutex);
        if (!reported.wait_for(lock, std::chrono::seconds(10), [&] { return up; }))
            state.SkipWithError("the push session did not come up");
    }

    std::vector<double> latencies;
    std::vector<double> heard;
    int count = 0;
    for (auto _ : state) {
        const auto start = Clock::now();
        AddMessage(user, MakeMessage("Pushed", "a@b.example", "body"));
        {
            std::unique_lock lock(mutex);
            reported.wait_for(lock, std::chrono::seconds(30), [&] { return changes > 0; });
            changes = 0;
        }
        heard.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
        RunState runState;
        const ImapCount counted = CountImapMessages(account, {}, runState);
        runState.Store();
        const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
        state.SetIterationTime(seconds);
        latencies.push_back(seconds * 1000);
        if (!counted.counted || counted.count != ++count) state.SkipWithError("count missed");
        std::this_thread::sleep_for(std::chrono::milliseconds(50));  // late duplicates settle
        const std::lock_guard lock(mutex);
        changes = 0;
    }
    options.interrupt->Raise();
    watcher.join();
    const auto median = [](std::vector<double>& values) {
        std::nth_element(values.begin(), values.begin() + values.size() / 2, values.end());
        return values[values.size() / 2];
    };
    if (latencies.empty()) return;
    state.counters["median_ms"] = median(latencies);
    state.counters["heard_ms"] = median(heard);
}

}  // namespace

BENCHMARK(BM_PushLatency)->Iterations(20)->Unit(benchmark::kMillisecond)->UseManualTime();
