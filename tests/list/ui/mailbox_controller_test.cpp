// The list window's controller without widgets: listing, fetching, deleting, cancel, close and
// keep-alive with the session on its worker thread, on transcripts, a scripted server and the
// test Dovecot's IMAP.

#include <gtest/gtest.h>
#include <filesystem>
#include <future>

#include <QElapsedTimer>
#include <QSignalSpy>
#include <QTimer>

#include "check/ui/window_test_support.h"
#include "engine/worker_threads.h"
#include "list/ui/header_list_model.h"
#include "list/ui/mailbox_controller.h"
#include "session/imap_session.h"
#include "session/pop3_session.h"
#include "settings/settings.h"
#include "support/mail_fixture.h"
#include "support/scripted_server.h"
#include "support/temp_folder.h"
#include "support/transcript.h"

namespace {

// Logged in, counted, CAPA refused (one request at a time), three messages listed.
constexpr const char* kListing = R"(
    C: STAT
    S: +OK 3 300
    C: CAPA
    S: -ERR
    C: STAT
    S: +OK 3 300
    C: LIST
    S: +OK
    S: 1 100
    S: 2 120
    S: 3 140
    S: .
    C: TOP 3 0
    S: +OK
    S: Subject: three
    S: Date: Wed, 09 Dec 2026 08:00:00 +0000
    S:
    S: .
    C: TOP 2 0
    S: +OK
    S: Subject: two
    S: Date: Tue, 08 Dec 2026 08:00:00 +0000
    S:
    S: .
    C: TOP 1 0
    S: +OK
    S: Subject: one
    S: Date: Mon, 07 Dec 2026 08:00:00 +0000
    S:
    S: .
    C: UIDL
    S: -ERR no ids here
)";

std::string Script(std::initializer_list<const char*> parts) {
    std::string script;
    for (const char* part : parts) script += part;
    return script;
}

// Sessions as the program opens them (log in, count), through `connector` or to the account's
// host and port.
SessionFactory Sessions(Pop3Client::Connector connector = {}) {
    return [connector](const AccountSettings& account, std::shared_ptr<InterruptSignal> interrupt) {
        auto client = std::make_unique<Pop3Client>();
        client->ShareInterrupt(std::move(interrupt));
        client->SetAccount(account);
        if (connector) client->SetConnector(connector);
        try {
            client->ConnectAndLogIn();
            client->messageCount = client->CountMessages();
        } catch (const std::exception&) {
            // left unconnected, as OpenSession leaves a failed login
        }
        return std::make_unique<Pop3MailSession>(std::move(client));
    };
}

class MailboxControllerTest : public ::testing::Test {
protected:
    void TearDown() override {
        controller.reset();
        EXPECT_TRUE(EndWorkerThreads(std::chrono::seconds(5)));
        QCoreApplication::sendPostedEvents();  // notes reach `notes` while it lives
    }

    void Start(SessionFactory factory, int port = 110) {
        controller = std::make_unique<MailboxController>(std::move(factory));
        controller->SetNoteHandler(
            [this](const QString&, const QString& note) { notes.push_back(note.toStdString()); });
        account.email = "bob@scripted.example";
        account.host = "127.0.0.1";
        account.port = port;
        account.username = "bob";
        account.password = "secret";
        controller->SetAccount(account);
    }
    void WaitIdle() {
        for (int i = 0; i < 1000 && controller->Busy(); ++i) QTest::qWait(10);
        ASSERT_FALSE(controller->Busy());
    }
    void List() {
        ASSERT_TRUE(controller->ListHeaders(std::make_shared<FilterSnapshot>()));
        WaitIdle();
    }
    std::vector<std::string> Subjects() const {
        std::vector<std::string> subjects;
        for (const MessageRow& row : controller->Rows()->Rows())
            subjects.push_back(row.subjectText);
        return subjects;
    }
    // Ends the controller and waits, without interrupting, until its thread has sent QUIT.
    void End() {
        controller.reset();
        for (int i = 0; i < 500 && RunningWorkerThreads() > 0; ++i) QTest::qWait(10);
        EXPECT_EQ(RunningWorkerThreads(), 0);
    }

    QApplication& app = TestApplication();
    TempFolder folder;
    ProgramFolderScope scope{folder.Path()};
    AccountSettings account;
    std::unique_ptr<MailboxController> controller;
    std::vector<std::string> notes;
};

