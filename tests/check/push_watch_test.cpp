// Push against the real Dovecot: a delivery into the Maildir is reported while idling, and a
// connection the server drops is reopened and reported.
#include "check/push_watch.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "check/check_fixture.h"
#include "check/push_recorder.h"
#include "net/interrupt.h"
#include "support/mail_fixture.h"
#include "support/scripted_server.h"

using namespace std::chrono_literals;

namespace {

// Ends the user's sessions as an administrator would (the server says BYE).
void KickUser(const MailUser& user) {
    const auto config = std::filesystem::path(Dovecot().usersDir).parent_path() / "dovecot.conf";
    const std::string command =
        "doveadm -c '" + config.string() + "' kick '" + user.name + "' >/dev/null 2>&1";
    ASSERT_EQ(std::system(command.c_str()), 0);
}

class PushWatchTest : public SettingsTest {};

}  // namespace

TEST(PushReconnectDelay, DoublesFromOneSecondToFiveMinutes) {
    EXPECT_EQ(ReconnectDelay(1), 1s);
    EXPECT_EQ(ReconnectDelay(2), 2s);
    EXPECT_EQ(ReconnectDelay(9), 256s);
    EXPECT_EQ(ReconnectDelay(10), 5min);
    EXPECT_EQ(ReconnectDelay(100000), 5min);  // no overflow on a long outage
}

TEST_F(PushWatchTest, DeliveryIsReportedAndADroppedConnectionIsReopened) {
    if (!DovecotAvailable()) GTEST_SKIP() << "no Dovecot fixture";
    const MailUser user = AddMailUser("push");
    PushTiming timing;
    timing.firstDelay = 50ms;
    timing.idleRefresh = 200ms;
    Watch watch(ImapAccountFor(user), timing);
    ASSERT_EQ(watch.Next(10s), PushEvent::Up);
    std::this_thread::sleep_for(500ms);  // IDLE ended and begun again meanwhile
    EXPECT_EQ(watch.Next(0ms), std::nullopt);

    AddMessage(user, MakeMessage("Pushed", "a@b.example", "body"));
    EXPECT_EQ(watch.Next(5s), PushEvent::Changed);  // the benchmark measures how soon

    KickUser(user);
    EXPECT_EQ(watch.Next(10s), PushEvent::Lost);
    EXPECT_EQ(watch.Next(10s), PushEvent::Reconnected);
    AddMessage(user, MakeMessage("Again", "a@b.example", "body"));
    EXPECT_EQ(watch.Next(5s), PushEvent::Changed);
    EXPECT_EQ(watch.Stop(), PushEnd::Interrupted);
}

TEST_F(PushWatchTest, ChangesAreHeardInsideTls) {
    if (!DovecotAvailable()) GTEST_SKIP() << "no Dovecot fixture";
    TrustFixtureAuthority();
    for (const Listener listener : {Listener::Tls, Listener::StartTls}) {
        const MailUser user = AddMailUser("pushtls");
        Watch watch(ImapAccountFor(user, listener), {});
        ASSERT_EQ(watch.Next(10s), PushEvent::Up);
        AddMessage(user, MakeMessage("Pushed", "a@b.example", "body"));
        EXPECT_EQ(watch.Next(5s), PushEvent::Changed);
    }
}

// Several folders on one connection: with NOTIFY a delivery into another folder is heard; a
// user refused NOTIFY is heard of in the first folder only, and the session says so.
TEST_F(PushWatchTest, NotifyHearsOfTheOtherFoldersOnTheOneConnection) {
    if (!DovecotAvailable()) GTEST_SKIP() << "no Dovecot fixture";
    for (const Notify notify : {Notify::Offered, Notify::Refused}) {
        const MailUser user = AddMailUser("pushfolders", "secret", notify);
        AddFolder(user, "Work");
        AddFolder(user, "Junk");
        AccountSettings account = ImapAccountFor(user);
        account.folders = notify == Notify::Offered ? "*" : "INBOX, Work";
        Watch watch(account, {});
        if (notify == Notify::Refused) {
            ASSERT_EQ(watch.Next(10s), PushEvent::FirstFolderOnly);
        }
        ASSERT_EQ(watch.Next(10s), PushEvent::Up);
        Deliver(user, "Work", MakeMessage("Work", "a@b.example", "body"));
        if (notify == Notify::Offered) {
            EXPECT_EQ(watch.Next(5s), PushEvent::Changed);
        } else {
            EXPECT_EQ(watch.Next(1500ms), std::nullopt);
            Deliver(user, "INBOX", MakeMessage("Inbox", "a@b.example", "body"));
            EXPECT_EQ(watch.Next(5s), PushEvent::Changed);
        }
    }
    AccountSettings account;
    account.protocol = MailProtocol::Imap;
    account.folders = "Work, Lists/d\xC3\xA9v";
    EXPECT_EQ(PushedFolder(account), "Work");
    EXPECT_EQ(NotifyCommand(account),
              R"(NOTIFY SET (selected (MessageNew MessageExpunge)) )"
              R"((mailboxes ("Lists/d&AOk-v") (MessageNew MessageExpunge)))");
    account.folders = "Work";
    EXPECT_EQ(NotifyCommand(account), "");  // one folder: IDLE hears it all
    EXPECT_FALSE(PushEventWantsCheck(PushEvent::FirstFolderOnly, std::nullopt,
                                     std::chrono::steady_clock::now()));
}

