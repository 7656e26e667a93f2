// The IMAP conversation, replayed from transcripts through a fake transport: the login rules
// and the parser's hard parts (literals, untagged data in the middle of an answer, BYE).
#include "imap/imap_client.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "check/recording_sink.h"
#include "support/transcript.h"

using ::testing::ElementsAre;
using ::testing::HasSubstr;

namespace {

constexpr const char* kPlainLogin = R"(
    S: * OK [CAPABILITY IMAP4rev1 SASL-IR AUTH=PLAIN UIDPLUS] ready
    C: a1 AUTHENTICATE PLAIN AGJvYgBzZWNyZXQ=
    S: a1 OK [CAPABILITY IMAP4rev1 IDLE UIDPLUS] Logged in
)";

struct Session {
    explicit Session(const std::string& script, std::size_t piece = 0) : talk(script, piece) {
        client.username = "bob";
        client.password = "secret";
        client.plainTextLogin = true;
        client.SetConnector(talk.TransportConnector());
    }
    Transcript talk;
    ImapClient client;
};

std::string ErrorOf(const std::function<void()>& action) {
    try {
        action();
    } catch (const TarnwickError& error) {
        return error.what();
    }
    return "(no error)";
}

ImapResponse Parse(const std::string& bytes) {
    std::size_t pos = 0;
    const ImapSource source{[&] {
                                const std::size_t lf = bytes.find("\r\n", pos);
                                if (lf == std::string::npos) throw TarnwickError("end");
                                std::string line = bytes.substr(pos, lf - pos);
                                pos = lf + 2;
                                return line;
                            },
                            [&](std::size_t n) {
                                std::string part = bytes.substr(pos, n);
                                pos += part.size();
                                return part;
                            }};
    return ReadImapResponse(source);
}

}  // namespace

TEST(ImapLogin, PlainWithInitialResponseThenStatusThenLogout) {
    Session s(std::string(kPlainLogin) + R"(
        C: a2 STATUS "INBOX" (MESSAGES UNSEEN UIDNEXT UIDVALIDITY)
        S: * STATUS INBOX (MESSAGES 12 UNSEEN 3 UIDNEXT 40 UIDVALIDITY 1700000001)
        S: a2 OK Status completed.
        C: a3 LOGOUT
    )");
    s.client.ConnectAndLogIn();
    const FolderStatus status = s.client.Status("INBOX");
    EXPECT_EQ(status.messages, 12u);
    EXPECT_EQ(status.unseen, 3u);
    EXPECT_EQ(status.uidNext, 40u);
    EXPECT_EQ(status.uidValidity, 1700000001u);
    EXPECT_TRUE(s.client.HasCapability("IDLE"));  // from the login's answer, not asked again
    s.client.LogoutAndClose();
    EXPECT_EQ(s.talk.Problems(), "");
}

TEST(ImapLogin, WithoutPlainMechanismAsksCapabilitiesAndQuotesLogin) {
    Session s(R"(
        S: * OK ready
        C: a1 CAPABILITY
        S: * CAPABILITY IMAP4rev1
        S: a1 OK done
        C: a2 LOGIN "b\\ob" "se\"cret"
        S: a2 NO [AUTHENTICATIONFAILED] Authentication failed.
        C: a3 LOGOUT
    )");
    s.client.username = "b\\ob";
    s.client.password = "se\"cret";
    EXPECT_EQ(ErrorOf([&] { s.client.ConnectAndLogIn(); }),
              "[AUTHENTICATIONFAILED] Authentication failed.");
    EXPECT_FALSE(s.client.IsConnected());
    EXPECT_EQ(s.talk.Problems(), "");
}

TEST(ImapLogin, EightBitPasswordGoesAsLiteralAfterTheGoAhead) {
    Session s(
        "S: * OK [CAPABILITY IMAP4rev1] ready\nC: a1 LOGIN \"bob\" {7}\nS: + go ahead\n"
        "C: p\xC3\xA4sswd\nS: a1 OK logged in");
    s.client.password = "p\xC3\xA4sswd";
    s.client.ConnectAndLogIn();
    EXPECT_EQ(s.talk.Problems(), "");
}

