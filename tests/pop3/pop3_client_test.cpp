// The POP3 conversation, replayed from transcripts through a fake transport.
#include "pop3/pop3_client.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "check/recording_sink.h"
#include "settings/errors.h"
#include "support/transcript.h"

using ::testing::ElementsAre;
using ::testing::HasSubstr;

namespace {

struct Session {
    explicit Session(const std::string& script, bool apop = false, std::size_t piece = 0)
        : talk(script, piece) {
        client.username = "bob";
        client.password = "secret";
        client.apop = apop;
        client.SetConnector(talk.Connector());
        client.statusHandler = [this](Pop3Client&, StatusKind kind, int value,
                                      const std::string& text) {
            if (kind != StatusKind::Read)
                reports.push_back(std::to_string(static_cast<int>(kind)) + " " + text);
            lastRead = kind == StatusKind::Read ? value : lastRead;
        };
    }
    Transcript talk;
    Pop3Client client;
    std::vector<std::string> reports;
    int lastRead = 0;
};

std::string ErrorOf(const std::function<void()>& action) {
    try {
        action();
    } catch (const TarnwickError& error) {
        return error.what();
    }
    return "(no error)";
}

std::string LoggedIn(const std::string& rest) {
    return kUserLogin + rest;
}

}  // namespace

TEST(Pop3Login, UserAndPassThenStatCountsMessages) {
    Session s(LoggedIn("C: STAT\nS: +OK 2 320\nC: QUIT"));
    s.client.ConnectAndLogIn();
    EXPECT_EQ(s.client.CountMessages(), 2);
    s.client.QuitAndClose();
    EXPECT_FALSE(s.client.IsConnected());
    EXPECT_EQ(s.talk.Problems(), "");
    EXPECT_THAT(s.reports,
                ElementsAre("0 connect", "5 Disconnecting.", "1 disconnect", "5 Disconnected."));
}

TEST(Pop3Login, RefusedPasswordSendsQuitClosesAndRaisesEveryTextLine) {
    Session s(
        "S: +OK ready\nC: USER bob\nS: +OK\nC: PASS secret\n"
        "S: -ERR [AUTH] Authentication failed.\nC: QUIT");
    EXPECT_EQ(ErrorOf([&] { s.client.ConnectAndLogIn(); }), "[AUTH] Authentication failed.\r\n");
    EXPECT_FALSE(s.client.IsConnected());
    EXPECT_EQ(s.talk.Problems(), "");
}

TEST(Pop3Login, ApopSendsTheDigestOfTimestampAndPassword) {
    // The example of RFC 1939.
    Session s(R"(
        S: +OK POP3 server ready <1896.697170952@dbc.mtview.ca.us> more
        C: APOP mrose c4c9334bac560ecc979e58001b3e22fb
        S: +OK maildrop has 1 message (369 octets)
    )",
              true);
    s.client.username = "mrose";
    s.client.password = "tanstaaf";
    s.client.ConnectAndLogIn();
    EXPECT_TRUE(s.client.IsConnected());
    EXPECT_EQ(s.talk.Problems(), "");
}

TEST(Pop3Login, ApopWithoutTimestampFailsAndSendsQuit) {
    for (const char* greeting : {"S: +OK ready", "S: +OK ready <no end", "S: +OK ready> <"}) {
        Session s(std::string(greeting) + "\nC: QUIT", true);
        EXPECT_EQ(ErrorOf([&] { s.client.ConnectAndLogIn(); }),
                  "Server do not support APOP (no timestamp)")
            << greeting;
        EXPECT_EQ(s.talk.Problems(), "") << greeting;
    }
}

TEST(Pop3Replies, LowerCaseOkAndBlankLinesBeforeAReplyAreAccepted) {
    Session s("S:\nS:   \nS: +ok hello\nC: USER bob\nS: +Ok\nC: PASS secret\nS: +OK");
    s.client.ConnectAndLogIn();
    EXPECT_EQ(s.talk.Problems(), "");
}

TEST(Pop3Replies, UnknownCodeFailsWithTheWholeLine) {
    Session s("S: HELLO there world\nC: QUIT");
    EXPECT_EQ(ErrorOf([&] { s.client.ConnectAndLogIn(); }),
              "Unrecognized POP3 Response Header:\n\"HELLO there world\"");
    EXPECT_EQ(s.talk.Problems(), "");
}

