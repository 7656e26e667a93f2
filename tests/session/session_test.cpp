// Sessions against the real Dovecot and against a scripted server for what Dovecot never does.
#include "session/pop3_session.h"

#include "imap/imap_client.h"
#include "session/imap_session.h"
#include "session/session_factory.h"

#include <arpa/inet.h>
#include <gmock/gmock.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <limits>

#include "check/certificate_trust.h"
#include "check/check_fixture.h"
#include "check/recording_sink.h"
#include "net/socket_transport.h"
#include "settings/errors.h"
#include "settings/language.h"
#include "support/mail_fixture.h"
#include "support/scripted_server.h"
#include "support/transcript.h"

using ::testing::HasSubstr;
using ::testing::StartsWith;

namespace {

class SessionTest : public SettingsTest {
protected:
    // Opens with the options of the test: TLS as the test sets it.
    std::unique_ptr<Pop3Client> OpenSession(const AccountSettings& account) {
        return ::OpenSession(account, options_);
    }

    // The TLS session fails for `reason`, then succeeds with SSL_VERIFY=0 in the section.
    std::unique_ptr<Pop3Client> RefusedUnlessVerificationIsOff(const AccountSettings& account,
                                                               const std::string& reason) {
        auto refused = OpenSession(account);
        EXPECT_FALSE(refused->IsConnected());
        EXPECT_THAT(StoredRunKey(account, "LAST_ERROR"), StartsWith("Error connecting with SSL.~"));
        EXPECT_THAT(StoredRunKey(account, "LAST_ERROR"), HasSubstr(reason));
        SetRunState(account, "SSL_VERIFY", "0");
        auto accepted = OpenSession(account);
        EXPECT_TRUE(accepted->IsConnected()) << StoredRunKey(account, "LAST_ERROR");
        return accepted;
    }

    SessionOptions options_;
};

}  // namespace

TEST_F(SessionTest, OpenSessionCountsAndRecordsSuccess) {
    const MailUser user = AddMailUser("session");
    AddMessages(user, 3);
    for (bool apop : {false, true}) {
        auto session = OpenSession(AccountFor(user, Listener::Plain, apop));
        ASSERT_TRUE(session->IsConnected()) << StoredRunKey(AccountFor(user), "LAST_ERROR");
        EXPECT_EQ(session->messageCount, 3);
        EndSession(session);
        EXPECT_EQ(session, nullptr);
    }
    EXPECT_EQ(StoredRunKey(AccountFor(user), "LAST_RESULT"), "1");
    EXPECT_NE(StoredRunKey(AccountFor(user), "LAST_CHECK"), "(absent)");
    EXPECT_EQ(StoredRunKey(AccountFor(user), "LAST_ERROR"), "(absent)");
}

TEST_F(SessionTest, LargeMessageComesBackLineForLine) {
    const MailUser user = AddMailUser("large");
    std::vector<std::string> body;
    for (int i = 0; i < 6000; ++i)
        body.push_back((i % 7 == 0 ? "." : "") + std::string(i % 300, 'a' + i % 26));
    body.push_back(std::string(16384, 'z'));
    std::string message = "Subject: large\r\nFrom: a@test.example\r\n\r\n";
    for (const std::string& line : body) message += line + "\r\n";
    AddMessage(user, message);

    auto session = OpenSession(AccountFor(user));
    ASSERT_TRUE(session->IsConnected());
    RecordingSink sink;
    ASSERT_TRUE(session->FetchMessage(1, sink));
    EXPECT_EQ(sink.header, (std::vector<std::string>{"Subject: large", "From: a@test.example"}));
    EXPECT_EQ(sink.body, body);
    EXPECT_EQ(session->MessageSize(1), static_cast<int>(message.size()));
}

TEST_F(SessionTest, RefusedLoginIsRecordedAndReported) {
    const MailUser user = AddMailUser("refused");
    AccountSettings account = AccountFor(user);
    account.password = "wrong";
    std::vector<std::string> errors;
    options_.statusHandler = [&](Pop3Client&, StatusKind kind, int, const std::string& text) {
        if (kind == StatusKind::Error) errors.push_back(text);
    };
    auto session = OpenSession(account);
    EXPECT_FALSE(session->IsConnected());
    EXPECT_EQ(session->messageCount, 0);
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_EQ(errors[0], "[AUTH] Authentication failed.\r\n");
    EXPECT_EQ(StoredRunKey(account, "LAST_RESULT"), "0");
    EXPECT_EQ(StoredRunKey(account, "LAST_ERROR"), "[AUTH] Authentication failed.~");
    EXPECT_NE(StoredRunKey(account, "LAST_CHECK"), "(absent)");
}