TEST_F(PushWatchTest, AServerWithoutIdleEndsTheWatch) {
    ScriptedServer server(R"(
        S: * OK [CAPABILITY IMAP4rev1 SASL-IR AUTH=PLAIN] ready
        C: a1 AUTHENTICATE PLAIN AGJvYgBzZWNyZXQ=
        S: a1 OK [CAPABILITY IMAP4rev1 UIDPLUS] Logged in
        C: a2 LOGOUT
    )");
    AccountSettings account = ScriptedAccount(server);
    account.protocol = MailProtocol::Imap;
    Watch watch(account, {});
    EXPECT_EQ(watch.Wait(), PushEnd::NoIdle);
    EXPECT_EQ(watch.Next(0ms), std::nullopt);
    EXPECT_EQ(server.Problems(), "");
}

namespace {

constexpr const char* kIdlingSession = R"(
    S: * OK [CAPABILITY IMAP4rev1 SASL-IR AUTH=PLAIN] ready
    C: a1 AUTHENTICATE PLAIN AGJvYgBzZWNyZXQ=
    S: a1 OK [CAPABILITY IMAP4rev1 IDLE] Logged in
    C: a2 EXAMINE "INBOX"
    S: * 0 EXISTS
    S: a2 OK [READ-ONLY] done
    C: a3 IDLE
    S: + idling
)";

AccountSettings ScriptedImapAccount(const ScriptedServer& server) {
    AccountSettings account = ScriptedAccount(server);
    account.protocol = MailProtocol::Imap;
    return account;
}

}  // namespace

TEST_F(PushWatchTest, ASessionDroppedAtOnceMakesTheDelaysGrow) {
    // Every session ends right after IDLE's go-ahead: 10, 20, 40 ... ms apart, about 7
    // connections in a second, never one every 10 ms.
    ScriptedServer server(kIdlingSession);
    PushTiming timing;
    timing.firstDelay = 10ms;
    Watch watch(ScriptedImapAccount(server), timing);
    ASSERT_EQ(watch.Next(10s), PushEvent::Up);
    std::this_thread::sleep_for(1s);
    watch.Stop();
    EXPECT_LE(server.Connections(), 12);
    // Whether an event calls for a check: a reconnection only without a recent one.
    const auto now = std::chrono::steady_clock::now();
    EXPECT_TRUE(PushEventWantsCheck(PushEvent::Changed, now, now));
    EXPECT_FALSE(PushEventWantsCheck(PushEvent::Reconnected, now - 30s, now));
    EXPECT_TRUE(PushEventWantsCheck(PushEvent::Reconnected, now - 61s, now));
    EXPECT_TRUE(PushEventWantsCheck(PushEvent::Up, now, now));
    EXPECT_FALSE(PushEventWantsCheck(PushEvent::Lost, std::nullopt, now));
}

TEST_F(PushWatchTest, NewsInQuickSuccessionIsReportedTogether) {
    ScriptedServer server(std::string(kIdlingSession) + R"(
        S: * 1 EXISTS
        S: * 2 EXISTS
        S: * 1 EXPUNGE
        S: * 2 EXISTS
        S:<silence>
    )");
    PushTiming timing;
    timing.newsGap = 300ms;
    Watch watch(ScriptedImapAccount(server), timing);
    ASSERT_EQ(watch.Next(10s), PushEvent::Up);
    EXPECT_EQ(watch.Next(5s), PushEvent::Changed);  // the first at once
    EXPECT_EQ(watch.Next(5s), PushEvent::Changed);  // the rest after the gap
    EXPECT_EQ(watch.Next(600ms), std::nullopt);
    watch.Stop();
}