TEST(ImapLogin, NoPasswordIsSentWhereTheRulesForbidIt) {
    // LOGINDISABLED without a mechanism to use.
    Session disabled("S: * OK [CAPABILITY IMAP4rev1 LOGINDISABLED] ready\nC: a1 LOGOUT");
    EXPECT_THAT(ErrorOf([&] { disabled.client.ConnectAndLogIn(); }), HasSubstr("LOGINDISABLED"));
    EXPECT_EQ(disabled.talk.Problems(), "");
    // An account with connection security that ended up without TLS.
    Session unencrypted("S: * OK [CAPABILITY IMAP4rev1 AUTH=PLAIN] ready\nC: a1 LOGOUT");
    unencrypted.client.plainTextLogin = false;
    EXPECT_THAT(ErrorOf([&] { unencrypted.client.ConnectAndLogIn(); }), HasSubstr("not encrypted"));
    EXPECT_EQ(unencrypted.talk.Problems(), "");
}

TEST(ImapStartTls, UpgradesThenAsksCapabilitiesAfreshAndNeverFallsBack) {
    Session upgraded(std::string(R"(
        S: * OK [CAPABILITY IMAP4rev1 STARTTLS LOGINDISABLED] ready
        C: a1 STARTTLS
        S: a1 OK Begin TLS negotiation now.
        C: <tls handshake>
        C: a2 CAPABILITY
        S: * CAPABILITY IMAP4rev1 AUTH=PLAIN LOGINDISABLED
        S: a2 OK done
        C: a3 AUTHENTICATE PLAIN
        S: +
        C: AGJvYgBzZWNyZXQ=
        S: a3 OK logged in
    )"));
    upgraded.client.startTls = true;
    upgraded.client.plainTextLogin = false;
    upgraded.client.ConnectAndLogIn();
    EXPECT_EQ(upgraded.talk.Problems(), "");

    Session refused(R"(
        S: * OK [CAPABILITY IMAP4rev1 STARTTLS AUTH=PLAIN] ready
        C: a1 STARTTLS
        S: a1 NO not now
        C: a2 LOGOUT
    )");
    refused.client.startTls = true;
    EXPECT_EQ(ErrorOf([&] { refused.client.ConnectAndLogIn(); }),
              "The server does not offer STARTTLS.\r\nnot now");
    EXPECT_EQ(refused.talk.Problems(), "");

    // A CAPABILITY answer inside TLS without the list: what the plain text said is gone.
    Session forgotten(std::string(R"(
        S: * OK [CAPABILITY IMAP4rev1 STARTTLS AUTH=PLAIN SASL-IR] ready
        C: a1 STARTTLS
        S: a1 OK go
        C: <tls handshake>
        C: a2 CAPABILITY
        S: a2 OK done
        C: a3 LOGIN "bob" "secret"
        S: a3 OK logged in
    )"));
    forgotten.client.startTls = true;
    forgotten.client.ConnectAndLogIn();
    EXPECT_EQ(forgotten.talk.Problems(), "");

    Session unoffered("S: * PREAUTH [CAPABILITY IMAP4rev1 STARTTLS] hello\nC: a1 LOGOUT");
    unoffered.client.startTls = true;
    EXPECT_EQ(ErrorOf([&] { unoffered.client.ConnectAndLogIn(); }),
              "The server does not offer STARTTLS.");
}

TEST(ImapFlight, TheLoginIsTheLastCommandOfItsFlightAndARefusalKeepsItsText) {
    // Courier drops what comes with the login; Cyrus reads it as a second login.
    const std::string status = "C: a2 STATUS \"INBOX\" (MESSAGES UNSEEN UIDNEXT UIDVALIDITY)\n";
    Session flight(
        "S: * OK [CAPABILITY IMAP4rev1 SASL-IR AUTH=PLAIN] ready\n"
        "C: a1 AUTHENTICATE PLAIN AGJvYgBzZWNyZXQ=\nS: a1 OK in\n" +
        status +
        "S: * STATUS INBOX (MESSAGES 2 UNSEEN 1 UIDNEXT 9 UIDVALIDITY 4)\n"
        "S: a2 OK done\nC: a3 LOGOUT");
    flight.client.ConnectAndLogIn();
    EXPECT_EQ(flight.client.Status("INBOX").messages, 2u);
    flight.client.LogoutAndClose();
    EXPECT_EQ(flight.talk.Problems(), "");
    EXPECT_THAT(flight.talk.Flights(), ElementsAre("a1 AUTHENTICATE PLAIN AGJvYgBzZWNyZXQ=\n",
                                                   status.substr(3), "a3 LOGOUT\n"));

    Session refused(
        "S: * OK [CAPABILITY IMAP4rev1 SASL-IR AUTH=PLAIN] ready\n"
        "C: a1 AUTHENTICATE PLAIN AGJvYgBzZWNyZXQ=\n"
        "S: a1 NO [AUTHENTICATIONFAILED] wrong password\nC: a2 LOGOUT");
    EXPECT_EQ(ErrorOf([&] { refused.client.ConnectAndLogIn(); }),
              "[AUTHENTICATIONFAILED] wrong password");
    EXPECT_EQ(refused.talk.Problems(), "");

    // Without SASL-IR, LOGIN takes one round trip where AUTHENTICATE PLAIN takes two.
    Session courier(
        "S: * OK [CAPABILITY IMAP4rev1 AUTH=PLAIN] ready\nC: a1 LOGIN \"bob\" "
        "\"secret\"\nS: a1 OK LOGIN Ok.");
    courier.client.ConnectAndLogIn();
    EXPECT_EQ(courier.talk.Problems(), "");

    // A literal without LITERAL+ waits for the go-ahead before its bytes.
    Session literal(
        "S: * OK [CAPABILITY IMAP4rev1] ready\nC: a1 LOGIN \"bob\" {6}\n"
        "S: + go\nC: s\xe9"
        "cret\nS: a1 OK in");
    literal.client.password =
        "s\xe9"
        "cret";
    literal.client.ConnectAndLogIn();
    EXPECT_EQ(literal.talk.Problems(), "");
    EXPECT_EQ(literal.talk.Flights().front(), "a1 LOGIN \"bob\" {6}\n");
}

TEST(ImapGreeting, AWebServerOrAStrayTagIsNamedWithWhatTheServerSaid) {
    Session web("S: HTTP/1.1 400 Bad Request\nS: Connection: close");
    EXPECT_EQ(ErrorOf([&] { web.client.ConnectAndLogIn(); }),
              "Unrecognized IMAP greeting (not an IMAP server?):\n\"HTTP/1.1 400 Bad Request\"");
    Session stray(std::string(kPlainLogin) + "C: a2 NOOP\nS: a9 OK done");
    stray.client.ConnectAndLogIn();
    EXPECT_EQ(ErrorOf([&] { stray.client.Noop(); }), "Unexpected IMAP response:\n\"a9 OK done\"");
}

TEST(ImapListing, LiteralsAndUntaggedDataInTheMiddleOfTheAnswer) {
    // The first header holds a parenthesis, a brace and blank lines; between the messages the
    // server tells of new mail and of another client's flag change. Delivered a byte at a
    // time.
    const std::string script = std::string(kPlainLogin) + R"(
        C: a2 UID FETCH 1:* (UID RFC822.SIZE INTERNALDATE BODY.PEEK[HEADER])
        S: * 1 FETCH (UID 7 RFC822.SIZE 120 INTERNALDATE "07-Dec-2026 10:00:00 +0000" BODY[HEADER] {22}
        S:<raw>Subject: a)b {5}<crlf><crlf><crlf>)<crlf>
        S: * 3 EXISTS
        S: * 2 FETCH (FLAGS (\Seen))
        S: * 2 FETCH (UID 9 RFC822.SIZE 4000000000 BODY[HEADER] {11}
        S:<raw>From: x<crlf><crlf> INTERNALDATE NIL)<crlf>
        S: a2 OK Fetch completed.
    )";
    Session s(script, 1);
    s.client.ConnectAndLogIn();
    std::vector<FetchedHeader> headers;
    s.client.FetchHeaders(2, [&](FetchedHeader& header) {
        headers.push_back(header);
        return true;
    });
    ASSERT_EQ(headers.size(), 2u);
    EXPECT_EQ(headers[0].uid, MessageId(7u));
    EXPECT_EQ(headers[0].size, 120);
    EXPECT_EQ(headers[0].internalDate, "07-Dec-2026 10:00:00 +0000");
    EXPECT_EQ(headers[0].header, "Subject: a)b {5}\r\n\r\n\r\n");
    EXPECT_EQ(headers[1].uid, MessageId(9u));
    EXPECT_EQ(headers[1].size, 4000000000);
    EXPECT_EQ(headers[1].header, "From: x\r\n\r\n");
    EXPECT_EQ(s.talk.Problems(), "");
}

