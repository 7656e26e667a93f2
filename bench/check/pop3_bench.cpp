// POP3 against the Dovecot test fixture: whole checks (connect, login, STAT, QUIT) per second,
// plain and TLS, and the lock-step header listing (TOP n 0 and LIST n per message).
// Run through bench/check/run_pop3_bench.sh, which starts and stops the fixture.
#include <benchmark/benchmark.h>

#include "net/tls_layer.h"
#include "pop3/pop3_client.h"
#include "support/mail_fixture.h"

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

}  // namespace

BENCHMARK(BM_WholeCheckPlain)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_WholeCheckTls)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_HeaderListing)->Arg(1000)->Unit(benchmark::kMillisecond)->UseRealTime();