TEST_F(SessionTest, RefusedConnectionGivesTheSocketError) {
    int port;
    {
        ScriptedServer closed("");
        port = closed.Port();
    }
    AccountSettings account;
    account.host = "127.0.0.1";
    account.port = port;
    auto session = OpenSession(account);
    EXPECT_FALSE(session->IsConnected());
    EXPECT_EQ(StoredRunKey(account, "LAST_ERROR"), "Socket Error # 111~Connection refused.");
}

TEST_F(SessionTest, APortOutsideTheTcpRangeIsRefusedBeforeConnecting) {
    // 70000 would otherwise reach port 4464 (70000 mod 65536), another service, with the password.
    for (const int port : {70000, 65536, -1}) {
        AccountSettings account;
        account.host = "127.0.0.1";
        account.port = port;
        std::vector<std::string> progress;
        options_.statusHandler = [&](Pop3Client&, StatusKind kind, int, const std::string& text) {
            if (kind == StatusKind::Progress) progress.push_back(text);
        };
        auto session = OpenSession(account);
        EXPECT_FALSE(session->IsConnected());
        EXPECT_EQ(StoredRunKey(account, "LAST_ERROR"),
                  "Invalid port number: " + std::to_string(port) + ".");
        EXPECT_TRUE(progress.empty()) << port;
    }
}

TEST_F(SessionTest, HostileRepliesAreRecordedOnOneLine) {
    struct Case {
        const char* script;
        bool apop;
        const char* error;
    } cases[] = {
        {"S: +OK hi\nC: CAPA\nS: -ERR\nC: USER bob\nS: +OK\nC: PASS secret\nS: 200 fine\nC: QUIT",
         false, "Unrecognized POP3 Response Header:~\"200 fine\""},
        {"S: +OK ready\nC: QUIT", true, "Server do not support APOP (no timestamp)"},
        {"S: -ERR too many connections from your address\nC: QUIT", false,
         "too many connections from your address~"},
        {"S: +OK hi\nC: CAPA\nS: -ERR\nC: USER bob\nS: +OK\nC: PASS secret\nS: +OK\nC: "
         "STAT\nS:<raw>+OK 1",
         false, "Connection Closed Gracefully."},
    };
    for (const Case& c : cases) {
        ScriptedServer server(c.script);
        const AccountSettings account = ScriptedAccount(server, c.apop);
        auto session = OpenSession(account);
        EXPECT_FALSE(session->IsConnected()) << c.script;
        EXPECT_EQ(StoredRunKey(account, "LAST_ERROR"), c.error) << c.script;
        EXPECT_EQ(StoredRunKey(account, "LAST_RESULT"), "0") << c.script;
        EndSession(session);
        EXPECT_EQ(server.Problems(), "") << c.script;
    }
    // Every value stayed on its line: the file still reads back key by key (the run state and
    // what CAPA said).
    EXPECT_EQ(OpenSettings()->ReadSection("EML_127_0_0_1_BOB").size(), 4u);
}

TEST_F(SessionTest, FailedCountAfterLoginKeepsTheSessionOpen) {
    ScriptedServer server(
        "S: +OK hi\nC: CAPA\nS: -ERR\nC: USER bob\nS: +OK\nC: PASS secret\nS: +OK\nC: STAT\nS: +OK "
        "3\nC: QUIT");
    const AccountSettings account = ScriptedAccount(server);
    auto session = OpenSession(account);
    EXPECT_TRUE(session->IsConnected());
    EXPECT_EQ(session->messageCount, 0);
    EXPECT_EQ(StoredRunKey(account, "LAST_RESULT"), "0");
    EXPECT_EQ(StoredRunKey(account, "LAST_ERROR"), "'' is not a valid integer value");
    EndSession(session);
    EXPECT_EQ(server.Problems(), "");
}

TEST_F(SessionTest, SilentServerIsLeftAfterTheReadTimeout) {
    ScriptedServer server("S:<silence>");
    setenv("TARNWICK_READ_TIMEOUT_MS", "300", 1);
    AccountSettings account = ScriptedAccount(server);
    int disconnects = 0;
    options_.statusHandler = [&](Pop3Client&, StatusKind kind, int, const std::string&) {
        disconnects += kind == StatusKind::Disconnect;
    };
    auto session = OpenSession(account);
    unsetenv("TARNWICK_READ_TIMEOUT_MS");
    EXPECT_FALSE(session->IsConnected());
    EXPECT_EQ(disconnects, 1);
    EXPECT_EQ(StoredRunKey(account, "LAST_ERROR"), "The server sent no greeting within 300 ms");
}

