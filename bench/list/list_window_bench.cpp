// The list window's share of a header listing: the same Dovecot mailbox listed by ListHeaders
// alone and by the window (the session on its worker thread, model insert, sort by date), the
// heap the window holds per listed row, and how responsive the user-interface thread stays: a
// probe timer fires every 5 ms during the listing and the longest gap between its ticks is
// reported (directly on loopback, and through a relay that holds every byte 20 ms each way).
// Each on POP3 and on IMAP (the same messages, listed through the session interface).
// Run through run_list_window_bench.sh, which starts and stops a Dovecot fixture of its own.
#include <benchmark/benchmark.h>
#include <malloc.h>

#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QTimer>
#include <string>

#include "engine/worker_threads.h"
#include "list/delay_relay.h"
#include "list/mailbox_listing.h"
#include "list/ui/header_list_model.h"
#include "list/ui/list_window.h"
#include "session/mail_session.h"
#include "session/session_factory.h"
#include "state/app_state.h"
#include "support/mail_fixture.h"
#include "support/temp_folder.h"
#include "widgets/window_registry.h"

namespace {

constexpr int kMessages = 10000;

QApplication& Application() {
    static int argc = 1;
    static char name[] = "bench-list-window";
    static char* argv[] = {name, nullptr};
    static QApplication* app = [] {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        return new QApplication(argc, argv);
    }();
    return *app;
}

// A message as real mailboxes hold them: trace lines, encoded words, a few recipients; its
// header is about 1.5 kB.
std::string RealLookingMessage(int i) {
    const std::string n = std::to_string(i);
    return "Return-Path: <bounce-" + n +
           "@lists.example.com>\r\n"
           "Received: from mx" +
           std::to_string(i % 7) + ".example.com (mx.example.com [192.0.2." +
           std::to_string(i % 250) +
           "])\r\n"
           "\tby mail.test.example (Postfix) with ESMTPS id 4F1" +
           n +
           "\r\n"
           "\tfor <me@test.example>; Tue, 03 Mar 2026 10:15:00 +0100 (CET)\r\n"
           "Received: by mail-lj1.example.com with SMTP id a" +
           n +
           "; Tue, 03 Mar 2026 01:14:59 -0800\r\n"
           "DKIM-Signature: v=1; a=rsa-sha256; c=relaxed/relaxed; d=example.com; s=s1;\r\n"
           "\th=from:to:subject:date:message-id; "
           "bh=47DEQpj8HBSa+/TImW+5JCeuQeRkm5NMpJWZG3hSuFU=;\r\n"
           "\tb=dGhpcyBpcyBub3QgYSByZWFsIHNpZ25hdHVyZSBidXQgaXQgaGFzIHRoZSBzYW1lIGxlbmd0aA==\r\n"
           "From: =?UTF-8?Q?Jana_Nov=C3=A1kov=C3=A1?= <jana" +
           n +
           "@example.cz>\r\n"
           "To: me@test.example, \"Petr Svoboda\" <petr@example.cz>\r\n"
           "Cc: =?ISO-8859-2?Q?Ji=F8=ED?= <jiri@example.cz>\r\n"
           "Subject: =?UTF-8?B?UmU6IFDFmcOtbG9oYSBrIHpwcsOhdsSb?= " +
           n +
           "\r\n"
           "Date: Tue, 03 Mar 2026 " +
           std::to_string(i % 24) +
           ":14:59 +0100\r\n"
           "Message-ID: <CAF" +
           n +
           "xyz@mail.example.com>\r\n"
           "MIME-Version: 1.0\r\n"
           "Content-Type: text/plain; charset=utf-8\r\n"
           "\r\n"
           "Body of message " +
           n + "\r\n";
}

// The mailbox on either protocol, and a program folder of the run's own for the settings the
// sessions write.
AccountSettings Mailbox(MailProtocol protocol) {
    static TempFolder folder("bench-window");
    static ProgramFolderScope scope(folder.Path());
    static const MailUser user = [] {
        const MailUser made = AddMailUser("benchwindow");
        for (int i = 1; i <= kMessages; ++i) AddMessage(made, RealLookingMessage(i));
        return made;
    }();
    return protocol == MailProtocol::Imap ? ImapAccountFor(user) : AccountFor(user);
}

bool FixtureReady(benchmark::State& state) {
    if (DovecotAvailable()) return true;
    state.SkipWithError("the Dovecot fixture is not running (use run_list_window_bench.sh)");
    return false;
}

void BM_CoreListing(benchmark::State& state) {
    if (!FixtureReady(state)) return;
    const AccountSettings account = Mailbox(static_cast<MailProtocol>(state.range(0)));
    std::size_t rows = 0;
    for (auto _ : state) {
        RunState runState;
        std::unique_ptr<MailSession> session = OpenMailSession(account, SessionOptions{}, runState);
        rows = ListHeaders(*session, account.email, ProgramState().spamRules,
                           ProgramState().spamCriteria)
                   .size();
        session->Quit();
    }
    state.counters["rows"] = static_cast<double>(rows);
    state.SetItemsProcessed(state.iterations() * kMessages);
}

// The longest time between two ticks of a 5 ms timer on the user-interface thread.
class Probe {
public:
    Probe() {
        timer_.setInterval(5);
        QObject::connect(&timer_, &QTimer::timeout, [this] {
            if (since_.isValid()) longest_ = std::max(longest_, since_.nsecsElapsed() / 1e6);
            since_.start();
        });
        timer_.start();
    }
    double LongestMs() const { return longest_; }

private:
    QTimer timer_;
    QElapsedTimer since_;
    double longest_ = 0;
};

void BM_WindowListing(benchmark::State& state) {
    if (!FixtureReady(state)) return;
    Application();
    const std::chrono::milliseconds oneWay(state.range(0));
    std::unique_ptr<DelayRelay> relay;
    AccountEntry item;
    item.enabled = true;
    item.params = Mailbox(static_cast<MailProtocol>(state.range(1)));
    if (oneWay.count() > 0) {
        relay = std::make_unique<DelayRelay>(item.params.host, item.params.port, oneWay);
        item.params.port = relay->Port();
    }
    ProgramState().accounts.clear();
    ProgramState().accounts.push_back(item);
    OpenListWindow(ProgramState());  // selects the account; nothing listed yet
    auto* window = qobject_cast<MailboxWindow*>(OpenWindow(WindowKind::List));
    auto* model = window->findChild<HeaderListModel*>();
    double bytesPerRow = 0;
    double longestGap = 0;
    for (auto _ : state) {
        state.PauseTiming();
        // The heap without rows: the last listing's rows go first.
        model->Clear();
        malloc_trim(0);
        const std::size_t before = mallinfo2().uordblks;
        state.ResumeTiming();
        {
            const Probe probe;
            window->FetchHeaders();
            while (window->Controller().Busy())
                QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
            longestGap = std::max(longestGap, probe.LongestMs());
        }
        state.PauseTiming();
        const std::size_t after = mallinfo2().uordblks;
        if (model->rowCount() > 0)
            bytesPerRow =
                (static_cast<double>(after) - static_cast<double>(before)) / model->rowCount();
        state.ResumeTiming();
    }
    state.counters["rows"] = model->rowCount();
    state.counters["bytes_per_row"] = bytesPerRow;
    state.counters["longest_gap_ms"] = longestGap;
    state.SetItemsProcessed(state.iterations() * kMessages);
    window->close();
    delete OpenWindow(WindowKind::List);
    EndWorkerThreads(std::chrono::seconds(2));
    QCoreApplication::processEvents();
    ProgramState().accounts.clear();
}

}  // namespace

BENCHMARK(BM_CoreListing)
    ->ArgName("imap")
    ->DenseRange(0, 1)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(3);
BENCHMARK(BM_WindowListing)
    ->ArgNames({"one_way_ms", "imap"})
    ->ArgsProduct({{0, 20}, {0, 1}})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(3);
