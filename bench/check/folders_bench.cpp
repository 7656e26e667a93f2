// An IMAP account with 20 folders, 20 ms away (a relay holds every byte 10 ms each way):
// counting them with LIST-STATUS, with the STATUS commands pipelined, and one STATUS after
// another (the baseline), each after its own connect and login; and the program's whole check
// of the account (CountImapMessages) with FOLDERS=* and with the 20 names. Counters:
// round_trips (the time over the round trip, connection and login included) and
// count_round_trips (the counting alone). Then push into a second folder over NOTIFY: from the
// delivery (doveadm save) until the push session hears of it (heard_ms) and until the check
// has counted it (median_ms), medians of 20.
// Run through bench/check/run_pop3_bench.sh, which starts and stops the fixture.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <vector>

#include "check/push_watch.h"
#include "imap/imap_client.h"
#include "list/delay_relay.h"
#include "net/interrupt.h"
#include "session/imap_session.h"
#include "support/mail_fixture.h"
#include "support/temp_folder.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kFolders = 20;
constexpr int kRoundTripMs = 20;

enum Mode { kListStatus, kPipelined, kOneByOne, kCheckAll, kCheckNamed };

std::string FolderName(int i) {
    return i == 0 ? "INBOX" : "Folder" + std::to_string(i);
}

const MailUser& FoldersUser() {
    static const MailUser user = [] {
        MailUser u = AddMailUser("benchfolders");
        for (int i = 0; i < kFolders; ++i) {
            if (i > 0) AddFolder(u, FolderName(i));
            Deliver(u, FolderName(i), MakeMessage("Hello", "a@b.example", "body"));
        }
        return u;
    }();
    return user;
}

double Seconds(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// Counts the folders on a session of its own; the seconds the counting took.
double CountOnce(const AccountSettings& account, Mode mode) {
    ImapClient client;
    client.SetAccount(account);
    client.ConnectAndLogIn();
    client.Capabilities();
    const auto start = Clock::now();
    if (mode == kListStatus) {
        std::vector<FolderStatusAnswer> inbox;
        benchmark::DoNotOptimize(client.ListSubscribedWithStatus({"INBOX"}, inbox));
    } else if (mode == kPipelined) {
        std::vector<std::string> names;
        for (int i = 0; i < kFolders; ++i) names.push_back(FolderName(i));
        benchmark::DoNotOptimize(client.StatusOfEach(names));
    } else {
        for (int i = 0; i < kFolders; ++i) benchmark::DoNotOptimize(client.Status(FolderName(i)));
    }
    const double seconds = Seconds(start);
    client.LogoutAndClose();
    return seconds;
}

void BM_FolderCheck(benchmark::State& state) {
    if (!DovecotAvailable()) {
        state.SkipWithError("the Dovecot fixture is not running (use run_pop3_bench.sh)");
        return;
    }
    const auto mode = static_cast<Mode>(state.range(0));
    TempFolder folder("foldersbench");
    ProgramFolderScope scope(folder.Path());
    AccountSettings account = ImapAccountFor(FoldersUser());
    DelayRelay relay(Dovecot().host, account.port, std::chrono::microseconds(kRoundTripMs * 500));
    account.port = relay.Port();
    if (mode == kCheckAll) account.folders = "*";
    for (int i = 0; mode == kCheckNamed && i < kFolders; ++i)
        account.folders += (i ? ", " : "") + FolderName(i);
    double total = 0;
    double counting = 0;
    for (auto _ : state) {
        const auto start = Clock::now();
        if (mode == kCheckAll || mode == kCheckNamed) {
            RunState runState;
            const ImapCount counted = CountImapFolders(account, {}, runState, 0);
            if (!counted.counted || counted.folders.size() != kFolders)
                state.SkipWithError("the check did not count every folder");
        } else {
            counting += CountOnce(account, mode);
        }
        const double seconds = Seconds(start);
        state.SetIterationTime(seconds);
        total += seconds;
    }
    const double iterations = static_cast<double>(state.iterations());
    if (iterations == 0) return;
    state.counters["round_trips"] = total / iterations * 1000.0 / kRoundTripMs;
    if (counting > 0)
        state.counters["count_round_trips"] = counting / iterations * 1000.0 / kRoundTripMs;
}

void BM_PushIntoSecondFolder(benchmark::State& state) {
    if (!DovecotAvailable()) {
        state.SkipWithError("the Dovecot fixture is not running (use run_pop3_bench.sh)");
        return;
    }
    TempFolder folder("foldersbench");
    ProgramFolderScope scope(folder.Path());
    const MailUser user = AddMailUser("benchnotify");
    AddFolder(user, "Work");
    AccountSettings account = ImapAccountFor(user);
    account.folders = "*";

    std::mutex mutex;
    std::condition_variable reported;
    int changes = 0;
    bool up = false;
    SessionOptions options;
    options.interrupt = std::make_shared<InterruptSignal>();
    PushTiming timing;
    timing.newsGap = std::chrono::milliseconds(0);
    std::thread watcher([&] {
        WatchFolder(
            account, options,
            [&](PushEvent event, const std::string&) {
                const std::lock_guard lock(mutex);
                if (event == PushEvent::Up) up = true;
                if (event == PushEvent::Changed) ++changes;
                reported.notify_all();
            },
            timing);
    });
    {
        std::unique_lock lock(mutex);
        if (!reported.wait_for(lock, std::chrono::seconds(10), [&] { return up; }))
            state.SkipWithError("the push session did not come up");
    }
    RunState first;
    CountImapFolders(account, {}, first, 0);
    first.Store();

    std::vector<double> latencies;
    std::vector<double> heard;
    for (auto _ : state) {
        const auto start = Clock::now();
        Deliver(user, "Work", MakeMessage("Pushed", "a@b.example", "body"));
        {
            std::unique_lock lock(mutex);
            if (!reported.wait_for(lock, std::chrono::seconds(30), [&] { return changes > 0; }))
                state.SkipWithError("no news of the delivery");
            changes = 0;
        }
        heard.push_back(Seconds(start) * 1000);
        RunState runState;
        const ImapCount counted = CountImapFolders(account, {}, runState, 0);
        runState.Store();
        const double seconds = Seconds(start);
        state.SetIterationTime(seconds);
        latencies.push_back(seconds * 1000);
        if (!counted.counted || counted.change != 1) state.SkipWithError("the arrival was missed");
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

BENCHMARK(BM_FolderCheck)
    ->ArgNames({"mode"})  // 0 LIST-STATUS, 1 pipelined STATUS, 2 one by one, 3 check *, 4 named
    ->DenseRange(kListStatus, kCheckNamed)
    ->Iterations(10)
    ->Unit(benchmark::kMillisecond)
    ->UseManualTime();
BENCHMARK(BM_PushIntoSecondFolder)->Iterations(20)->Unit(benchmark::kMillisecond)->UseManualTime();
