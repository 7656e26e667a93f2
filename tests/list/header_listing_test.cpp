// The header listing's conversation: capabilities, one count, one LIST for every size, then
// TOP n 0 from the highest number down, one at a time or pipelined, replayed through a fake
// transport and a scripted server.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <thread>

#include "list/mailbox_listing.h"
#include "list/message_deletion.h"
#include "pop3/pop3_client.h"
#include "settings/errors.h"
#include "support/scripted_server.h"
#include "support/transcript.h"

using ::testing::ElementsAre;

namespace {

// No rules: nothing is judged spam.
const SpamRules kNoRules;
const SpamCriteria kNoCriteria;

// A capability list without PIPELINING, and one with it.
constexpr const char* kLockStep = "C: CAPA\nS: +OK\nS: TOP\nS: UIDL\nS: .\n";
constexpr const char* kPipelining = "C: CAPA\nS: +OK\nS: TOP\nS: PIPELINING\nS: UIDL\nS: .\n";

// The reply to TOP n 0 of a message whose subject is its number.
std::string HeaderReply(int n) {
    return "S: +OK\nS: Subject: m" + std::to_string(n) + "\nS:\nS: .\n";
}

std::string Top(int n) {
    return "C: TOP " + std::to_string(n) + " 0\n";
}

// The answer to UIDL for `count` messages, the id of message n being "u<n>".
std::string Uids(int count) {
    std::string script = "C: UIDL\nS: +OK\n";
    for (int n = 1; n <= count; ++n)
        script += "S: " + std::to_string(n) + " u" + std::to_string(n) + "\n";
    return script + "S: .\n";
}

// STAT and a LIST with the size 100 + n for each of `count` messages.
std::string CountAndSizes(int count) {
    std::string script = "C: STAT\nS: +OK " + std::to_string(count) + " 0\nC: LIST\nS: +OK\n";
    for (int n = 1; n <= count; ++n)
        script += "S: " + std::to_string(n) + " " + std::to_string(100 + n) + "\n";
    return script + "S: .\n";
}

struct Listing {
    explicit Listing(const std::string& script) : talk(std::string(kUserLogin) + script) {
        client.username = "bob";
        client.password = "secret";
        client.SetConnector(talk.Connector());
        client.ConnectAndLogIn();
    }
    Transcript talk;
    Pop3Client client;
};

std::vector<int> Numbers(const std::vector<MessageRow>& rows) {
    std::vector<int> numbers;
    for (const auto& row : rows) numbers.push_back(NumberOfId(row.entry->id));
    return numbers;
}

std::string ErrorOf(const std::function<void()>& action) {
    try {
        action();
    } catch (const TarnwickError& error) {
        return error.what();
    }
    return "(no error)";
}

}  // namespace

TEST(HeaderListing, WithoutPipeliningOneSizeRequestThenOneHeaderAtATime) {
    Listing s(std::string(kLockStep) + R"(
        C: STAT
        S: +OK 2 3000
        C: LIST
        S: +OK 2 messages
        S: 2 1536
        S: 1 many
        S: .
        C: TOP 2 0
        S: +OK
        S: From: Two <two@example.org>
        S: Subject: second
        S: Date: Tue, 03 Mar 2026 10:00:00 +0000
        S:
        S: .
        C: TOP 1 0
        S: +OK
        S: Subject: first
        S:
        S: .
    )" + Uids(2));
    const auto rows = ListHeaders(s.client, "me@test.example", kNoRules, kNoCriteria);
    EXPECT_THAT(Numbers(rows), ElementsAre(2, 1));
    EXPECT_EQ(rows[0].entry->uniqueId, "u2");
    EXPECT_EQ(rows[0].senderText, "Two <two@example.org>");
    EXPECT_EQ(rows[0].subjectText, "second");
    EXPECT_EQ(rows[0].sizeText, "1.500 kB");
    EXPECT_EQ(rows[1].senderText, "<>");
    EXPECT_EQ(rows[1].entry->size, -1);
    EXPECT_EQ(rows[1].sizeText, "-0.001 kB");
    EXPECT_EQ(rows[1].dateText, "date_no_present");
    EXPECT_EQ(s.talk.Problems(), "");
}