TEST(ImapListing, AStopCanCloseTheConnectionInsteadOfWaitingForTheRest) {
    // The server has sent one header of many; the rest of the answer is never waited for.
    Session s(std::string(kPlainLogin) + R"(
        C: a2 UID FETCH 1:* (UID RFC822.SIZE INTERNALDATE BODY.PEEK[HEADER])
        S: * 1 FETCH (UID 7 RFC822.SIZE 120 BODY[HEADER] {11}
        S:<raw>From: x<crlf><crlf>)<crlf>
    )");
    s.client.ConnectAndLogIn();
    int handed = 0;
    s.client.FetchHeaders(
        5, [&](FetchedHeader&) { return ++handed < 1; }, ImapClient::FetchStop::CloseConnection);
    EXPECT_EQ(handed, 1);
    EXPECT_FALSE(s.client.IsConnected());
}

TEST(ImapListing, MessageByUidGoesToTheSinkLineByLine) {
    Session s(std::string(kPlainLogin) + R"(
        C: a2 UID FETCH 9 BODY.PEEK[]
        S: * 2 FETCH (UID 9 BODY[] {23}
        S:<raw>A: 1<crlf> folded<crlf><crlf>body<crlf>)<crlf>
        S: a2 OK done
        C: a3 UID FETCH 10 BODY.PEEK[]
        S: a3 OK no such message
    )");
    s.client.ConnectAndLogIn();
    RecordingSink sink;
    ASSERT_TRUE(s.client.FetchMessage(MessageId(9u), sink));
    EXPECT_THAT(sink.header, ElementsAre("A: 1", " folded"));
    EXPECT_THAT(sink.body, ElementsAre("body"));
    EXPECT_EQ(sink.bodyCompleted, 1);
    RecordingSink none;
    EXPECT_FALSE(s.client.FetchMessage(MessageId(10u), none));
    EXPECT_EQ(s.talk.Problems(), "");
}