TEST_F(SessionTest, AHugeReadTimeoutFromTheEnvironmentIsHeldToWhatAWaitCanTake) {
    ScriptedServer server(
        "S: +OK hi\nC: CAPA\nS: -ERR\nC: USER bob\nS: +OK\nC: PASS secret\nS: +OK\nC: STAT\nS: +OK "
        "2 9\nC: QUIT");
    setenv("TARNWICK_READ_TIMEOUT_MS", "9223372036854775807", 1);
    const auto timeout = DefaultReadTimeout();
    auto session = OpenSession(ScriptedAccount(server));
    unsetenv("TARNWICK_READ_TIMEOUT_MS");
    EXPECT_EQ(timeout.count(), std::numeric_limits<int>::max());
    EXPECT_EQ(session->messageCount, 2);
    EndSession(session);
    EXPECT_EQ(server.Problems(), "");
}

TEST_F(SessionTest, EndSessionOnAClientThatNeverConnectedSendsNothing) {
    Transcript talk("S: +OK");
    auto session = std::make_unique<Pop3Client>();
    session->SetConnector(talk.Connector());
    EndSession(session);
    EXPECT_EQ(session, nullptr);
    EXPECT_TRUE(talk.ClientLines().empty());
    std::unique_ptr<Pop3Client> none;
    EndSession(none);
}

TEST_F(SessionTest, TlsWithTheFixtureAuthority) {
    TrustFixtureAuthority();
    const MailUser user = AddMailUser("tls");
    AddMessages(user, 2);
    options_.tlsAvailable = true;
    auto session = OpenSession(AccountFor(user, Listener::Tls, true));
    EXPECT_TRUE(session->IsConnected()) << StoredRunKey(AccountFor(user), "LAST_ERROR");
    EXPECT_EQ(session->messageCount, 2);
}

// The ticket of the first connection (it comes with the greeting) lets the second one resume,
// for this host name and trust setting only.
TEST_F(SessionTest, ASecondTlsConnectionToTheServerResumesItsSession) {
    TrustFixtureAuthority();
    const auto connect = [](const std::string& host, const std::string& pin = "") {
        ConnectOptions options;
        options.host = host;
        options.port = Dovecot().tlsPort;
        options.tls = true;
        options.pin = pin;
        auto transport = ConnectSocket(options);
        char greeting[512];
        EXPECT_GT(transport->Receive(greeting, sizeof greeting), 0u);
        return transport;
    };
    EXPECT_THAT(connect("localhost")->TlsSummary(), StartsWith("TLSv1."));
    const auto second = connect("localhost");
    EXPECT_TRUE(second->TlsResumed());
    EXPECT_THAT(second->TlsSummary(), HasSubstr(", session resumed"));
    EXPECT_FALSE(connect("localhost", "sha256:" + std::string(64, '0'))->TlsResumed());
}

TEST_F(SessionTest, TlsRefusesAWrongHostNameUnlessVerificationIsOff) {
    TrustFixtureAuthority();
    const MailUser user = AddMailUser("tlsname");
    options_.tlsAvailable = true;
    AccountSettings account = AccountFor(user, Listener::Tls);
    account.host = "127.0.0.1";  // the certificate names localhost only
    RefusedUnlessVerificationIsOff(account, "mismatch");
}

TEST_F(SessionTest, TlsRefusesASelfSignedCertificateUnlessVerificationIsOff) {
    TrustFixtureAuthority();
    const std::string script =
        "S: +OK hi\nC: CAPA\nS: -ERR\nC: USER bob\nS: +OK\nC: PASS secret\nS: +OK\nC: STAT\nS: +OK "
        "7 70\nC: QUIT";
    ScriptedServer server(script, Dovecot().selfSignedCert, Dovecot().selfSignedKey);
    options_.tlsAvailable = true;
    AccountSettings account = ScriptedAccount(server);
    account.host = "localhost";
    account.ssl = true;
    auto accepted = RefusedUnlessVerificationIsOff(account, "self-signed");
    EXPECT_EQ(accepted->messageCount, 7);
    EndSession(accepted);
}