TEST(HeaderListing, EmptyMailboxMakesNoRequestPerMessage) {
    Listing s(std::string(kPipelining) + R"(
        C: STAT
        S: +OK 0 0
    )");
    EXPECT_TRUE(ListHeaders(s.client, "me@test.example", kNoRules, kNoCriteria).empty());
    EXPECT_EQ(s.talk.Problems(), "");
}

TEST(HeaderListing, ProgressCanStopTheListing) {
    Listing s(kLockStep + CountAndSizes(3) + R"(
        C: TOP 3 0
        S: +OK
        S: Subject: third
        S: .
    )" + Uids(3));
    std::vector<std::pair<int, int>> reports;
    const auto rows =
        ListHeaders(s.client, "me@test.example", kNoRules, kNoCriteria, [&](int done, int count) {
            reports.emplace_back(done, count);
            return false;
        });
    EXPECT_THAT(Numbers(rows), ElementsAre(3));
    EXPECT_THAT(reports, ElementsAre(std::make_pair(0, 3), std::make_pair(1, 3)));  // count first
    EXPECT_EQ(s.talk.Problems(), "");
}

TEST(HeaderListing, RefusedHeaderEndsTheListingWithTheServerText) {
    Listing s(kLockStep + CountAndSizes(2) + R"(
        C: TOP 2 0
        S: -ERR message 2 is gone
    )");
    try {
        ListHeaders(s.client, "me@test.example", kNoRules, kNoCriteria);
        FAIL() << "the listing went on";
    } catch (const TarnwickError& error) {
        EXPECT_STREQ(error.what(), "message 2 is gone\r\n");
    }
}

TEST(HeaderListing, HugeCountIsNotTakenForTheSizeOfTheList) {
    // Memory grows with the rows that arrive, never with the number the server claims.
    Listing s(std::string(kLockStep) + R"(
        C: STAT
        S: +OK 2147483647 0
        C: LIST
        S: +OK
        S: 2147483646 5
        S: .
        C: TOP 2147483647 0
        S: -ERR no such message
    )");
    try {
        ListHeaders(s.client, "me@test.example", kNoRules, kNoCriteria);
        FAIL() << "the listing went on";
    } catch (const TarnwickError& error) {
        EXPECT_STREQ(error.what(), "no such message\r\n");
    }
}

TEST(HeaderListing, SpamMarksFollowTheRules) {
    SpamRules spamRules;
    spamRules.push_back(std::make_unique<SpamRuleEntry>());
    spamRules.back()->filter = {RuleKind::Sender, true, "@spam.example"};
    Listing s(kPipelining + CountAndSizes(2) + R"(
        C: TOP 2 0
        C: TOP 1 0
        C: UIDL
        S: +OK
        S: From: offers@spam.example
        S: .
        S: +OK
        S: From: friend@example.org
        S: .
    )" + Uids(2).substr(8));
    const auto rows = ListHeaders(s.client, "me@test.example", spamRules, kNoCriteria);
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_TRUE(rows[0].spam);
    EXPECT_FALSE(rows[1].spam);
}

TEST(HeaderListing, WithPipeliningTheWindowIsRefilledAsRepliesArrive) {
    // At most three requests in flight: three go out at once, then one per reply read.
    std::string script = kPipelining + CountAndSizes(5) + Top(5) + Top(4) + Top(3) +
                         HeaderReply(5) + Top(2) + HeaderReply(4) + Top(1) + HeaderReply(3) +
                         "C: UIDL\n" + HeaderReply(2) + HeaderReply(1) + Uids(5).substr(8) +
                         "C: NOOP\nS: +OK\n";
    Listing s(script);
    s.client.pipelineLimit = 3;
    std::vector<int> done;
    const auto rows =
        ListHeaders(s.client, "me@test.example", kNoRules, kNoCriteria, [&](int d, int count) {
            EXPECT_EQ(count, 5);
            done.push_back(d);
            return true;
        });
    EXPECT_THAT(Numbers(rows), ElementsAre(5, 4, 3, 2, 1));
    EXPECT_EQ(rows[0].subjectText, "m5");
    EXPECT_EQ(rows[0].entry->size, 105);
    EXPECT_EQ(rows[4].entry->size, 101);
    EXPECT_THAT(done, ElementsAre(0, 1, 2, 3, 4, 5));
    s.client.SendNoop();
    EXPECT_EQ(s.talk.Problems(), "");
}

