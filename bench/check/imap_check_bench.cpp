// The network part of an IMAP account's check (connect, greeting, login, STATUS, LOGOUT)
// through a relay that holds every byte 10 ms each way (20 ms round trip), plain and TLS, beside
// the same for POP3 (connect, greeting, USER, PASS, STAT, QUIT). The counter round_trips is the
// time over the round trip: what a distant server costs a check.
// Run through bench/check/run_pop3_bench.sh, which starts and stops the fixture.
#include <benchmark/benchmark.h>

#include "imap/imap_client.h"
#include "list/delay_relay.h"
#include "net/tls_layer.h"
#include "pop3/pop3_client.h"
#include "support/mail_fixture.h"

namespace {

using Clock = std::chrono::steady_clock;

enum Protocol { kPop3 = 0, kImap = 1 };

void CheckOnce(const AccountSettings& account, Protocol protocol) {
    if (protocol == kImap) {
        ImapClient client;
        client.SetAccount(account);
        client.useTls = account.ssl;
        client.ConnectAndLogIn();
        benchmark::DoNotOptimize(client.Status("INBOX"));
        client.LogoutAndClose();
        return;
    }
    Pop3Client client;
    client.SetAccount(account);
    client.useTls = account.ssl;
    client.ConnectAndLogIn();
    benchmark::DoNotOptimize(client.CountMessages());
    client.QuitAndClose();
}

void BM_CheckRoundTrips(benchmark::State& state) {
    if (!DovecotAvailable()) {
        state.SkipWithError("the Dovecot fixture is not running (use run_pop3_bench.sh)");
        return;
    }
    const auto protocol = static_cast<Protocol>(state.range(0));
    const bool tls = state.range(1) != 0;
    const int roundTripMs = static_cast<int>(state.range(2));
    LoadTlsLibrary();
    TrustFixtureAuthority();
    static const MailUser user = [] {
        MailUser u = AddMailUser("benchrtt");
        AddMessages(u, 10);
        return u;
    }();
    const Listener listener = tls ? Listener::Tls : Listener::Plain;
    AccountSettings account =
        protocol == kImap ? ImapAccountFor(user, listener) : AccountFor(user, listener);
    DelayRelay relay(Dovecot().host, account.port, std::chrono::microseconds(roundTripMs * 500));
    account.port = relay.Port();
    double total = 0;
    for (auto _ : state) {
        const auto start = Clock::now();
        CheckOnce(account, protocol);
        const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
        state.SetIterationTime(seconds);
        total += seconds;
    }
    if (roundTripMs > 0 && state.iterations() > 0)
        state.counters["round_trips"] =
            total / static_cast<double>(state.iterations()) * 1000.0 / roundTripMs;
}

}  // namespace

BENCHMARK(BM_CheckRoundTrips)
    ->ArgNames({"imap", "tls", "rtt_ms"})
    ->ArgsProduct({{kPop3, kImap}, {0, 1}, {0, 20}})
    ->Iterations(10)
    ->Unit(benchmark::kMillisecond)
    ->UseManualTime();
