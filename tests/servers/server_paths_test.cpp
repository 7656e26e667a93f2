// The paths users meet, against one real server: this file is built once for each server the
// tests run (SERVER_SUITE names the server, SERVER_KIND is its ServerKind), so that a failure
// reads as "Courier.CountsOverEveryListener". Counts over every listener, folders by name and
// all of them, the header listing with reading and deleting, push and its renewal, and the
// login as the last command of its flight, read from the protocol log.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <fstream>

#include "check/account_status.h"
#include "check/check_cycle.h"
#include "check/check_fixture.h"
#include "check/push_recorder.h"
#include "check/recording_sink.h"
#include "list/mailbox_listing.h"
#include "session/session_factory.h"
#include "support/mail_servers.h"

using namespace std::chrono_literals;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::StartsWith;

namespace {

class SERVER_SUITE : public SettingsTest {
protected:
    void SetUp() override {
        try {
            server_ = &RunningServer(ServerKind::SERVER_KIND);
        } catch (const ServerUnavailable& why) {
            GTEST_SKIP() << why.what();
        }
        TrustServerAuthority(*server_);
    }

    // The change the check found; its error, when it failed, fails the test.
    int Check(const AccountSettings& account) {
        const CheckResult result = CheckAccount(account, options_, false, notifier_);
        EXPECT_EQ(StoredRunKey(account, "LAST_RESULT"), "1") << StoredRunKey(account, "LAST_ERROR");
        folders_ = result.folders;
        return result.change;
    }

    AccountSettings Account(const MailUser& user, MailProtocol protocol,
                            Listener listener = Listener::Plain) {
        return ServerAccount(*server_, user, protocol, listener);
    }

    void Deliver(const MailUser& user, const std::string& subject,
                 const std::string& folder = "INBOX") {
        DeliverTo(*server_, user, folder,
                  MakeMessage(subject, "sender@test.example", "Body of " + subject));
    }

    // IMAP, and POP3 where the server runs it here.
    std::vector<MailProtocol> Protocols() const {
        if (server_->pop3Port == 0) return {MailProtocol::Imap};
        return {MailProtocol::Imap, MailProtocol::Pop3};
    }

    // The protocol log's lines of the account, their markers and texts ("C: a1 LOGIN ***").
    std::vector<std::string> LoggedLines(const AccountSettings& account) {
        std::ifstream log(std::getenv("TARNWICK_LOG"));
        std::vector<std::string> lines;
        const std::string name = " " + account.email + " ";
        for (std::string line; std::getline(log, line);) {
            const std::size_t at = line.find(name);
            if (at != std::string::npos) lines.push_back(line.substr(at + name.size()));
        }
        return lines;
    }

    const TestServer* server_ = nullptr;
    const SessionOptions options_ = [] {
        SessionOptions options;
        options.tlsAvailable = true;
        return options;
    }();
    RecordingNotifier notifier_;
    std::vector<FolderRunState> folders_;
};

bool IsLogin(const std::string& line) {
    for (const char* login : {"C: USER ", "C: PASS ", "C: APOP ", "C: AUTH "})
        if (line.starts_with(login)) return true;
    return line.starts_with("C: a") && (line.find(" LOGIN ") != std::string::npos ||
                                        line.find(" AUTHENTICATE ") != std::string::npos);
}

}  // namespace

// Two messages, then one more: each check finds what came since the last, over every listener.
TEST_F(SERVER_SUITE, CountsOverEveryListener) {
    for (const MailProtocol protocol : Protocols()) {
        for (const Listener listener : {Listener::Plain, Listener::Tls, Listener::StartTls}) {
            SCOPED_TRACE(std::string(ProtocolName(protocol)) + " " +
                         std::to_string(static_cast<int>(listener)));
            const MailUser user = AddServerUser(*server_, "count");
            const AccountSettings account = Account(user, protocol, listener);
            Deliver(user, "One");
            Deliver(user, "Two");
            EXPECT_EQ(Check(account), 2);
            EXPECT_EQ(StoredRunKey(account, "COUNT"), "2");
            Deliver(user, "Three");
            EXPECT_EQ(Check(account), 1);
            EXPECT_EQ(Check(account), 0);
        }
    }
}

// FOLDERS= by the names a user types, whatever the server calls them, and "*".
TEST_F(SERVER_SUITE, ImapFoldersByNameAndAllSubscribed) {
    const MailUser user = AddServerUser(*server_, "folders");
    AddServerFolder(*server_, user, "Work");
    Deliver(user, "Report", "Work");
    Deliver(user, "Hello");
    AccountSettings account = Account(user, MailProtocol::Imap);
    account.folders = "INBOX, Work";
    EXPECT_EQ(Check(account), 2);
    ASSERT_EQ(folders_.size(), 2u);
    EXPECT_EQ(folders_[1].count, 1);
    EXPECT_THAT(folders_[1].name, HasSubstr("Work"));
    Deliver(user, "Another", "Work");
    EXPECT_EQ(Check(account), 1);

    account.folders = "*";
    Check(account);
    ASSERT_EQ(folders_.size(), 2u);
    EXPECT_EQ(folders_[0].name, "INBOX");
    EXPECT_EQ(folders_[1].count, 2);

    account.folders = "INBOX, Missing";
    CheckAccount(account, options_, false, notifier_);
    EXPECT_THAT(StoredRunKey(account, "LAST_ERROR"), StartsWith("Missing: "));
    EXPECT_THAT(StoredRunKey(account, "LAST_ERROR"), HasSubstr("~The server's folders: INBOX, "));
}