TEST(HeaderListing, CapabilitiesAreAskedOncePerSessionAndARefusalMeansNone) {
    // Without capabilities UIDL is tried; its refusal leaves the rows without ids.
    Listing s(std::string("C: CAPA\nS: -ERR unknown command\n") + CountAndSizes(2) + Top(2) +
              HeaderReply(2) + Top(1) + HeaderReply(1) + "C: UIDL\nS: -ERR no ids\n" +
              CountAndSizes(1) + Top(1) + HeaderReply(1) + Uids(1));
    const auto rows = ListHeaders(s.client, "me@test.example", kNoRules, kNoCriteria);
    EXPECT_THAT(Numbers(rows), ElementsAre(2, 1));
    EXPECT_EQ(rows[0].entry->uniqueId, "");
    EXPECT_TRUE(s.client.Capabilities().asked);
    EXPECT_FALSE(s.client.Capabilities().Has("PIPELINING"));
    EXPECT_THAT(Numbers(ListHeaders(s.client, "me@test.example", kNoRules, kNoCriteria)),
                ElementsAre(1));
    EXPECT_EQ(s.talk.Problems(), "");
}

TEST(HeaderListing, AnUnknownCapaReplyIsNoErrorOfTheListing) {
    Listing s(std::string("C: CAPA\nS: * what is that\n") + CountAndSizes(1) + Top(1) +
              HeaderReply(1) + Uids(1));
    EXPECT_THAT(Numbers(ListHeaders(s.client, "me@test.example", kNoRules, kNoCriteria)),
                ElementsAre(1));
    EXPECT_EQ(s.talk.Problems(), "");
}

TEST(HeaderListing, AMessageMissingFromTheListAsksForItsOwnSizeAfterItsHeader) {
    // Message 2 is missing and a line holds no number: LIST 2 goes right behind TOP 2 0. A
    // refused LIST leaves every message to its own request; one at a time, after its header.
    Listing s(std::string(kPipelining) + R"(
        C: STAT
        S: +OK 3 0
        C: LIST
        S: +OK
        S: 3 300
        S: junk line
        S: 1 100
        S: 7 700
        S: .
        C: TOP 3 0
        C: TOP 2 0
        C: LIST 2
        C: TOP 1 0
        C: UIDL
    )" + HeaderReply(3) +
              HeaderReply(2) + "S: +OK 2 200\n" + HeaderReply(1) + Uids(3).substr(8) + R"(
        C: STAT
        S: +OK 2 0
        C: LIST
        S: -ERR not now
        C: TOP 2 0
    )" + HeaderReply(2) +
              R"(
        C: LIST 2
        S: +OK 2 abc
        C: TOP 1 0
    )" + HeaderReply(1) +
              R"(
        C: LIST 1
        S: +OK 1 11
    )" + Uids(2));
    auto rows = ListHeaders(s.client, "me@test.example", kNoRules, kNoCriteria);
    ASSERT_THAT(Numbers(rows), ElementsAre(3, 2, 1));
    EXPECT_EQ(rows[0].entry->size, 300);
    EXPECT_EQ(rows[1].entry->size, 200);
    EXPECT_EQ(rows[2].entry->size, 100);
    s.client.pipelineLimit = 1;
    rows = ListHeaders(s.client, "me@test.example", kNoRules, kNoCriteria);
    ASSERT_THAT(Numbers(rows), ElementsAre(2, 1));
    EXPECT_EQ(rows[0].entry->size, -1);
    EXPECT_EQ(rows[1].entry->size, 11);
    EXPECT_EQ(s.talk.Problems(), "");
}