TEST(Pop3Replies, ContinuationLinesBelongToTheReply) {
    Session s(LoggedIn("C: NOOP\nS: +OK-first\nS: +OK-second\nS: +OK last\nC: NOOP\nS: +OK"));
    s.client.ConnectAndLogIn();
    EXPECT_EQ(ErrorOf([&] { s.client.SendNoop(); }),
              "Unrecognized POP3 Response Header:\n\"+OK-first\"");
    s.client.SendNoop();  // reads its own reply, not a left-over continuation line
    EXPECT_EQ(s.talk.Problems(), "");
}

TEST(Pop3Count, StatReplies) {
    struct Case {
        const char* reply;
        const char* expected;
    } cases[] = {
        {"S: +OK 0 0", "0"},
        {"S: +OK", "0"},
        {"S: +OK 3", "'' is not a valid integer value"},
        {"S: +OK x 3", "'x' is not a valid integer value"},
        {"S: +OK -1 0", "'-1' is not a valid integer value"},
        {"S: +OK -0 0", "'-0' is not a valid integer value"},
        {"S: -ERR mailbox locked by another session", "mailbox locked by another session\r\n"}};
    for (const Case& c : cases) {
        Session s(LoggedIn(std::string("C: STAT\n") + c.reply));
        s.client.ConnectAndLogIn();
        std::string result;
        try {
            result = std::to_string(s.client.CountMessages());
        } catch (const TarnwickError& error) {
            result = error.what();
        }
        EXPECT_EQ(result, c.expected) << c.reply;
        EXPECT_TRUE(s.client.IsConnected()) << c.reply;
    }
}

TEST(Pop3Size, ListReplies) {
    Session s(LoggedIn(
        "C: LIST 4\nS: +OK 4 1532\nC: LIST 4\nS: +OK\nC: LIST 4\nS: +OK 4 abc\n"
        "C: LIST 5\nS: +OK 777\nC: LIST 6\nS: +OK 6 -7\nC: LIST 9\nS: -ERR no such message"));
    s.client.ConnectAndLogIn();
    EXPECT_EQ(s.client.MessageSize(4), 1532);
    EXPECT_EQ(s.client.MessageSize(4), -1);
    EXPECT_EQ(s.client.MessageSize(4), -1);
    EXPECT_EQ(s.client.MessageSize(5), 777);
    EXPECT_EQ(s.client.MessageSize(6), -1);  // a size below zero is as bad as any other
    EXPECT_EQ(ErrorOf([&] { s.client.MessageSize(9); }), "no such message\r\n");
}