// The header listing (newest first), reading the newest message, deleting the oldest.
TEST_F(SERVER_SUITE, ListsReadsAndDeletes) {
    for (const MailProtocol protocol : Protocols()) {
        SCOPED_TRACE(ProtocolName(protocol));
        const MailUser user = AddServerUser(*server_, "list");
        for (const char* subject : {"First", "Second", "Third"}) Deliver(user, subject);
        RunState runState;
        auto session = OpenMailSession(Account(user, protocol), options_, runState);
        ASSERT_TRUE(session->IsConnected());
        const std::vector<MessageRow> rows = ListHeaders(*session, "me@test.example", {}, {});
        ASSERT_EQ(rows.size(), 3u);
        EXPECT_EQ(rows[0].subjectText, "Third");
        EXPECT_EQ(rows[2].subjectText, "First");
        RecordingSink message;
        ASSERT_TRUE(session->FetchMessage(rows[0].entry->id, message));
        EXPECT_THAT(message.body, ElementsAre("Body of Third"));
        session->DeleteMessage(rows[2].entry->id);
        session->Quit();
        EXPECT_EQ(FolderSize(*server_, user, "INBOX"), 2);
    }
}

// A delivery is heard while idling, at once and again after a renewal of IDLE; but not on a
// server that tells only after DONE (mailutils' imap4d), for which the engine gives push up
// (see PushWatchers).
TEST_F(SERVER_SUITE, PushTellsOfDeliveriesAcrossARenewal) {
    const bool silent = server_->kind == ServerKind::Mailutils;
    const MailUser user = AddServerUser(*server_, "push");
    AddServerFolder(*server_, user, "Work");  // idled in by the name the user gave it
    AccountSettings account = Account(user, MailProtocol::Imap, Listener::StartTls);
    account.folders = "Work, INBOX";
    PushTiming timing;
    timing.firstDelay = 50ms;
    timing.idleRefresh = silent ? 60s : 1s;  // imap4d: nothing but IDLE itself may tell
    timing.newsGap = 100ms;
    Watch watch(account, timing);
    std::optional<PushEvent> first = watch.Next(10s);
    // INBOX too where the server offers NOTIFY (Dovecot); else the timed check counts it.
    EXPECT_EQ(first == PushEvent::FirstFolderOnly, server_->kind != ServerKind::Dovecot);
    if (first == PushEvent::FirstFolderOnly) first = watch.Next(10s);
    ASSERT_EQ(first, PushEvent::Up);
    Deliver(user, "Pushed", "Work");
    if (silent) {
        // Nothing while idling, and after DONE only when imap4d looks at the mailbox again,
        // which may take half a minute or longer: the engine gives push up for such a server.
        EXPECT_EQ(watch.Next(3s), std::nullopt) << "imap4d now tells during IDLE";
        EXPECT_EQ(watch.Stop(), PushEnd::Interrupted);
        return;
    }
    EXPECT_EQ(watch.Next(5s), PushEvent::Changed);
    std::this_thread::sleep_for(1500ms);  // renewed meanwhile
    Deliver(user, "Again", "Work");
    EXPECT_EQ(watch.Next(5s), PushEvent::Changed);
    EXPECT_EQ(watch.Stop(), PushEnd::Interrupted);
}

// Some servers drop what comes with the login, or take it for a second login: whatever the
// protocol, what follows the login waits for its answer.
TEST_F(SERVER_SUITE, TheLoginIsTheLastCommandOfItsFlight) {
    ASSERT_NE(std::getenv("TARNWICK_LOG"), nullptr);
    std::ofstream(std::getenv("TARNWICK_LOG"), std::ios::trunc).close();  // read by this test alone
    const MailUser user = AddServerUser(*server_, "flight");
    Deliver(user, "One");
    for (const MailProtocol protocol : Protocols()) {
        AccountSettings account = Account(user, protocol, Listener::StartTls);
        account.email = std::string(ProtocolName(account.protocol)) + "-" + account.email;
        for (int check = 0; check < 2; ++check) Check(account);  // the second knows the server
        const std::vector<std::string> lines = LoggedLines(account);
        int logins = 0;
        for (std::size_t i = 0; i < lines.size(); ++i) {
            if (!IsLogin(lines[i]) || lines[i].starts_with("C: USER ")) continue;
            ++logins;
            ASSERT_LT(i + 1, lines.size());
            EXPECT_THAT(lines[i + 1], StartsWith("S: ")) << lines[i];
        }
        EXPECT_EQ(logins, 2) << account.email;
    }
}
