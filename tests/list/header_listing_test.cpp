// The header listing's conversation: one count, then TOP n 0 and LIST n from the highest
// number down, replayed through a fake transport.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "check/pop3_client.h"
#include "list/mailbox_listing.h"
#include "settings/errors.h"
#include "support/transcript.h"

using ::testing::ElementsAre;

namespace {

// No rules: nothing is judged spam.
const T_spam_rules kNoRules;
const T_spam_criteria kNoCriteria;

struct Listing {
    explicit Listing(const std::string& script) : talk(std::string(kUserLogin) + script) {
        client.username = "bob";
        client.password = "secret";
        client.SetConnector(talk.Connector());
        client.ConnectAndLogIn();
    }
    Transcript talk;
    T_POP3 client;
};

std::vector<int> Numbers(const std::vector<T_list_row>& rows) {
    std::vector<int> numbers;
    for (const auto& row : rows) numbers.push_back(row.entry->number);
    return numbers;
}

}  // namespace

TEST(HeaderListing, NewestFirstOneHeaderAndSizeRequestEach) {
    Listing s(R"(
        C: STAT
        S: +OK 2 3000
        C: TOP 2 0
        S: +OK
        S: From: Two <two@example.org>
        S: Subject: second
        S: Date: Tue, 03 Mar 2026 10:00:00 +0000
        S:
        S: .
        C: LIST 2
        S: +OK 2 1536
        C: TOP 1 0
        S: +OK
        S: Subject: first
        S:
        S: .
        C: LIST 1
        S: +OK 1 many
    )");
    const auto rows = ListHeaders(s.client, "me@test.example", kNoRules, kNoCriteria);
    EXPECT_THAT(Numbers(rows), ElementsAre(2, 1));
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
    Listing s(R"(
        C: STAT
        S: +OK 0 0
    )");
    EXPECT_TRUE(ListHeaders(s.client, "me@test.example", kNoRules, kNoCriteria).empty());
    EXPECT_EQ(s.talk.Problems(), "");
}

TEST(HeaderListing, ProgressCanStopTheListing) {
    Listing s(R"(
        C: STAT
        S: +OK 3 30
        C: TOP 3 0
        S: +OK
        S: Subject: third
        S: .
        C: LIST 3
        S: +OK 3 10
    )");
    std::vector<std::pair<int, int>> reports;
    const auto rows =
        ListHeaders(s.client, "me@test.example", kNoRules, kNoCriteria, [&](int done, int count) {
            reports.emplace_back(done, count);
            return false;
        });
    EXPECT_THAT(Numbers(rows), ElementsAre(3));
    EXPECT_THAT(reports, ElementsAre(std::make_pair(1, 3)));
    EXPECT_EQ(s.talk.Problems(), "");
}

TEST(HeaderListing, RefusedHeaderEndsTheListingWithTheServerText) {
    Listing s(R"(
        C: STAT
        S: +OK 2 30
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
    Listing s(R"(
        C: STAT
        S: +OK 2147483647 0
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
    T_spam_rules spamRules;
    spamRules.push_back(std::make_unique<T_spam>());
    spamRules.back()->filter = {1, true, "@spam.example"};
    Listing s(R"(
        C: STAT
        S: +OK 2 30
        C: TOP 2 0
        S: +OK
        S: From: offers@spam.example
        S: .
        C: LIST 2
        S: +OK 2 10
        C: TOP 1 0
        S: +OK
        S: From: friend@example.org
        S: .
        C: LIST 1
        S: +OK 1 10
    )");
    const auto rows = ListHeaders(s.client, "me@test.example", spamRules, kNoCriteria);
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_TRUE(rows[0].spam);
    EXPECT_FALSE(rows[1].spam);
}