TEST(ImapListing, AnAnswerThatDoesNotAddUpIsOutOfStep) {
    // The folder held 3 messages when opened; each answer breaks one rule.
    const std::string ask =
        std::string(kPlainLogin) +
        "C: a2 UID FETCH 1:* (UID RFC822.SIZE INTERNALDATE BODY.PEEK[HEADER])\n";
    const std::string fetch =
        "S: * 1 FETCH (UID 5 BODY[HEADER] {8}\nS:<raw>A: b<crlf><crlf>)<crlf>\n";
    for (const std::string& answer : std::vector<std::string>{
             "S: a2 OK done\n",  // nothing but the tagged OK
             "S: * 1 FETCH (BODY[HEADER] \"A: b\")\n",
             "S: * 1 FETCH (UID 0 BODY[HEADER] \"A: b\")\n",
             "S: * 1 FETCH (UID 4294967296 BODY[HEADER] \"A: b\")\n",
             "S: * 1 FETCH (UID 1 BODY[HEADER] \"\")\nS: * 2 FETCH (UID 2 BODY[HEADER] \"\")\n"
             "S: * 3 FETCH (UID 3 BODY[HEADER] \"\")\nS: * 4 FETCH (UID 4 BODY[HEADER] \"\")\n",
         }) {
        Session s(ask + answer);
        s.client.ConnectAndLogIn();
        int handed = 0;
        EXPECT_EQ(ErrorOf([&] {
                      s.client.FetchHeaders(3, [&](FetchedHeader&) { return ++handed > 0; });
                  }),
                  "The server's replies are out of step.")
            << answer;
        EXPECT_LE(handed, 3);
        EXPECT_FALSE(s.client.IsConnected());
    }
    // A UID told twice is listed once; an EXPUNGE makes two of three enough, an EXISTS makes
    // room for a third.
    Session s(
        ask + fetch + fetch +
        "S: * 3 EXPUNGE\nS: * 3 EXISTS\nS: * 2 FETCH (UID 6 BODY[HEADER] \"\")\nS: a2 OK done\n");
    s.client.ConnectAndLogIn();
    std::vector<std::uint32_t> uids;
    s.client.FetchHeaders(3, [&](FetchedHeader& header) {
        uids.push_back(header.uid.Value());
        return true;
    });
    EXPECT_THAT(uids, ElementsAre(5, 6));
    EXPECT_EQ(s.talk.Problems(), "");
}