TEST_F(SessionTest, TlsFailuresAPersonMeetsReadAsSentences) {
    options_.tlsAvailable = true;
    // SSL ticked for the plain port.
    const MailUser user = AddMailUser("wrongport");
    AccountSettings plain = AccountFor(user);
    plain.ssl = true;
    EXPECT_FALSE(OpenSession(plain)->IsConnected());
    EXPECT_EQ(StoredRunKey(plain, "LAST_ERROR"),
              "Error connecting with SSL.~The server did not answer with TLS (wrong port?).");

    // A server that knows nothing newer than TLS 1.1 answers the hello with a fatal
    // protocol_version alert.
    const std::string alert("S:<raw>\x15\x03\x01\x00\x02\x02\x46\nS:<silence>", 26);
    ScriptedServer server(alert);
    AccountSettings old = ScriptedAccount(server);
    old.ssl = true;
    EXPECT_FALSE(OpenSession(old)->IsConnected());
    EXPECT_EQ(StoredRunKey(old, "LAST_ERROR"),
              "Error connecting with SSL.~The server offers only an old TLS version that is not "
              "safe.");
}

TEST_F(SessionTest, TlsAccountWithoutTheLibraryConnectsPlain) {
    const MailUser user = AddMailUser("notls");
    AddMessages(user, 1);
    AccountSettings account = AccountFor(user);  // the plain listener
    account.ssl = true;
    options_.tlsAvailable = false;
    auto session = OpenSession(account);
    options_.tlsAvailable = true;
    EXPECT_TRUE(session->IsConnected()) << StoredRunKey(account, "LAST_ERROR");
    EXPECT_EQ(session->messageCount, 1);
}

TEST_F(SessionTest, StartTlsOnThePlainListenerWithTheFixtureAuthority) {
    TrustFixtureAuthority();
    const MailUser user = AddMailUser("stls");
    AddMessages(user, 2);
    options_.tlsAvailable = true;
    for (bool apop : {false, true}) {
        auto session = OpenSession(AccountFor(user, Listener::StartTls, apop));
        EXPECT_TRUE(session->IsConnected()) << StoredRunKey(AccountFor(user), "LAST_ERROR");
        EXPECT_EQ(session->messageCount, 2);
    }
}

TEST_F(SessionTest, StartTlsRefusesAWrongHostNameUnlessVerificationIsOffOrThePinMatches) {
    TrustFixtureAuthority();
    const MailUser user = AddMailUser("stlsname");
    AddMessages(user, 1);
    options_.tlsAvailable = true;
    AccountSettings account = AccountFor(user, Listener::StartTls);
    account.host = "127.0.0.1";  // the certificate names localhost only
    RefusedUnlessVerificationIsOff(account, "mismatch");

    SetRunState(account, "SSL_VERIFY", "1");
    auto refused = OpenSession(account);
    ASSERT_TRUE(refused->CertificateFailure().has_value());
    const std::string fingerprint = refused->CertificateFailure()->certificate.fingerprint;
    EXPECT_THAT(StoredRunKey(account, "LAST_ERROR"),
                HasSubstr("~Certificate fingerprint: " + fingerprint));
    TrustCertificate(account, fingerprint);
    auto pinned = OpenSession(account);
    EXPECT_TRUE(pinned->IsConnected()) << StoredRunKey(account, "LAST_ERROR");
    EXPECT_EQ(pinned->messageCount, 1);
    EXPECT_FALSE(pinned->CertificateFailure().has_value());
}

TEST_F(SessionTest, StartTlsFailsWhenTheServerClosesDuringTheUpgrade) {
    ScriptedServer server("S: +OK ready\nC: STLS\nS: +OK Begin TLS negotiation");
    options_.tlsAvailable = true;
    AccountSettings account = ScriptedAccount(server);
    account.startTls = true;
    std::vector<StatusKind> kinds;
    options_.statusHandler = [&](Pop3Client&, StatusKind kind, int, const std::string&) {
        kinds.push_back(kind);
    };
    auto session = OpenSession(account);
    EXPECT_FALSE(session->IsConnected());
    EXPECT_THAT(StoredRunKey(account, "LAST_ERROR"), StartsWith("Error connecting with SSL.~"));
    EXPECT_EQ(std::count(kinds.begin(), kinds.end(), StatusKind::Disconnect), 1);
    EXPECT_EQ(server.Problems(), "");
}