TEST_F(MailboxControllerTest, ListsFetchesDeletesAndKeepsTheSessionAlive) {
    Transcript talk(Script({kUserLogin, kListing, R"(
        C: LIST 2
        S: +OK 2 120
        C: RETR 2
        S: +OK
        S: Subject: two
        S:
        S: the body of two
        S: .
        C: NOOP
        S: +OK
        C: DELE 3
        S: +OK
        C: QUIT
        S: +OK
    )"}));
    Start(Sessions(talk.Connector()));
    QSignalSpy progress(controller.get(), &MailboxController::progressChanged);
    List();
    EXPECT_EQ(Subjects(), (std::vector<std::string>{"three", "two", "one"}));
    EXPECT_TRUE(controller->Connected());
    ASSERT_FALSE(progress.isEmpty());
    EXPECT_EQ(progress.last(), (QList<QVariant>{2, 3}));

    ASSERT_TRUE(controller->FetchMessage(MessageId(2u)));
    WaitIdle();
    const MailMessage& fetched = *controller->Rows()->Rows()[1].entry;
    EXPECT_EQ(fetched.id, MessageId(2u));
    EXPECT_EQ(fetched.bodyLines, std::vector<std::string>{"the body of two"});

    controller->SetKeepAliveInterval(20);
    QSignalSpy ticks(controller->KeepAliveTimer(), &QTimer::timeout);
    ASSERT_TRUE(ticks.wait(1000));
    controller->KeepAliveTimer()->stop();
    QTest::qWait(50);

    ASSERT_TRUE(controller->DeleteMessages({{MessageId(3u), ""}}));
    WaitIdle();
    EXPECT_EQ(Subjects(), (std::vector<std::string>{"two", "one"}));
    EXPECT_EQ(OpenSettings()->ReadString(AccountSection(account), "COUNT", ""), "2");
    End();
    EXPECT_EQ(talk.Problems(), "");
}

TEST_F(MailboxControllerTest, CancelledListingKeepsTheRowsSoFarAndTheSession) {
    Transcript talk(Script({kUserLogin, R"(
        C: STAT
        S: +OK 3 300
        C: CAPA
        S: -ERR
        C: STAT
        S: +OK 3 300
        C: LIST
        S: +OK
        S: 1 100
        S: 2 120
        S: 3 140
        S: .
        C: TOP 3 0
        S: +OK
        S: Subject: three
        S:
        S: .
        C: UIDL
        S: -ERR
        C: QUIT
    )"}));
    // The session connects only once the cancel is asked for: the first message is the last.
    std::promise<void> cancelled;
    std::shared_future<void> asked = cancelled.get_future().share();
    Start(Sessions([asked, connect = talk.Connector()](Pop3Client& client) {
        asked.wait();
        return connect(client);
    }));
    ASSERT_TRUE(controller->ListHeaders(std::make_shared<FilterSnapshot>()));
    controller->Cancel();
    cancelled.set_value();
    WaitIdle();
    EXPECT_EQ(Subjects(), std::vector<std::string>{"three"});
    EXPECT_TRUE(controller->Connected());
    EXPECT_TRUE(controller->KeepAliveTimer()->isActive());
    End();
    EXPECT_EQ(talk.Problems(), "");
}

TEST_F(MailboxControllerTest, DroppedSessionMidListingEmptiesTheListAndSaysWhy) {
    Transcript talk(Script({kUserLogin, R"(
        C: STAT
        S: +OK 2 200
        C: CAPA
        S: -ERR
        C: STAT
        S: +OK 2 200
        C: LIST
        S: +OK
        S: 1 100
        S: 2 100
        S: .
        C: TOP 2 0
        S: +OK
        S: Subject: two
    )"}));
    Start(Sessions(talk.Connector()));
    QSignalSpy failed(controller.get(), &MailboxController::listingFailed);
    List();
    ASSERT_EQ(failed.size(), 1);
    EXPECT_EQ(failed[0][0].toString(), QStringLiteral("bob@scripted.example - error"));
    EXPECT_EQ(controller->Rows()->rowCount(), 0);
    EXPECT_FALSE(controller->Connected());
    EXPECT_FALSE(controller->KeepAliveTimer()->isActive());
}

// The server takes its time to answer DELE 3; meanwhile the user presses Delete on another
// row, asks for a message, and closes twice.
constexpr const char* kSlowDelete = R"(
    C: DELE 3
    S:<pause 400>
    S: +OK
    C: QUIT
    S: +OK
)";

TEST_F(MailboxControllerTest, RequestsDuringASlowDeleteAreRefusedAndOnlyTheChosenGoes) {
    ScriptedServer server(Script({kUserLogin, kListing, kSlowDelete}));
    Start(Sessions(), server.Port());
    List();
    ASSERT_TRUE(controller->DeleteMessages({{MessageId(3u), ""}}));
    EXPECT_FALSE(controller->DeleteMessages({{MessageId(2u), ""}}));
    EXPECT_FALSE(controller->FetchMessage(MessageId(1u)));
    EXPECT_FALSE(controller->ListHeaders(std::make_shared<FilterSnapshot>()));
    WaitIdle();
    EXPECT_EQ(Subjects(), (std::vector<std::string>{"two", "one"}));
    End();
    EXPECT_EQ(server.Problems(), "");
}

TEST_F(MailboxControllerTest, ClosingDuringASlowDeleteIsRefusedOnceThenQuitsBehindIt) {
    ScriptedServer server(Script({kUserLogin, kListing, kSlowDelete}));
    Start(Sessions(), server.Port());
    List();
    ASSERT_TRUE(controller->DeleteMessages({{MessageId(3u), ""}, {MessageId(2u), ""}}));
    QTest::qWait(50);
    EXPECT_FALSE(controller->RequestClose());  // stops the command after the DELE in hand
    EXPECT_TRUE(controller->RequestClose());
    // The window goes at once; the worker reads the answer to DELE 3 and sends QUIT alone.
    controller.reset();
    EXPECT_EQ(RunningWorkerThreads(), 1);
    End();
    EXPECT_EQ(server.Connections(), 1);
    EXPECT_EQ(server.Problems(), "");
}

TEST_F(MailboxControllerTest, ProgramEndLetsSessionsQuitAndSendsQuitBehindASlowDelete) {
    ScriptedServer idle(Script({kUserLogin, kListing, "C: QUIT\n"}));
    Start(Sessions(), idle.Port());
    List();
    controller.reset();
    EXPECT_TRUE(EndWorkerThreads(std::chrono::seconds(2)));
    EXPECT_EQ(idle.Problems(), "");

    // The answer to DELE comes late: QUIT goes behind it, and the end waits a second at most.
    ScriptedServer slow(Script({kUserLogin, kListing, "C: DELE 3\nC: QUIT\nS:<silence>\n"}));
    Start(Sessions(), slow.Port());
    List();
    ASSERT_TRUE(controller->DeleteMessages({{MessageId(3u), ""}}));
    QTest::qWait(50);
    controller.reset();
    QElapsedTimer waited;
    waited.start();
    EXPECT_TRUE(EndWorkerThreads(std::chrono::seconds(2)));
    EXPECT_LT(waited.elapsed(), 1500);
    EXPECT_EQ(slow.Problems(), "");
}

TEST_F(MailboxControllerTest, ImapListsReadsAndExpungesExactlyTheDeletedWithoutMarkingSeen) {
    if (!DovecotAvailable()) GTEST_SKIP() << "the Dovecot fixture is not running";
    const MailUser user = AddMailUser("ctlimap");
    AddMessages(user, 3);
    Start(AccountSessions(true));
    controller->SetAccount(account = ImapAccountFor(user));
    List();
    EXPECT_EQ(Subjects(), (std::vector<std::string>{"Message 3", "Message 2", "Message 1"}));
    ASSERT_TRUE(controller->FetchMessage(MessageId(2u)));  // the UID
    WaitIdle();
    EXPECT_EQ(controller->Rows()->Rows()[1].entry->bodyLines,
              std::vector<std::string>{"Body of message 2"});
    ASSERT_TRUE(controller->DeleteMessages({{MessageId(3u), ""}, {MessageId(1u), ""}}));
    WaitIdle();
    EXPECT_EQ(MailboxSize(user), 3);  // removed when the session ends
    End();
    EXPECT_EQ(MailboxSize(user), 1);
    for (const auto& entry : std::filesystem::directory_iterator(user.maildir + "/cur"))
        EXPECT_EQ(entry.path().filename().string().find(":2,S"), std::string::npos);
}

TEST_F(MailboxControllerTest, ImapServerWithoutUidPlusLeavesANoteAfterTheWindowHasGone) {
    Transcript talk(R"(
        S: * OK [CAPABILITY IMAP4rev1] ready
        C: a1 LOGIN "bob" "secret"
        S: a1 OK [CAPABILITY IMAP4rev1] in
        C: a2 EXAMINE "INBOX"
        S: a2 OK [READ-ONLY] done
        C: a3 SELECT "INBOX"
        S: a3 OK [READ-WRITE] done
        C: a4 UID STORE 4 +FLAGS.SILENT (\Deleted)
        S: a4 OK done
        C: a5 LOGOUT
    )");
    Start([&talk](const AccountSettings& imap, std::shared_ptr<InterruptSignal>) {
        auto client = std::make_unique<ImapClient>();
        client->SetAccount(imap);
        client->SetConnector(talk.TransportConnector());
        client->ConnectAndLogIn();
        return std::make_unique<ImapMailSession>(imap, std::move(client));
    });
    List();
    ASSERT_TRUE(controller->DeleteMessages({{MessageId(4u), ""}}));
    WaitIdle();
    End();
    QTest::qWait(20);
    EXPECT_EQ(notes, std::vector<std::string>{"1 kept_marked_deleted_one"});
    EXPECT_EQ(talk.Problems(), "");
}

}  // namespace