TEST(ImapListing, AHeaderKeepsAtMostOneMegabyte) {
    const std::string line = "X-Filler: " + std::string(990, 'x') + "\r\n";
    std::string header;
    while (header.size() < 3 * kMaxHeaderBytes) header += line;
    RecordingSink sink;
    FeedHeader("Subject: first\r\n" + header + "Subject: late\r\n", sink);
    EXPECT_EQ(sink.header.front(), "Subject: first");
    EXPECT_EQ(sink.header.size(), 1 + (kMaxHeaderBytes - 16) / line.size());
    EXPECT_EQ(sink.headerCompleted, 1);
}

TEST(ImapStatus, OnlyTheAskedFolderWithAValidCountCounts) {
    const auto statusOf = [](const std::string& lines) {
        Session s(std::string(kPlainLogin) +
                  "C: a2 STATUS \"INBOX\" (MESSAGES UNSEEN UIDNEXT UIDVALIDITY)\n" + lines +
                  "S: a2 OK done\n");
        s.client.ConnectAndLogIn();
        std::string outcome = ErrorOf([&] {
            const FolderStatus status = s.client.Status("INBOX");
            throw TarnwickError(std::to_string(status.messages) + "/" +
                                std::to_string(status.uidNext));
        });
        return outcome;
    };
    EXPECT_EQ(statusOf("S: * STATUS Archive (MESSAGES 99)\nS: * STATUS inbox (MESSAGES 3)\n"),
              "3/0");
    EXPECT_EQ(statusOf("S: * STATUS \"INBOX\" (MESSAGES 4 UIDNEXT lots)\n"), "4/0");
    EXPECT_EQ(statusOf("S: * STATUS Archive (MESSAGES 99)\n"),
              "The server did not report the folder's status.");
    for (const char* bad : {"(UIDNEXT 4)", "(MESSAGES -5)", "(MESSAGES lots)",
                            "(MESSAGES 4294967296)", "(MESSAGES)", "MESSAGES"})
        EXPECT_EQ(statusOf(std::string("S: * STATUS INBOX ") + bad + "\n"),
                  "The server reported no valid message count for the folder.")
            << bad;
}

TEST(ImapDelete, ExpungesExactlyTheFlaggedUids) {
    Session s(std::string(kPlainLogin) + R"(
        C: a2 UID STORE 4 +FLAGS.SILENT (\Deleted)
        S: a2 OK Store completed.
        C: a3 UID EXPUNGE 3:5,9
        S: * 2 EXPUNGE
        S: a3 OK Expunge completed.
    )");
    s.client.ConnectAndLogIn();
    s.client.FlagDeleted(MessageId(4u));
    s.client.ExpungeUids(
        {MessageId(9u), MessageId(5u), MessageId(3u), MessageId(4u), MessageId(4u)});
    EXPECT_EQ(s.talk.Problems(), "");
}

TEST(ImapSession, ByeInTheMiddleEndsTheSessionWithItsText) {
    Session s(std::string(kPlainLogin) + R"(
        C: a2 NOOP
        S: * 4 EXISTS
        S: * BYE Server shutting down.
    )");
    s.client.ConnectAndLogIn();
    EXPECT_EQ(ErrorOf([&] { s.client.Noop(); }), "Server shutting down.");
    EXPECT_FALSE(s.client.IsConnected());
}

TEST(ImapResponseParser, BrokenResponsesAreErrorsNotCrashes) {
    for (const std::string& bytes : std::vector<std::string>{
             "* 1 FETCH (UID 1\r\n", "* 1 FETCH UID 1)\r\n", "* 1 FETCH (BODY[] {99999999999}\r\n",
             "* 1 FETCH ({x}\r\n", "a1 FETCH done\r\n", "noblank\r\n", "* LIST \"open\r\n",
             "* 1 FETCH (BODY[HEADER\r\n", std::string(200, '(') + "\r\n"})
        EXPECT_THROW(Parse(bytes), ImapProtocolError) << bytes;
    const ImapResponse nested = Parse("* X ((a \"b c\") NIL) {2}\r\n()\r\n");
    ASSERT_EQ(nested.data.size(), 3u);
    EXPECT_EQ(nested.data[1].items[0].items[1].text, "b c");
    EXPECT_EQ(nested.data[1].items[1].kind, ImapValue::Kind::Nil);
    EXPECT_EQ(nested.data[2].text, "()");
}