TEST(HeaderListing, ARefusedHeaderAmongMoreInFlightEndsTheListingAndItsSessionInStep) {
    // All twenty requests and UIDL are in flight; the seventh is refused. The replies behind
    // it are read and dropped, so that QUIT ends the session in order.
    std::string script = kPipelining + CountAndSizes(20);
    for (int n = 20; n >= 1; --n) script += Top(n);
    script += "C: UIDL\n";
    for (int n = 20; n >= 1; --n) script += n == 14 ? "S: -ERR no such message\n" : HeaderReply(n);
    Listing s(script + Uids(20).substr(8) + "C: QUIT\n");
    int reported = 0;
    EXPECT_EQ(ErrorOf([&] {
                  ListHeaders(s.client, "me@test.example", kNoRules, kNoCriteria,
                              [&](int done, int) {
                                  reported = done;
                                  return true;
                              });
              }),
              "no such message\r\n");
    EXPECT_EQ(reported, 6);
    EXPECT_FALSE(s.client.IsConnected());
    EXPECT_EQ(s.client.PendingReplies(), 0u);
    EXPECT_EQ(s.talk.Problems(), "");
}

TEST(HeaderListing, AGarbledReplyInTheWindowClosesTheSession) {
    // Where the replies behind it begin is unknown: the session cannot be in step any more.
    // The same for a reply that breaks off with an overlong line.
    std::string script =
        kPipelining + CountAndSizes(4) + Top(4) + Top(3) + Top(2) + Top(1) + "C: UIDL\n";
    Listing s(script + HeaderReply(4) + "S: +XX garbled\n" + HeaderReply(2) + HeaderReply(1));
    EXPECT_EQ(ErrorOf([&] { ListHeaders(s.client, "me@test.example", kNoRules, kNoCriteria); }),
              "Unrecognized POP3 Response Header:\n\"+XX garbled\"");
    EXPECT_FALSE(s.client.IsConnected());
    EXPECT_EQ(s.client.PendingReplies(), 0u);

    Listing overlong(script + HeaderReply(4) + "S: +OK\nS: Subject: " + std::string(20000, 'x') +
                     "\n" + HeaderReply(2) + HeaderReply(1));
    EXPECT_EQ(
        ErrorOf([&] { ListHeaders(overlong.client, "me@test.example", kNoRules, kNoCriteria); }),
        "Max line length exceeded.");
    EXPECT_FALSE(overlong.client.IsConnected());
}

TEST(HeaderListing, ACancelSendsNothingMoreAndKeepsTheRowsInFlight) {
    // Eight in flight; the stop comes with the fifth reply, when messages 15 to 9 are still
    // asked for: they become rows, TOP 8 is never sent, and NOOP gets its own reply.
    std::string script = kPipelining + CountAndSizes(20);
    for (int n = 20; n >= 13; --n) script += Top(n);
    for (int n = 20; n >= 16; --n) script += HeaderReply(n) + (n > 16 ? Top(n - 8) : "C: UIDL\n");
    for (int n = 15; n >= 9; --n) script += HeaderReply(n);
    Listing s(script + Uids(20).substr(8) + "C: NOOP\nS: +OK\n");
    s.client.pipelineLimit = 8;
    std::vector<int> done;
    const auto rows =
        ListHeaders(s.client, "me@test.example", kNoRules, kNoCriteria, [&](int d, int) {
            done.push_back(d);
            return d != 5;
        });
    EXPECT_THAT(Numbers(rows), ElementsAre(20, 19, 18, 17, 16, 15, 14, 13, 12, 11, 10, 9));
    EXPECT_EQ(done.size(), 13u);  // the count, then every row
    EXPECT_EQ(rows.back().subjectText, "m9");
    EXPECT_EQ(rows.back().entry->uniqueId, "u9");
    s.client.SendNoop();
    EXPECT_EQ(s.talk.Problems(), "");
}

TEST(HeaderListing, AServerThatClosesInTheMiddleOfTheWindowEndsTheListing) {
    // A real socket: five requests in flight, two replies, then the server hangs up.
    std::string script = std::string(kUserLogin) + kPipelining + CountAndSizes(5);
    for (int n = 5; n >= 1; --n) script += Top(n);
    script += "C: UIDL\n";
    ScriptedServer server(script + HeaderReply(5) + HeaderReply(4) + "S: +OK\nS: Subject: m3");
    Pop3Client client;
    client.host = "127.0.0.1";
    client.port = server.Port();
    client.username = "bob";
    client.password = "secret";
    client.ConnectAndLogIn();
    int reported = 0;
    EXPECT_EQ(ErrorOf([&] {
                  ListHeaders(client, "me@test.example", kNoRules, kNoCriteria, [&](int done, int) {
                      reported = done;
                      return true;
                  });
              }),
              "Connection Closed Gracefully.");
    EXPECT_EQ(reported, 2);
    EXPECT_FALSE(client.IsConnected());
    EXPECT_EQ(client.PendingReplies(), 0u);
    EXPECT_EQ(server.Problems(), "");
}