TEST_F(SessionTest, APinnedCertificateIsAcceptedExactlyAndAnotherOneIsAskedAbout) {
    TrustFixtureAuthority();
    const std::string login =
        "S: +OK hi\nC: CAPA\nS: -ERR\nC: USER bob\nS: +OK\nC: PASS secret\nS: +OK\nC: STAT\nS: +OK "
        "4 40\nC: QUIT";
    const std::filesystem::path certs = std::filesystem::path(Dovecot().caFile).parent_path();
    ScriptedServer selfSigned(login, Dovecot().selfSignedCert, Dovecot().selfSignedKey);
    // Signed by the trusted authority, but for "localhost", not for the address used here.
    ScriptedServer otherName(login, certs / "server.crt", certs / "server.key");
    options_.tlsAvailable = true;
    AccountSettings account = ScriptedAccount(selfSigned);
    account.ssl = true;

    auto refused = OpenSession(account);
    ASSERT_TRUE(refused->CertificateFailure().has_value()) << StoredRunKey(account, "LAST_ERROR");
    const CertificateProblem first = *refused->CertificateFailure();
    EXPECT_THAT(first.certificate.fingerprint, ::testing::MatchesRegex("sha256:[0-9a-f]{64}"));
    EXPECT_THAT(first.certificate.subject, HasSubstr("localhost"));
    EXPECT_THAT(first.reason, HasSubstr("self-signed"));
    // A common reason is told in the user's language.
    folder_.Write("vellmoar.lng",
                  "certificate_self_signed=Certifik\xC3\xA1t je podepsan\xC3\xBD\r\n");
    LoadLanguageTable();
    EXPECT_EQ(OpenSession(account)->CertificateFailure()->reason,
              "Certifik\xC3\xA1t je podepsan\xC3\xBD");
    ResetLanguageTable();
    EXPECT_EQ(TrustQuestionFor(account, first), TrustQuestion::New);
    TrustCertificate(account, first.certificate.fingerprint);
    EXPECT_EQ(StoredRunKey(account, "SSL_PIN"), first.certificate.fingerprint);
    auto pinned = OpenSession(account);
    EXPECT_TRUE(pinned->IsConnected()) << StoredRunKey(account, "LAST_ERROR");
    EXPECT_EQ(pinned->messageCount, 4);
    EndSession(pinned);

    account.port = otherName.Port();  // same section, another certificate
    auto changed = OpenSession(account);
    EXPECT_FALSE(changed->IsConnected());
    ASSERT_TRUE(changed->CertificateFailure().has_value());
    const CertificateProblem second = *changed->CertificateFailure();
    EXPECT_NE(second.certificate.fingerprint, first.certificate.fingerprint);
    EXPECT_THAT(second.reason, HasSubstr("mismatch"));
    EXPECT_EQ(TrustQuestionFor(account, second), TrustQuestion::Changed);
    DeclineCertificate(account, second.certificate.fingerprint);
    EXPECT_EQ(TrustQuestionFor(account, second), TrustQuestion::None);
    EXPECT_EQ(TrustQuestionFor(account, first), TrustQuestion::None);  // the trusted one
    EXPECT_EQ(StoredRunKey(account, "SSL_PIN"), first.certificate.fingerprint);

    // A pin written by hand in another form matches nothing, and the question says why.
    TrustCertificate(account, first.certificate.fingerprint.substr(7));
    EXPECT_EQ(TrustQuestionFor(account, first), TrustQuestion::MalformedPin);
    EXPECT_EQ(AskedTrustQuestion(account, second), TrustQuestion::MalformedPin);  // declined
    const std::string question = TrustQuestionText(account, first, TrustQuestion::MalformedPin);
    EXPECT_EQ(question.rfind("certificate_pin_malformed_dialog", 0), 0u);
    EXPECT_EQ(question.back(), '?');
    // The check's error names the malformed pin (the results window and tarnwick-check show it).
    account.port = selfSigned.Port();
    auto malformed = OpenSession(account);
    EXPECT_FALSE(malformed->IsConnected());
    EXPECT_THAT(StoredRunKey(account, "LAST_ERROR"), HasSubstr("~certificate_pin_malformed"));
}

