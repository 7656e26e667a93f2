// The mail engine on its own: the timed checks one account after another, push, the checks
// asked for, the tally of new mail, and a worker that ends after the engine went.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>
#include <atomic>
#include <memory>
#include <thread>

#include "check/check_cycle.h"
#include "engine/mail_monitor.h"
#include "engine/push_watchers.h"
#include "engine/worker_threads.h"
#include "net/interrupt.h"
#include "state/app_state.h"
#include "support/mail_fixture.h"
#include "support/temp_folder.h"

using namespace std::chrono_literals;

namespace {

QCoreApplication& TestApplication() {
    static int argc = 1;
    static char name[] = "tarnwick-engine-test";
    static char* argv[] = {name, nullptr};
    static auto* app = new QCoreApplication(argc, argv);
    return *app;
}

void RunFor(int ms) {
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

AccountEntry Entry(const std::string& email, bool enabled = true) {
    AccountEntry item;
    item.enabled = enabled;
    item.params.email = email;
    item.params.host = "127.0.0.1";
    item.params.username = email.substr(0, email.find('@'));  // a section of its own
    return item;
}

const std::vector<AccountEntry> kThree = {Entry("one@x.example"), Entry("two@x.example"),
                                          Entry("three@x.example")};

class MailMonitorTest : public ::testing::Test {
protected:
    MailMonitorTest() {
        ProgramState().Reset();
        monitor->SetAccountChecker([this](const AccountSettings& account) {
            checked.push_back(account.email);
            return changeToReport;
        });
    }
    ~MailMonitorTest() override {
        if (monitor) monitor->StopChecks(2s);
        monitor.reset();
        EndWorkerThreads(2s);
        ProgramState().Reset();
    }

    // The engine runs, as while the main window is hidden: the first timed check is due.
    void Run(std::vector<AccountEntry> accounts) {
        ProgramState().SetAccounts(std::move(accounts));
        monitor->SetPaused(false);
    }
    // Lets the timer's check run now, and waits for its end (on the worker thread).
    void Tick() {
        QMetaObject::invokeMethod(&monitor->CheckTimer(), "timeout");
        WaitForChecks(0);
    }
    // Waits until `count` checks ran and none is under way.
    void WaitForChecks(std::size_t count) {
        for (int i = 0; i < 400 && checked.size() < count; ++i) RunFor(5);
        for (int i = 0; i < 2000 && monitor->Scheduler().Busy(); ++i) RunFor(5);
        RunFor(5);  // what the end of the check queued runs too
    }
    int Interval() const { return monitor->CheckTimer().interval(); }

    QCoreApplication& app = TestApplication();
    TempFolder folder{"engine"};
    ProgramFolderScope scope{folder.Path()};
    std::unique_ptr<MailMonitor> monitor = std::make_unique<MailMonitor>(ProgramState());
    std::vector<std::string> checked;
    int changeToReport = 0;
};

TEST_F(MailMonitorTest, OneAccountIsCheckedEvery38Seconds) {
    Run({Entry("a@x.example")});
    EXPECT_TRUE(monitor->CheckTimer().isActive());
    EXPECT_EQ(Interval(), 8000) << "the first check";
    Tick();
    EXPECT_EQ(checked, std::vector<std::string>{"a@x.example"});
    EXPECT_TRUE(monitor->CheckTimer().isActive());
    EXPECT_EQ(Interval(), 38000);
    monitor->SetPaused(false);
    EXPECT_EQ(Interval(), 38000) << "running on keeps a running countdown";
    monitor->SetPaused(true);
    EXPECT_FALSE(monitor->CheckTimer().isActive());
}

TEST_F(MailMonitorTest, ThreeAccountsAreCheckedInTurnEvery18Seconds) {
    Run(kThree);
    for (int i = 0; i < 4; ++i) Tick();
    EXPECT_EQ(checked, (std::vector<std::string>{"one@x.example", "two@x.example",
                                                 "three@x.example", "one@x.example"}));
    EXPECT_EQ(Interval(), 18000);

    // Accounts deleted behind the index: the next tick starts again at the first.
    ProgramState().SetAccounts({ProgramState().Accounts()[0]});
    monitor->SetCheckIndex(5);
    Tick();
    EXPECT_EQ(checked.back(), "one@x.example");
    EXPECT_EQ(Interval(), 38000);
}

TEST_F(MailMonitorTest, ChangesAreKeptPerAccountAndAnErrorStillRearmsTheTimer) {
    std::vector<std::string> errors;
    QObject::connect(monitor.get(), &MailMonitor::checkError,
                     [&errors](const std::string& message) { errors.push_back(message); });
    Run(kThree);
    changeToReport = 3;
    Tick();
    changeToReport = 0;
    Tick();
    EXPECT_EQ(ProgramState().Accounts()[0].lastChange, 3);
    EXPECT_EQ(ProgramState().Accounts()[1].lastChange, 0);

    monitor->SetAccountChecker(
        [](const AccountSettings&) -> int { throw std::runtime_error("Unable to write to x"); });
    Tick();
    EXPECT_TRUE(monitor->CheckTimer().isActive());
    EXPECT_EQ(Interval(), 18000);
    EXPECT_EQ(errors, std::vector<std::string>{"Unable to write to x"});
}

TEST_F(MailMonitorTest, ADisabledAccountIsSkippedButReportedAsChecked) {
    std::vector<std::int32_t> reported;
    QObject::connect(monitor.get(), &MailMonitor::accountChecked,
                     [&reported](std::int32_t index) { reported.push_back(index); });
    Run({Entry("off@x.example", false), Entry("on@x.example")});
    Tick();
    Tick();
    EXPECT_EQ(checked, std::vector<std::string>{"on@x.example"});
    EXPECT_EQ(reported, (std::vector<std::int32_t>{0, 1}));
}

// Calls during a check join it; an account checked a moment ago is not checked again.
TEST_F(MailMonitorTest, ChecksAskedForJoinTheOneUnderWay) {
    ProgramState().SetAccounts(
        {Entry("a@x.example"), Entry("off@x.example", false), Entry("b@x.example")});
    changeToReport = 2;
    for (int i = 0; i < 20; ++i) monitor->CheckAllNow();
    WaitForChecks(2);
    monitor->CheckAllNow();
    WaitForChecks(0);
    EXPECT_EQ(checked, (std::vector<std::string>{"a@x.example", "b@x.example"}));
    const std::optional<LastCheck> last = monitor->LastCheckOf(Entry("b@x.example").params);
    ASSERT_TRUE(last.has_value());
    EXPECT_TRUE(last->succeeded);
    EXPECT_EQ(last->change, 2);
    EXPECT_FALSE(monitor->LastCheckOf(Entry("off@x.example").params).has_value());
}

TEST_F(MailMonitorTest, ArrivalsAddUpUntilTheUserAcknowledgesThem) {
    std::vector<int> totals;
    QObject::connect(monitor.get(), &MailMonitor::newMailChanged,
                     [&totals](int total) { totals.push_back(total); });
    monitor->RecordCheck(Entry("a@x.example").params, 1, 1);
    monitor->RecordCheck(Entry("b@x.example").params, 2, 2, {{"Ann — Hello"}, {MessageId(7u)}, {}});
    monitor->RecordCheck(Entry("b@x.example").params, -1, 0);  // fewer messages: no arrival
    EXPECT_EQ(monitor->NewMail().total, 3);
    EXPECT_EQ(monitor->NewMail().arrived.at("b@x.example"), 2);
    ASSERT_EQ(monitor->NewMail().newest.size(), 1u);
    EXPECT_EQ(monitor->NewMail().newest[0].line, "Ann — Hello");
    monitor->Acknowledge();
    monitor->Acknowledge();  // nothing new since: not told again
    EXPECT_EQ(monitor->NewMail().total, 0);
    EXPECT_EQ(totals, (std::vector<int>{1, 3, 0}));
}

TEST_F(MailMonitorTest, PushedNewsIsCheckedAtOnceAndTheTimerPassesOverThePushedAccount) {
    Run({Entry("pop@x.example"), Entry("imap@x.example")});
    monitor->StartPush();
    // A push session that comes up and idles until it is ended.
    monitor->Push().SetWatcher(
        [](const AccountSettings&, const SessionOptions& options, const PushReport& report) {
            report(PushEvent::Up, {});
            while (!options.interrupt->Raised()) std::this_thread::sleep_for(5ms);
            return PushEnd::Interrupted;
        });
    AccountEntry pushed = ProgramState().Accounts()[1];
    pushed.params.protocol = MailProtocol::Imap;
    ProgramState().SetAccount(1, pushed);
    WaitForChecks(1);
    EXPECT_EQ(checked, std::vector<std::string>{"imap@x.example"}) << "without a tick";
    EXPECT_TRUE(monitor->Push().IsUp(pushed.params));

    for (int i = 0; i < 3; ++i) Tick();  // the pushed account's turn passes without a check
    EXPECT_EQ(checked,
              (std::vector<std::string>{"imap@x.example", "pop@x.example", "pop@x.example"}));

    monitor->Push().Reconnect();  // as after a resume: a new session, and a check when it is up
    WaitForChecks(4);
    EXPECT_EQ(checked.back(), "imap@x.example");
    EXPECT_EQ(monitor->Push().Running(), 1);

    pushed.enabled = false;
    ProgramState().SetAccount(1, pushed);
    EXPECT_EQ(monitor->Push().Running(), 0);
}

// The worker's report comes after the engine was destroyed: it reaches nobody.
TEST_F(MailMonitorTest, AWorkerEndingAfterTheEngineWentReportsToNobody) {
    monitor->SetAccountChecker([](const AccountSettings&) {
        std::this_thread::sleep_for(200ms);  // deaf to the interrupt
        return 1;
    });
    Run({Entry("a@x.example")});
    QMetaObject::invokeMethod(&monitor->CheckTimer(), "timeout");
    ASSERT_TRUE(monitor->Scheduler().Busy());
    RunFor(20);
    monitor.reset();
    RunFor(20);
    EXPECT_EQ(ProgramState().Accounts()[0].lastChange, 0);
}

TEST_F(MailMonitorTest, ACheckOfARealMailboxKeepsItsChangeAndThePendingAccount) {
    if (!DovecotAvailable()) GTEST_SKIP() << "the Dovecot fixture is not running";
    const MailUser user = AddMailUser("engine");
    AddMessages(user, 2);
    std::vector<std::vector<int>> changes;
    QObject::connect(monitor.get(), &MailMonitor::mailChanged,
                     [&changes](const AccountSettings&, int count, int change, int arrived) {
                         changes.push_back({count, change, arrived});
                     });
    monitor->Scheduler().SetRunner(CheckAccount);
    ProgramState().SetPlayWave(true);
    Run({{true, AccountFor(user), 0}});
    Tick();
    EXPECT_EQ(ProgramState().Accounts()[0].lastChange, 2);
    EXPECT_EQ(ProgramState().PendingAccount(), AccountFor(user).email);
    EXPECT_EQ(monitor->NewMail().total, 2);

    ClearMailbox(user);
    monitor->SetCheckIndex(0);
    Tick();
    EXPECT_EQ(ProgramState().Accounts()[0].lastChange, -2);
    EXPECT_EQ(changes, (std::vector<std::vector<int>>{{2, 2, 2}, {0, -2, 0}}));
    EXPECT_EQ(monitor->NewMail().total, 2) << "until acknowledged";
}

}  // namespace

// A server that tells nothing during IDLE: a check push did not ask for finds a change the
// session never reported, and the account (every account of that server) goes back to the timer.
// A session that tells of the change within the grace keeps push; so does one that came up only
// after the check before.
TEST_F(MailMonitorTest, APushSessionThatNeverTellsOfAChangeFoundByACheckIsGivenUp) {
    std::atomic<bool> tell{false};
    PushWatchers push;
    push.silenceGrace = 100ms;
    push.SetWatcher([&tell](const AccountSettings& account, const SessionOptions& options,
                            const PushReport& report) {
        report(PushEvent::Up, {});
        while (!options.interrupt->Raised()) {
            // Only the first account's session tells.
            if (account.email == "one@x.example" && tell.exchange(false))
                report(PushEvent::Changed, {});
            std::this_thread::sleep_for(5ms);
        }
        return PushEnd::Interrupted;
    });
    std::vector<std::string> silent;
    QObject::connect(&push, &PushWatchers::PushSilent, [&silent](const AccountSettings& account) {
        silent.push_back(account.email);
    });
    AccountEntry one = Entry("one@x.example");
    AccountEntry two = Entry("two@x.example");
    for (AccountEntry* entry : {&one, &two}) entry->params.protocol = MailProtocol::Imap;
    push.Follow({one, two}, {});
    for (int i = 0; i < 200 && !(push.IsUp(one.params) && push.IsUp(two.params)); ++i) RunFor(5);
    ASSERT_TRUE(push.IsUp(one.params));
    EXPECT_FALSE(push.CheckDone(one.params, true));  // came up after no check: nothing to judge

    push.CheckDone(one.params, false);
    EXPECT_TRUE(push.Covers(one.params));
    push.CheckDone(one.params, true);  // ... and push tells of it in time
    tell = true;
    RunFor(300);
    EXPECT_TRUE(silent.empty());
    EXPECT_TRUE(push.Covers(one.params));

    push.CheckDone(one.params, true);  // the timer found news push never told of
    RunFor(300);
    EXPECT_EQ(silent, (std::vector<std::string>{"one@x.example", "two@x.example"}));
    EXPECT_TRUE(push.Silent(two.params));
    EXPECT_FALSE(push.Covers(one.params));
    EXPECT_EQ(push.Running(), 0);
    push.Reconnect();  // a resume does not bring them back
    EXPECT_EQ(push.Running(), 0);
}

TEST(PushCover, TheSafetyCheckComesSoonerUntilPushHasToldOfAChange) {
    const auto now = std::chrono::steady_clock::now();
    EXPECT_TRUE(PushCoversAccount(true, now - 14min, now, true));
    EXPECT_FALSE(PushCoversAccount(true, now - 5min, now, false));
    EXPECT_TRUE(PushCoversAccount(true, now - 4min, now, false));
    EXPECT_FALSE(PushCoversAccount(false, now, now, true));
    EXPECT_FALSE(PushCoversAccount(true, std::nullopt, now, true));
}