TEST(HeaderListing, RepliesOutOfStepFailTheListingAndCloseTheSession) {
    // A header that ends early, its rest sent as one more reply, shifts the replies after it:
    // the closing UIDL (or LIST) reads a header. An empty reply too many gives an empty answer
    // in its place; data after the last reply is found too.
    const std::string early = "S: +OK\nS: Subject: m2\nS: .\nS: +OK\nS: Date: rest\nS: .\n";
    const std::string requests = CountAndSizes(3) + Top(3) + Top(2) + Top(1);
    const std::string head = kPipelining + requests;
    const std::string uids = "C: UIDL\n" + HeaderReply(3);
    const std::string cases[] = {
        head + uids + early + HeaderReply(1) + Uids(3).substr(8),
        "C: CAPA\nS: +OK\nS: PIPELINING\nS: .\n" + requests + "C: LIST\n" + HeaderReply(3) + early +
            HeaderReply(1) + CountAndSizes(3).substr(27),
        head + uids + HeaderReply(2) + HeaderReply(1) + "S: +OK\nS: .\n" + Uids(3).substr(8),
        head + uids + HeaderReply(2) + HeaderReply(1) + Uids(3).substr(8) + "S: +OK surprise\n",
    };
    for (const std::string& script : cases) {
        Listing s(script);
        EXPECT_EQ(ErrorOf([&] { ListHeaders(s.client, "me@test.example", kNoRules, kNoCriteria); }),
                  "The server's replies are out of step.")
            << script;
        EXPECT_FALSE(s.client.IsConnected());
        EXPECT_EQ(s.talk.Problems(), "") << script;
    }
}

TEST(MessageDeletion, EachIdIsCheckedBeforeAnyDeleteAndAMismatchDeletesNothing) {
    // Pipelined: the UIDL requests first, then the DELEs; a row without an id goes by number.
    Listing s(std::string(kPipelining) + R"(
        C: UIDL 3
        C: UIDL 1
        S: +OK 3 u3
        S: +OK 1 u1
        C: DELE 3
        C: DELE 1
        C: DELE 2
        S: +OK
        S: -ERR message 1 is locked
        S: +OK
        C: UIDL 2
        C: UIDL 4
        S: +OK 2 other
        S: -ERR no such message
    )");
    s.client.Capabilities();
    DeletionResult result = DeleteMessages(
        s.client, {{MessageId(3u), "u3"}, {MessageId(1u), "u1"}, {MessageId(2u), ""}});
    EXPECT_THAT(result.deleted, ElementsAre(0u, 2u));
    EXPECT_EQ(result.error, "message 1 is locked\r\n");
    result = DeleteMessages(s.client, {{MessageId(2u), "u2"}, {MessageId(4u), "u4"}});
    EXPECT_THAT(result.deleted, ElementsAre());
    EXPECT_EQ(result.error, "mailbox_changed_on_server");
    EXPECT_EQ(s.client.PendingReplies(), 0u);
    EXPECT_EQ(s.talk.Problems(), "");
}

TEST(MessageDeletion, AnEndAskedForSendsQuitBehindTheAwaitedDelete) {
    // The server answers the DELE only once QUIT has come: the client must not wait for it.
    ScriptedServer server(std::string(kUserLogin) + R"(
        C: DELE 2
        C: QUIT
        S: +OK
        S: +OK bye
    )");
    Pop3Client client;
    client.host = "127.0.0.1";
    client.port = server.Port();
    client.username = "bob";
    client.password = "secret";
    auto interrupt = std::make_shared<InterruptSignal>();
    client.ShareInterrupt(interrupt);
    client.ConnectAndLogIn();
    std::thread ending([interrupt] {
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        interrupt->AskToEnd();
    });
    const DeletionResult result = DeleteMessages(client, {{MessageId(2u), ""}});
    ending.join();
    EXPECT_THAT(result.deleted, ElementsAre(0u));
    client.QuitAndClose();  // no second QUIT
    EXPECT_EQ(server.Problems(), "");
}