TEST(ImapResponseParser, OneResponseTakesAtMostSixteenMegabytesAndAHundredThousandValues) {
    // Physical lines of 16 000 bytes joined by empty literals; literals that add up.
    const auto joined = [](int lines, const std::string& line) {
        std::string bytes = "* X";
        for (int i = 0; i < lines; ++i) bytes += " " + line + "\r\n";
        return bytes + "\r\n";
    };
    EXPECT_THAT(ErrorOf([&] { Parse(joined(1100, std::string(16000, 'a') + " {0}")); }),
                HasSubstr("longer than 16 MB"));
    std::string literals = "* X";
    for (int i = 0; i < 4; ++i) literals += " {5000000}\r\n" + std::string(5000000, 'b');
    EXPECT_THAT(ErrorOf([&] { Parse(literals + "\r\n"); }), HasSubstr("longer than 16 MB"));
    std::string pairs;
    for (int j = 0; j < 1000; ++j) pairs += "()";
    EXPECT_THAT(ErrorOf([&] { Parse(joined(120, pairs + " {0}")); }),
                HasSubstr("more than 100000 values"));
    // Pushed unasked while idling, a huge literal ends the session before it is read.
    Session s(std::string(kPlainLogin) + R"(
        C: a2 IDLE
        S: + idling
        S: * 1 FETCH (BODY[] {200000000}
    )");
    s.client.ConnectAndLogIn();
    s.client.Idle();
    EXPECT_THAT(ErrorOf([&] {
                    s.client.WaitIdle(std::chrono::steady_clock::now() + std::chrono::minutes(1));
                }),
                HasSubstr("longer than 16 MB"));
    EXPECT_FALSE(s.client.IsConnected());
}

TEST(ImapFolderNames, ModifiedUtf7) {
    EXPECT_EQ(EncodeMailboxName("INBOX.Tom & Jerry"), "INBOX.Tom &- Jerry");
    EXPECT_EQ(EncodeMailboxName("Entw\xC3\xBCrfe"), "Entw&APw-rfe");
    EXPECT_EQ(EncodeMailboxName("~peter/mail/\xE5\x8F\xB0\xE5\x8C\x97/"), "~peter/mail/&U,BTFw-/");
    EXPECT_EQ(EncodeMailboxName("\xF0\x9F\x93\xA7"), "&2D3c5w-");  // outside the BMP
    for (const char* name : {"INBOX.Tom & Jerry", "Entw\xC3\xBCrfe", "\xF0\x9F\x93\xA7 & x",
                             "~peter/mail/\xE5\x8F\xB0\xE5\x8C\x97/"})
        EXPECT_EQ(DecodeMailboxName(EncodeMailboxName(name)), name);
    EXPECT_EQ(MailboxArgument("a \"b\" \xC3\xBC"), R"("a \"b\" &APw-")");
}

// What a server may send that is no modified UTF-7 is shown as written, never as bytes that
// break the UTF-8 of the windows.
TEST(ImapFolderNames, BrokenNamesAreShownSafely) {
    EXPECT_EQ(DecodeMailboxName("Open &APw"), "Open &APw");         // no "-"
    EXPECT_EQ(DecodeMailboxName("Odd &AP-"), "Odd &AP-");           // not whole UTF-16 units
    EXPECT_EQ(DecodeMailboxName("Lone &2D0-"), "Lone &2D0-");       // a lone surrogate
    EXPECT_EQ(DecodeMailboxName("Bad &A*w-"), "Bad &A*w-");         // not base64
    EXPECT_EQ(DecodeMailboxName("Nul &AAA-"), "Nul \xEF\xBF\xBD");  // a control character
    EXPECT_EQ(DecodeMailboxName("Raw \xFF\x01 Caf\xC3\xA9"),
              "Raw \xEF\xBF\xBD\xEF\xBF\xBD Caf\xC3\xA9");
}

// Without LIST-EXTENDED the subscriptions come from LSUB, sent in the same flight as LIST;
// folders that cannot be opened and subscriptions of folders that are gone are marked so.
TEST(ImapFolderList, ListAndLsubInOneFlight) {
    Session s(std::string(kPlainLogin) + R"(
        C: a2 LIST "" "*"
        C: a3 LSUB "" "*"
        S: * LIST (\HasNoChildren) "/" inbox
        S: * LIST (\Noselect \HasChildren) "/" Lists
        S: * LIST (\HasNoChildren \Junk) "/" "Spam"
        S: * LIST () "/" {12}
        S: Entw&APw-rfe
        S: a2 OK done
        S: * LSUB () "/" Spam
        S: * LSUB () "/" Entw&APw-rfe
        S: * LSUB () "/" Gone
        S: a3 OK done
    )");
    s.client.ConnectAndLogIn();
    const std::vector<ListedMailbox> listed = s.client.ListMailboxes();
    ASSERT_EQ(listed.size(), 4u);
    EXPECT_EQ(listed[0].wireName, "INBOX");
    EXPECT_FALSE(listed[1].selectable);
    EXPECT_TRUE(listed[2].specialUse && listed[2].subscribed);
    EXPECT_EQ(listed[3].name, "Entw\xC3\xBCrfe");
    EXPECT_TRUE(listed[3].subscribed);
    EXPECT_FALSE(listed[0].subscribed);
}

TEST(ImapFolderList, AServerListingEndlesslyIsCutOff) {
    std::string script = std::string(kPlainLogin) + R"(
        C: a2 LIST "" "*"
        C: a3 LSUB "" "*"
    )";
    for (std::size_t i = 0; i <= kMaxListedMailboxes; ++i)
        script += "S: * LIST () \"/\" f" + std::to_string(i) + "\n";
    Session s(script);
    s.client.ConnectAndLogIn();
    EXPECT_EQ(ErrorOf([&] { s.client.ListMailboxes(); }),
              "The server lists more than 10000 folders.");
    EXPECT_FALSE(s.client.IsConnected());
}