TEST(Pop3Fetch, HeaderLinesUpToTheEndMarkWithoutEmptyLines) {
    Session s(LoggedIn(R"(
        C: TOP 3 0
        S: +OK
        S: Subject: hello
        S:  folded part
        S: X-Dots: ..a
        S:
        S: .
    )"));
    s.client.ConnectAndLogIn();
    RecordingSink sink;
    EXPECT_TRUE(s.client.FetchHeader(3, sink));
    EXPECT_THAT(sink.header, ElementsAre("Subject: hello", " folded part", "X-Dots: ..a"));
    EXPECT_EQ(sink.headerCompleted, 1);
    EXPECT_EQ(sink.bodyCompleted, 0);
    EXPECT_EQ(s.lastRead, 48);  // every byte of the header, CR LF and the end mark included
    EXPECT_EQ(s.talk.Problems(), "");
}

TEST(Pop3Fetch, RefusedTopRaisesAndReadsNothing) {
    Session s(LoggedIn("C: TOP 3 0\nS: -ERR no such message\nC: NOOP\nS: +OK"));
    s.client.ConnectAndLogIn();
    RecordingSink sink;
    EXPECT_EQ(ErrorOf([&] { s.client.FetchHeader(3, sink); }), "no such message\r\n");
    s.client.SendNoop();
    EXPECT_EQ(sink.headerCompleted, 0);
    EXPECT_EQ(s.talk.Problems(), "");
}

TEST(Pop3Fetch, MessageSplitsAtTheFirstEmptyLineAndUnstuffsEveryLine) {
    Session s(LoggedIn(R"(
        C: RETR 1
        S: +OK 120 octets
        S: Content-Type: multipart/mixed; boundary="b"
        S:
        S: --b
        S: ..leading dot in a part
        S:
        S: --b--
        S: .
    )"));
    s.client.ConnectAndLogIn();
    s.reports.clear();
    RecordingSink sink;
    EXPECT_TRUE(s.client.FetchMessage(1, sink));
    EXPECT_THAT(sink.header, ElementsAre("Content-Type: multipart/mixed; boundary=\"b\""));
    EXPECT_THAT(sink.body, ElementsAre("--b", ".leading dot in a part", "", "--b--"));
    EXPECT_EQ(sink.bodyCompleted, 1);
    EXPECT_THAT(s.reports, ElementsAre("2 begin", "4 end", "2 begin", "4 end"));
}

TEST(Pop3Fetch, LinesSplitAcrossReceivedPiecesComeOutWhole) {
    const std::string script = LoggedIn(R"(
        C: RETR 1
        S: +OK
        S: Subject: pieces
        S: X-Long: abcdefghijklmnopqrstuvwxyz
        S:
        S: first body line
        S: ..dotted
        S:
        S: last
        S: .
        C: NOOP
        S: +OK
    )");
    for (std::size_t piece = 1; piece <= 17; ++piece) {
        Session s(script, false, piece);
        s.client.ConnectAndLogIn();
        RecordingSink sink;
        ASSERT_TRUE(s.client.FetchMessage(1, sink));
        EXPECT_THAT(sink.header,
                    ElementsAre("Subject: pieces", "X-Long: abcdefghijklmnopqrstuvwxyz"))
            << piece;
        EXPECT_THAT(sink.body, ElementsAre("first body line", ".dotted", "", "last")) << piece;
        s.client.SendNoop();
        EXPECT_EQ(s.talk.Problems(), "") << piece;
    }
}

TEST(Pop3Fetch, EmptyMessageEndsAtTheMarkAndRefusedRetrReturnsFalse) {
    Session s(LoggedIn("C: RETR 1\nS: +OK\nS: Subject: only\nS: .\nC: RETR 2\nS: -ERR gone"));
    s.client.ConnectAndLogIn();
    RecordingSink only;
    EXPECT_TRUE(s.client.FetchMessage(1, only));
    EXPECT_THAT(only.header, ElementsAre("Subject: only"));
    EXPECT_TRUE(only.body.empty());
    RecordingSink gone;
    EXPECT_FALSE(s.client.FetchMessage(2, gone));
    EXPECT_EQ(gone.headerCompleted, 0);
    EXPECT_EQ(s.talk.Problems(), "");
}

TEST(Pop3Fetch, LinesLongerThan16384CharactersFail) {
    const std::string longest(16384, 'a');
    const std::string tooLong(16385, 'b');
    Session fits(LoggedIn("C: TOP 1 0\nS: +OK\nS: X: " + longest.substr(3) + "\nS: ."));
    fits.client.ConnectAndLogIn();
    RecordingSink sink;
    fits.client.FetchHeader(1, sink);
    EXPECT_EQ(sink.header.at(0).size(), 16384u);

    Session header(LoggedIn("C: TOP 1 0\nS: +OK\nS: " + tooLong + "\nS: ."));
    header.client.ConnectAndLogIn();
    EXPECT_EQ(ErrorOf([&] { header.client.FetchHeader(1, sink); }), "Max line length exceeded.");

    Session body(LoggedIn("C: RETR 1\nS: +OK\nS: A: b\nS:\nS: " + tooLong + "\nS: ."));
    body.client.ConnectAndLogIn();
    EXPECT_EQ(ErrorOf([&] { body.client.FetchMessage(1, sink); }), "Max line length exceeded.");
}

TEST(Pop3Connection, DropInTheMiddleOfAHeaderFailsAsClosed) {
    Session s(LoggedIn("C: TOP 1 0\nS: +OK\nS: Subject: cut"));
    s.client.ConnectAndLogIn();
    RecordingSink sink;
    EXPECT_EQ(ErrorOf([&] { s.client.FetchHeader(1, sink); }), "Connection Closed Gracefully.");
    EXPECT_FALSE(s.client.IsConnected());
    EXPECT_THAT(s.reports, ::testing::Contains("1 disconnect"));
    EXPECT_EQ(ErrorOf([&] { s.client.SendNoop(); }), "Not Connected.");
}

TEST(Pop3Connection, AbortFromTheStatusHandlerStopsARetrieval) {
    Session s(LoggedIn("C: RETR 1\nS: +OK\nS: A: 1\nS: B: 2\nS: C: 3\nS:\nS: body\nS: ."));
    s.client.ConnectAndLogIn();
    s.client.statusHandler = [](Pop3Client& client, StatusKind kind, int, const std::string&) {
        if (kind == StatusKind::Read) client.AbortConnection();
    };
    RecordingSink sink;
    EXPECT_EQ(ErrorOf([&] { s.client.FetchMessage(1, sink); }), "Connection Closed Gracefully.");
    EXPECT_EQ(sink.header.size(), 1u);
    EXPECT_FALSE(s.client.IsConnected());
}

TEST(Pop3Connection, QuitAndCloseDoesNotWaitForTheReplyAndSendsNothingWhenClosed) {
    Session s(LoggedIn("C: DELE 2\nS: +OK deleted\nC: QUIT"));
    s.client.ConnectAndLogIn();
    EXPECT_TRUE(s.client.DeleteMessage(2));
    s.client.QuitAndClose();
    s.client.QuitAndClose();
    EXPECT_EQ(s.talk.Problems(), "");
    EXPECT_EQ(s.talk.ClientLines().back(), "QUIT");
}

TEST(Pop3Connection, InterruptBetweenRepliesQuitsAndInTheMiddleOfAReplyDropsTheConnection) {
    // The answered DELE takes effect with QUIT; the next command is not sent.
    Session between(LoggedIn("C: DELE 2\nS: +OK deleted\nC: QUIT"));
    between.client.ConnectAndLogIn();
    between.client.DeleteMessage(2);
    between.client.Interrupt();
    EXPECT_EQ(ErrorOf([&] { between.client.DeleteMessage(3); }), "Operation cancelled.");
    EXPECT_EQ(between.talk.Problems(), "");
    EXPECT_EQ(between.talk.ClientLines().back(), "QUIT");

    // Raised at a read report: the rest of the message is not read and nothing more is sent.
    Session during(LoggedIn("C: RETR 1\nS: +OK\nS: A: 1\nS: B: 2\nS:\nS: body\nS: ."));
    during.client.ConnectAndLogIn();
    during.client.statusHandler = [](Pop3Client& client, StatusKind kind, int, const std::string&) {
        if (kind == StatusKind::Read) client.Interrupt();
    };
    RecordingSink sink;
    EXPECT_EQ(ErrorOf([&] { during.client.FetchMessage(1, sink); }), "Operation cancelled.");
    EXPECT_FALSE(during.client.IsConnected());
    during.client.QuitAndClose();
    EXPECT_EQ(during.talk.ClientLines().back(), "RETR 1");
}

TEST(Pop3StartTls, StlsThenTheHandshakeThenTheLoginInsideTls) {
    for (bool apop : {false, true}) {
        Session s(apop ? "S: +OK ready <1896.697170952@dbc.mtview.ca.us>\n"
                         "C: STLS\nS: +OK Begin TLS negotiation\nC: <tls handshake>\n"
                         "C: APOP bob c4c9334bac560ecc979e58001b3e22fb\nS: +OK\nC: QUIT"
                       : "S: +OK ready\nC: STLS\nS: +OK Begin TLS negotiation\n"
                         "C: <tls handshake>\nC: USER bob\nS: +OK\nC: PASS secret\nS: +OK\n"
                         "C: QUIT",
                  apop);
        s.client.password = apop ? "tanstaaf" : "secret";
        s.client.startTls = true;
        s.client.ConnectAndLogIn();
        s.client.QuitAndClose();
        EXPECT_EQ(s.talk.Problems(), "") << apop;
    }
}

TEST(Pop3StartTls, RefusalOrInjectedPlainTextEndsBeforeTheUserName) {
    struct Case {
        const char* script;
        const char* error;
    } cases[] = {
        {"S: +OK ready\nC: STLS\nS: -ERR unknown command\nC: QUIT",
         "The server does not offer STARTTLS."},
        // Plain text after the server's "+OK" would be read as if it came inside TLS.
        {"S: +OK ready\nC: STLS\nS: +OK Begin TLS<crlf>+OK injected",
         "Error connecting with SSL.\r\nThe server sent data before the TLS handshake."},
        {"S: +OK ready\nC: STLS", "Connection Closed Gracefully."},
    };
    for (const Case& c : cases) {
        Session s(c.script);
        s.client.startTls = true;
        EXPECT_EQ(ErrorOf([&] { s.client.ConnectAndLogIn(); }), c.error) << c.script;
        EXPECT_FALSE(s.client.IsConnected());
        EXPECT_EQ(s.talk.Problems(), "") << c.script;
        for (const std::string& line : s.talk.ClientLines())
            EXPECT_NE(line.rfind("USER", 0), 0u) << c.script;
    }
}

TEST(Pop3LoginFlight, PassEndsItsFlightStatTakesTheLastIdAlongAndStlsStillComesFirst) {
    // Courier drops whatever comes in PASS's packet, so STAT waits for PASS's answer; UIDL of
    // the message last counted goes with STAT.
    Session s(
        "S: +OK ready\nC: STLS\nS: +OK go\nC: <tls handshake>\nC: USER bob\nC: PASS secret\n"
        "S: +OK\nS: +OK in\nC: STAT\nC: UIDL 2\nS: +OK 2 20\nS: +OK 2 id-two\nC: UIDL 1\n"
        "S: -ERR no ids\nC: QUIT");
    s.client.startTls = true;  // remembered without STLS: asked for anyway
    s.client.uidProbe = 2;
    s.client.RememberCapabilities({"PIPELINING", "UIDL", "USER"});
    s.client.ConnectAndLogIn(Pop3Client::AfterLogin::Count);
    EXPECT_EQ(s.client.messageCount, 2);
    EXPECT_EQ(s.client.probedUid, "id-two");
    EXPECT_FALSE(s.client.CapabilitiesLearned());
    EXPECT_FALSE(s.client.CapabilitiesDisagree());
    EXPECT_EQ(s.client.MessageUid(1), std::nullopt);
    EXPECT_TRUE(s.client.CapabilitiesDisagree());  // UIDL was remembered: ask again next time
    s.client.QuitAndClose();
    EXPECT_EQ(s.talk.Problems(), "");
    EXPECT_THAT(s.talk.Flights(), ElementsAre("STLS\n", "USER bob\nPASS secret\n", "STAT\nUIDL 2\n",
                                              "UIDL 1\n", "QUIT\n"));

    // A message gone since: the probe's refusal is no answer, and STAT's failure is the count's.
    Session gone(
        "S: +OK ready\nC: USER bob\nC: PASS secret\nS: +OK\nS: +OK in\nC: STAT\nC: UIDL 5\n"
        "S: -ERR busy\nS: -ERR no such message");
    gone.client.uidProbe = 5;
    gone.client.RememberCapabilities({"PIPELINING", "UIDL"});
    EXPECT_EQ(ErrorOf([&] { gone.client.ConnectAndLogIn(Pop3Client::AfterLogin::Count); }),
              "busy\r\n");
    EXPECT_EQ(gone.client.probedUid, std::nullopt);
    EXPECT_EQ(gone.talk.Problems(), "");
}

TEST(Pop3LoginFlight, WithoutMemoryCapaIsAskedFirstAndARefusalInTheFlightKeepsItsText) {
    Session s(
        "S: +OK ready\nC: CAPA\nS: +OK\nS: PIPELINING\nS: SASL PLAIN\nS: .\nC: USER bob\n"
        "C: PASS secret\nS: +OK\nS: -ERR [AUTH] Authentication failed.\nC: QUIT");
    EXPECT_EQ(ErrorOf([&] { s.client.ConnectAndLogIn(Pop3Client::AfterLogin::Count); }),
              "[AUTH] Authentication failed.\r\n");
    EXPECT_FALSE(s.client.IsConnected());
    EXPECT_TRUE(s.client.CapabilitiesLearned());
    EXPECT_THAT(s.client.KnownCapabilities().lines, ElementsAre("PIPELINING", "SASL PLAIN"));
    EXPECT_EQ(s.talk.Problems(), "");
}

TEST(Pop3LoginFlight, RememberedCapabilitiesLastADayForTheirServerOnly) {
    const RememberedCapabilities kept{"mail.example:995", 1000, {"PIPELINING", "SASL PLAIN"}};
    const auto back = ParseRememberedCapabilities(RememberedCapabilitiesText(kept));
    ASSERT_TRUE(back);
    EXPECT_EQ(back->server, "mail.example:995");
    EXPECT_THAT(back->lines, ElementsAre("PIPELINING", "SASL PLAIN"));
    EXPECT_TRUE(StillFresh(*back, "mail.example:995", 1000 + kCapabilitiesKeptSeconds - 1));
    EXPECT_FALSE(StillFresh(*back, "mail.example:995", 1000 + kCapabilitiesKeptSeconds));
    EXPECT_FALSE(StillFresh(*back, "mail.example:110", 1001));
    EXPECT_FALSE(StillFresh(*back, "mail.example:995", 999));  // a clock set back
    for (const char* broken : {"", "x mail.example:995 UIDL", "1000"})
        EXPECT_FALSE(ParseRememberedCapabilities(broken)) << broken;
}
