// POP3 against the Dovecot test fixture: whole checks (connect, login, STAT, QUIT) per second,
// plain and TLS, the lock-step header listing (TOP n 0 and LIST n per message), and the round
// trips of one check directly and through a relay 20 ms away: the check as it was (STAT), the check
// as it is (CheckAccount: STAT, then UIDL n), and a peer checker that asks CAPA, reads every id
// with UIDL and waits for the answer to QUIT. Run through bench/check/run_pop3_bench.sh, which
// starts and stops the fixture.
#include <benchmark/benchmark.h>

#include <thread>

#include "check/check_cycle.h"
#include "list/delay_relay.h"
#include "net/tls_layer.h"
#include "pop3/pop3_client.h"
#include "support/mail_fixture.h"
#include "support/temp_folder.h"

namespace {

struct NullSink : MessageSink {
    std::size_t lines = 0;
    void AddHeaderLine(std::string) override { ++lines; }
    void HeaderComplete() override {}
    void AddBodyLine(std::string) override { ++lines; }
    void BodyComplete() override {}
};

std::unique_ptr<Pop3Client> Client(const AccountSettings& account) {
    auto client = std::make_unique<Pop3Client>();
    client->SetAccount(account);
    client->useTls = account.ssl;
    return client;
}

bool FixtureReady(benchmark::State& state) {
    if (DovecotAvailable()) return true;
    state.SkipWithError("the Dovecot fixture is not running (use run_pop3_bench.sh)");
    return false;
}

void WholeCheck(benchmark::State& state, Listener listener) {
    if (!FixtureReady(state)) return;
    LoadTlsLibrary();
    TrustFixtureAuthority();
    static const MailUser user = [] {
        MailUser u = AddMailUser("benchcheck");
        AddMessages(u, 10);
        return u;
    }();
    const AccountSettings account = AccountFor(user, listener);
    for (auto _ : state) {
        auto client = Client(account);
        client->ConnectAndLogIn();
        benchmark::DoNotOptimize(client->CountMessages());
        client->QuitAndClose();
    }
    state.SetItemsProcessed(state.iterations());
}

void BM_WholeCheckPlain(benchmark::State& state) {
    WholeCheck(state, Listener::Plain);
}
void BM_WholeCheckTls(benchmark::State& state) {
    WholeCheck(state, Listener::Tls);
}

void BM_HeaderListing(benchmark::State& state) {
    if (!FixtureReady(state)) return;
    const int count = static_cast<int>(state.range(0));
    const MailUser user = AddMailUser("benchlist");
    AddMessages(user, count);
    const AccountSettings account = AccountFor(user);
    for (auto _ : state) {
        auto client = Client(account);
        client->ConnectAndLogIn();
        NullSink sink;
        for (int n = client->CountMessages(); n >= 1; --n) {
            client->FetchHeader(n, sink);
            benchmark::DoNotOptimize(client->MessageSize(n));
        }
        client->QuitAndClose();
    }
    state.SetItemsProcessed(state.iterations() * count);
}

enum CheckKind { kCountOnly = 0, kCountAndLastId = 1, kPeer = 2 };

void BM_CheckRoundTrips(benchmark::State& state) {
    if (!FixtureReady(state)) return;
    static const MailUser user = [] {
        MailUser u = AddMailUser("benchtrips");
        AddMessages(u, 50);
        return u;
    }();
    const auto kind = static_cast<CheckKind>(state.range(0));
    AccountSettings account = AccountFor(user);
    DelayRelay relay(account.host, account.port, std::chrono::microseconds(state.range(1) * 500));
    account.port = relay.Port();
    TempFolder folder("benchtrips");
    ProgramFolderScope scope(folder.Path());
    NoCheckNotifier notifier;
    for (auto _ : state) {
        // Checks come minutes apart: the server has ended the last session before the next.
        state.PauseTiming();
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        state.ResumeTiming();
        if (kind == kCountAndLastId) {
            benchmark::DoNotOptimize(CheckAccount(account, {}, false, notifier));
            continue;
        }
        auto client = Client(account);
        client->ConnectAndLogIn();
        if (kind == kPeer) client->Capabilities();  // one round trip, wherever it is asked
        const int count = client->CountMessages();
        if (kind == kCountOnly) {
            client->QuitAndClose();
            continue;
        }
        client->QueueUidList();
        benchmark::DoNotOptimize(client->ReadQueuedUidList(count));
        client->SendCommand("QUIT");
        client->ReadReply();
        client->AbortConnection();
    }
    state.SetItemsProcessed(state.iterations());
}

}  // namespace

// At 0 ms the time is what the server and the client spend; the rest at 20 ms is round trips.
BENCHMARK(BM_CheckRoundTrips)
    ->ArgNames({"kind", "rtt_ms"})
    ->ArgsProduct({{kCountOnly, kCountAndLastId, kPeer}, {0, 20}})
    ->Iterations(10)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK(BM_WholeCheckPlain)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_WholeCheckTls)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_HeaderListing)->Arg(1000)->Unit(benchmark::kMillisecond)->UseRealTime();
