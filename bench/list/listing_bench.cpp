// The header listing against Dovecot, directly on loopback (0 ms) and through a relay that holds
// every byte 10 ms in each direction (20 ms round trip), for three request patterns:
//   kToday     TOP n 0, then LIST n, for every message, each waiting for its reply
//   kLockStep  one LIST for every size, then TOP n 0 one at a time (a server without PIPELINING)
//   kPipelined one LIST, then TOP n 0 with a window of requests in flight, closed by one UIDL
//              that gives every row its id and proves the replies in step (ListHeaders)
//   kPipelinedWithoutIds the same without the closing UIDL, as the listing was before ids
//   kImap      IMAP: EXAMINE, then one UID FETCH of every UID, size, date and header
// Time is the listing alone (CAPA, STAT, sizes, headers, rows), not connecting and logging in.
// Counters: rows per second, the bytes the server sent for the listing, and the bound: those
// bytes over the measured loopback rate plus four round trips (CAPA, STAT, LIST, first TOP);
// kImap is held to the same bound (the POP3 bytes), so that the protocols compare.
// Run through bench/list/run_listing_bench.sh, which starts and stops the Dovecot fixture.
#include <benchmark/benchmark.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <map>
#include <thread>

#include "list/delay_relay.h"
#include "list/mailbox_listing.h"
#include "pop3/pop3_client.h"
#include "session/imap_session.h"
#include "support/mail_fixture.h"

namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

enum Pattern { kToday = 0, kLockStep = 1, kPipelined = 2, kPipelinedWithoutIds = 3, kImap = 4 };

// A message whose header is about 1.5 kB, as real mailboxes hold them.
std::string RealLookingMessage(int i) {
    const std::string n = std::to_string(i);
    std::string m;
    m += "Return-Path: <bounce-" + n + "@lists.example.com>\r\n";
    m += "Received: from mx" + std::to_string(i % 7) + ".example.com (mx.example.com [192.0.2." +
         std::to_string(i % 250) + "])\r\n";
    m += "\tby mail.test.example (Postfix) with ESMTPS id 4F1" + n + "\r\n";
    m += "\tfor <me@test.example>; Tue, 03 Mar 2026 10:15:00 +0100 (CET)\r\n";
    m += "Received: by mail-lj1.example.com with SMTP id a" + n +
         "; Tue, 03 Mar 2026 01:14:59 -0800\r\n";
    m += "Received: from [10.0.0." + std::to_string(i % 250) +
         "] (helo=workstation.internal.example.com) by smtp.example.com with esmtpsa "
         "(TLS1.3) id 1kXyZ-000" +
         n + "; Tue, 03 Mar 2026 01:14:58 -0800\r\n";
    m += "DKIM-Signature: v=1; a=rsa-sha256; c=relaxed/relaxed; d=example.com; s=s1;\r\n";
    m +=
        "\th=from:to:subject:date:message-id; bh=47DEQpj8HBSa+/TImW+5JCeuQeRkm5NMpJWZG3hSuFU=;\r\n";
    m += "\tb=dGhpcyBpcyBub3QgYSByZWFsIHNpZ25hdHVyZSBidXQgaXQgaGFzIHRoZSBzYW1lIGxlbmd0aA==\r\n";
    m += "\tdGhpcyBpcyBub3QgYSByZWFsIHNpZ25hdHVyZSBidXQgaXQgaGFzIHRoZSBzYW1lIGxlbmd0aA==\r\n";
    m += "ARC-Authentication-Results: i=1; mx.example.com; spf=pass smtp.mailfrom=example.cz;"
         " dkim=pass header.d=example.com; dmarc=pass (p=NONE) header.from=example.cz\r\n";
    m += "From: =?UTF-8?Q?Jana_Nov=C3=A1kov=C3=A1?= <jana" + n + "@example.cz>\r\n";
    m += "To: me@test.example, \"Petr Svoboda\" <petr@example.cz>\r\n";
    m += "Cc: =?ISO-8859-2?Q?Ji=F8=ED?= <jiri@example.cz>\r\n";
    m += "Subject: =?UTF-8?B?UmU6IFDFmcOtbG9oYSBrIHpwcsOhdsSb?= " + n + "\r\n";
    m += "Date: Tue, 03 Mar 2026 " + std::to_string(i % 24) + ":14:59 +0100\r\n";
    m += "Message-ID: <CAF" + n + "xyz@mail.example.com>\r\n";
    m += "In-Reply-To: <CAF" + std::to_string(i + 1) + "abc@mail.example.com>\r\n";
    m += "List-Unsubscribe: <mailto:unsubscribe-" + n +
         "@lists.example.com>, <https://lists.example.com/unsubscribe/" + n + ">\r\n";
    m += "X-Mailer: Example Mail Client 12.4.1 (build 20260301)\r\n";
    m += "X-Spam-Status: No, score=-0.1 required=5.0 tests=DKIM_SIGNED,DKIM_VALID\r\n";
    m += "MIME-Version: 1.0\r\n";
    m += "Content-Type: multipart/alternative; boundary=\"000000000000b" + n + "\"\r\n";
    m += "\r\n--000000000000b" + n + "\r\nContent-Type: text/plain\r\n\r\nBody " + n +
         "\r\n--000000000000b" + n + "--\r\n";
    return m;
}

