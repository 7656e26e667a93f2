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