// Pipelined STATUS: every answer in the order asked, a refusal that folder's alone, and
// news of folders not asked about taking no room.
TEST(ImapFolderList, PipelinedStatusAnswersEachFolder) {
    Session s(std::string(kPlainLogin) + R"(
        C: a2 STATUS "INBOX" (MESSAGES UNSEEN UIDNEXT UIDVALIDITY)
        C: a3 STATUS "Gone" (MESSAGES UNSEEN UIDNEXT UIDVALIDITY)
        C: a4 STATUS "Entw&APw-rfe" (MESSAGES UNSEEN UIDNEXT UIDVALIDITY)
        S: * STATUS INBOX (MESSAGES 3 UNSEEN 1 UIDNEXT 9 UIDVALIDITY 7)
        S: a2 OK done
        S: a3 NO Mailbox doesn't exist
        S: * STATUS Other (MESSAGES 8)
        S: * STATUS "Entw&APw-rfe" (MESSAGES 2 UIDNEXT 4 UIDVALIDITY 5)
        S: a4 OK done
    )");
    s.client.ConnectAndLogIn();
    const auto answers = s.client.StatusOfEach({"INBOX", "Gone", "Entw&APw-rfe"});
    ASSERT_EQ(answers.size(), 3u);
    EXPECT_EQ(answers[0].status->uidNext, 9u);
    EXPECT_THAT(answers[1].error, HasSubstr("doesn't exist"));
    EXPECT_EQ(answers[2].status->messages, 2u);
}

TEST(ImapIdle, ChangesWhileIdlingAndAfterDoneThenByeEndsTheWait) {
    Session s(std::string(kPlainLogin) + R"(
        C: a2 IDLE
        S: * 2 RECENT
        S: * 2 EXISTS
        S: + idling
        S: * OK Still here
        S: * 1 FETCH (FLAGS (\Seen))
        S: * 3 EXISTS
        C: DONE
        S: * 1 EXPUNGE
        S: a2 OK Idle completed.
        C: a3 IDLE
        S: + idling
        S: * BYE Server shutting down.
    )");
    s.client.ConnectAndLogIn();
    const auto until = std::chrono::steady_clock::now() + std::chrono::minutes(1);
    EXPECT_TRUE(s.client.Idle());           // the EXISTS before the go-ahead
    EXPECT_TRUE(s.client.WaitIdle(until));  // past the keep-alive and the flag change
    EXPECT_TRUE(s.client.EndIdle());        // the EXPUNGE before DONE's answer
    s.client.Idle();
    EXPECT_EQ(ErrorOf([&] { s.client.WaitIdle(until); }), "Server shutting down.");
    EXPECT_FALSE(s.client.IsConnected());
    EXPECT_EQ(s.talk.Problems(), "");
}