// One mailbox per size, filled and indexed by Dovecot once.
const MailUser& Mailbox(int count) {
    static std::map<int, MailUser> users;
    auto found = users.find(count);
    if (found != users.end()) return found->second;
    MailUser user = AddMailUser("benchpipe");
    for (int i = 1; i <= count; ++i) AddMessage(user, RealLookingMessage(i));
    return users.emplace(count, user).first->second;
}

std::unique_ptr<Pop3Client> LoggedIn(const AccountSettings& account, int port, int limit) {
    auto client = std::make_unique<Pop3Client>();
    client->SetAccount(account);
    client->port = port;
    client->pipelineLimit = limit;
    client->ConnectAndLogIn();
    return client;
}

// Spam rules as a user might have them, so that each row costs its verdict too.
const SpamRules& Rules() {
    static const SpamRules rules = [] {
        SpamRules list;
        for (int i = 0; i < 20; ++i) {
            list.push_back(std::make_unique<SpamRuleEntry>());
            list.back()->filter = {static_cast<RuleKind>(i % 2), i % 3 != 0,
                                   "spam word " + std::to_string(i)};
        }
        return list;
    }();
    return rules;
}

// The pipelined listing without the closing UIDL: the window of header requests alone.
std::vector<MessageRow> ListWithoutIds(Pop3Client& client, const std::string& email,
                                       const SpamCriteria& criteria) {
    std::vector<MessageRow> rows;
    client.Capabilities();
    const int count = client.CountMessages();
    const MessageSizeList sizes = client.MessageSizes(count);
    for (int next = count; next >= 1 || client.PendingReplies() > 0;) {
        for (; next >= 1 && client.CanQueue(); --next) client.QueueHeader(next);
        auto entry = std::make_unique<MailMessage>();
        const int number = client.ReadQueuedHeader(*entry);
        entry->id = IdOfNumber(number);
        entry->size = sizes.Of(number);
        rows.push_back(MakeListRow(std::move(entry), email, Rules(), criteria));
    }
    return rows;
}

std::size_t List(Pop3Client& client, Pattern pattern, const std::string& email) {
    const SpamCriteria criteria{10240, 50, true, true, true};
    if (pattern == kPipelinedWithoutIds) return ListWithoutIds(client, email, criteria).size();
    if (pattern != kToday) return ListHeaders(client, email, Rules(), criteria).size();
    std::vector<MessageRow> rows;
    for (int n = client.CountMessages(); n >= 1; --n)
        rows.push_back(MakeListRow(FetchEntry(client, n), email, Rules(), criteria));
    return rows.size();
}

// Loopback TCP throughput in bytes per second: 512 MB from one thread to another.
double LoopbackRate() {
    static const double rate = [] {
        int listener = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t size = sizeof address;
        ::bind(listener, reinterpret_cast<sockaddr*>(&address), size);
        ::listen(listener, 1);
        ::getsockname(listener, reinterpret_cast<sockaddr*>(&address), &size);
        const std::size_t total = 512u << 20;
        std::thread sender([&] {
            const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
            ::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
            std::vector<char> block(256 * 1024, 'x');
            for (std::size_t sent = 0; sent < total;) {
                const ssize_t n = ::send(fd, block.data(), block.size(), 0);
                if (n <= 0) break;
                sent += static_cast<std::size_t>(n);
            }
            ::close(fd);
        });
        const int fd = ::accept(listener, nullptr, nullptr);
        std::vector<char> block(256 * 1024);
        const auto start = Clock::now();
        std::size_t received = 0;
        for (ssize_t n; (n = ::recv(fd, block.data(), block.size(), 0)) > 0;)
            received += static_cast<std::size_t>(n);
        const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
        sender.join();
        ::close(fd);
        ::close(listener);
        return static_cast<double>(received) / seconds;
    }();
    return rate;
}