TEST(CertificatePins, OnlySha256AndItsHexDigitsMakeAPin) {
    const std::string hex = "0123456789abcdefABCDEF" + std::string(42, 'e');
    EXPECT_EQ(PinFormOf(""), PinForm::Absent);
    EXPECT_EQ(PinFormOf(" \t"), PinForm::Absent);
    EXPECT_EQ(PinFormOf("sha256:" + hex), PinForm::WellFormed);
    EXPECT_EQ(PinFormOf(" SHA256:" + hex + " "), PinForm::WellFormed);
    std::string colons = "sha256:";
    for (std::size_t i = 0; i < 64; i += 2) colons += hex.substr(i, 2) + (i < 62 ? ":" : "");
    for (const std::string& bad :
         {hex, "sha256:" + hex.substr(1), "sha256:" + hex + "0", colons, "sha1:" + hex,
          "sha256:" + hex.substr(1) + "g", std::string("sha256:")})
        EXPECT_EQ(PinFormOf(bad), PinForm::Malformed) << bad;
}

namespace {

class MailSessionTest : public SettingsTest {};

struct IdReceiver : HeaderReceiver {
    RecordingSink sink;
    std::vector<std::uint32_t> ids;
    MessageSink& NextHeader() override { return sink = {}, sink; }
    bool HeaderDone(MessageId id, std::int64_t size, int, int) override {
        ids.push_back(id.Value());
        EXPECT_GT(size, 0);
        return true;
    }
};

}  // namespace

TEST_F(MailSessionTest, ImapFetchesAndRemovesExactlyTheMessagesItDeleted) {
    const MailUser user = AddMailUser("imapdel");
    AddMessages(user, 3);
    const AccountSettings account = ImapAccountFor(user);
    // Another program flags message 3 deleted and leaves it there.
    ImapClient other;
    other.SetAccount(account);
    other.ConnectAndLogIn();
    other.Select("INBOX");
    other.FlagDeleted(MessageId(3u));
    other.LogoutAndClose();

    RunState runState;
    auto session = OpenMailSession(account, {true, nullptr, {}}, runState);
    ASSERT_TRUE(session->IsConnected()) << StoredRunKey(account, "LAST_ERROR");
    EXPECT_EQ(session->CountMessages(), 3);
    // A check's look through a session opened for the list asks STATUS itself.
    const MailboxNews news =
        session->CheckMailbox(*OpenSettings(), AccountSection(account), runState);
    EXPECT_EQ(news.count, 3);
    EXPECT_TRUE(news.arrived);
    IdReceiver listed;
    session->ListHeaders(listed);
    EXPECT_THAT(listed.ids, ::testing::ElementsAre(1u, 2u, 3u));
    RecordingSink message;
    ASSERT_TRUE(session->FetchMessage(MessageId(2u), message));
    EXPECT_THAT(message.header, ::testing::Contains("Subject: Message 2"));
    EXPECT_THAT(message.body, ::testing::Contains("Body of message 2"));
    EXPECT_FALSE(session->FetchMessage(MessageId(99u), message));
    session->DeleteMessage(MessageId(1u));
    session->KeepAlive();
    EXPECT_EQ(MailboxSize(user), 3);  // nothing goes before the session ends
    EXPECT_EQ(session->Quit(), "");
    EXPECT_EQ(MailboxSize(user), 2);
    for (const auto& entry : std::filesystem::directory_iterator(user.maildir + "/cur"))
        EXPECT_EQ(entry.path().filename().string().find(":2,S"), std::string::npos);
}

TEST_F(MailSessionTest, WithoutUidPlusDeletedImapMessagesStayFlaggedAndQuitSaysSo) {
    Transcript talk(R"(
        S: * OK [CAPABILITY IMAP4rev1 AUTH=PLAIN SASL-IR] ready
        C: a1 AUTHENTICATE PLAIN AGJvYgBzZWNyZXQ=
        S: a1 OK [CAPABILITY IMAP4rev1] in
        C: a2 SELECT "INBOX"
        S: * 2 EXISTS
        S: a2 OK [READ-WRITE] done
        C: a3 UID STORE 5 +FLAGS.SILENT (\Deleted)
        S: a3 OK done
        C: a4 LOGOUT
    )");
    auto client = std::make_unique<ImapClient>();
    client->username = "bob";
    client->password = "secret";
    client->plainTextLogin = true;
    client->SetConnector(talk.TransportConnector());
    client->ConnectAndLogIn();
    ImapMailSession session(AccountSettings{}, std::move(client));
    session.DeleteMessage(MessageId(5u));
    EXPECT_EQ(session.Quit(), "1 kept_marked_deleted_one");  // the language key, no table loaded
    EXPECT_EQ(talk.Problems(), "");
}