// The bytes the server sends for a pipelined listing of that mailbox, counted by a relay.
double ListingBytes(int count) {
    static std::map<int, double> bytes;
    if (auto found = bytes.find(count); found != bytes.end()) return found->second;
    const MailUser& user = Mailbox(count);
    const AccountSettings account = AccountFor(user);
    DelayRelay relay(account.host, account.port, std::chrono::microseconds(0));
    auto client = LoggedIn(account, relay.Port(), 512);
    const std::uint64_t before = relay.BytesToClient();
    List(*client, kPipelined, account.email);
    const double sent = static_cast<double>(relay.BytesToClient() - before);
    client->QuitAndClose();
    return bytes[count] = sent;
}

// Logs in on IMAP and lists through the session interface, as tarnwick-check --list does;
// the time of the listing alone.
double ImapListingSeconds(const AccountSettings& account, int port, std::size_t& rows) {
    auto client = std::make_unique<ImapClient>();
    client->SetAccount(account);
    client->port = port;
    client->ConnectAndLogIn();
    ImapMailSession session(account, std::move(client));
    const SpamCriteria criteria{10240, 50, true, true, true};
    const auto start = Clock::now();
    rows = ListHeaders(session, account.email, Rules(), criteria).size();
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    session.Quit();
    return seconds;
}

void BM_Listing(benchmark::State& state) {
    if (!DovecotAvailable()) {
        state.SkipWithError("the Dovecot fixture is not running (use run_listing_bench.sh)");
        return;
    }
    const int count = static_cast<int>(state.range(0));
    const int roundTripMs = static_cast<int>(state.range(1));
    const auto pattern = static_cast<Pattern>(state.range(2));
    const AccountSettings account =
        pattern == kImap ? ImapAccountFor(Mailbox(count)) : AccountFor(Mailbox(count));
    const double bytes = ListingBytes(count);  // also lets Dovecot index the mailbox first
    std::unique_ptr<DelayRelay> relay;
    if (roundTripMs > 0)
        relay = std::make_unique<DelayRelay>(account.host, account.port,
                                             std::chrono::microseconds(roundTripMs * 500));
    const int port = relay ? relay->Port() : account.port;
    for (auto _ : state) {
        if (pattern == kImap) {
            std::size_t rows = 0;
            state.SetIterationTime(ImapListingSeconds(account, port, rows));
            if (rows != static_cast<std::size_t>(count)) state.SkipWithError("rows missing");
            continue;
        }
        auto client = LoggedIn(account, port, pattern >= kPipelined ? 512 : 1);
        const auto start = Clock::now();
        const std::size_t rows = List(*client, pattern, account.email);
        state.SetIterationTime(std::chrono::duration<double>(Clock::now() - start).count());
        if (rows != static_cast<std::size_t>(count)) state.SkipWithError("rows missing");
        client->QuitAndClose();
    }
    state.SetItemsProcessed(state.iterations() * count);
    state.counters["kB_from_server"] = bytes / 1024;
    state.counters["bound_ms"] = bytes / LoopbackRate() * 1000 + 4 * roundTripMs;
}

void ListingArgs(benchmark::internal::Benchmark* b) {
    b->ArgNames({"messages", "rtt_ms", "pattern"});
    b->Unit(benchmark::kMillisecond)->UseManualTime();
}

}  // namespace

// On loopback every pattern at both sizes.
BENCHMARK(BM_Listing)
    ->Apply(ListingArgs)
    ->Iterations(3)
    ->ArgsProduct({{1000, 10000},
                   {0},
                   {kToday, kLockStep, kPipelined, kPipelinedWithoutIds, kImap}});
// At 20 ms round trip the waiting patterns cost one or two round trips per message: measured
// on 250 messages (the per-message cost is what the larger mailboxes multiply).
BENCHMARK(BM_Listing)
    ->Apply(ListingArgs)
    ->Iterations(1)
    ->ArgsProduct({{250}, {20}, {kToday, kLockStep}});
BENCHMARK(BM_Listing)
    ->Apply(ListingArgs)
    ->Iterations(3)
    ->ArgsProduct({{250, 1000, 10000}, {20}, {kPipelined, kPipelinedWithoutIds, kImap}});
