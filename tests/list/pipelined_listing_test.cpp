// The pipelined header listing against Dovecot, which announces PIPELINING: the same rows as
// the listing with one request at a time, plain and over TLS, and the session in step after.
#include <gtest/gtest.h>

#include "list/mailbox_listing.h"
#include "message/message_feed.h"
#include "pop3/pop3_client.h"
#include "support/mail_fixture.h"

namespace {

// Everything a row shows, and the header it keeps.
std::string RowText(const MessageRow& row) {
    std::string text = row.numberText + "|" + std::to_string(row.entry->size) + "|" + row.dateText +
                       "|" + row.senderText + "|" + row.subjectText + "|" +
                       (row.spam ? "spam" : "") + "\n";
    for (const auto& line : row.entry->rawHeaderLines) text.append(line).append("\n");
    return text;
}

std::vector<std::string> Listed(const AccountSettings& account, Listener listener, int limit) {
    Pop3Client client;
    client.SetAccount(account);
    client.useTls = listener == Listener::Tls;
    client.pipelineLimit = limit;
    client.ConnectAndLogIn();
    int reports = 0;
    std::vector<std::string> rows;
    const SpamRules noRules;
    for (const MessageRow& row :
         ListHeaders(client, account.email, noRules, {}, [&](int done, int) {
             reports = done;
             return true;
         }))
        rows.push_back(RowText(row));
    EXPECT_TRUE(client.Capabilities().Has("PIPELINING"));
    EXPECT_EQ(reports, static_cast<int>(rows.size()));
    client.SendNoop();  // gets its own reply: nothing is left unread
    EXPECT_TRUE(client.LastReply().ok);
    client.QuitAndClose();
    return rows;
}

}  // namespace

TEST(PipelinedListing, ThousandMessagesGiveTheSameRowsAsOneRequestAtATime) {
    if (!DovecotAvailable()) GTEST_SKIP() << "the Dovecot fixture is not running";
    TrustFixtureAuthority();
    const MailUser user = AddMailUser("pipelined");
    for (int i = 1; i <= 1000; ++i) {
        if (i % 100 == 0) {
            AddMessage(user, ReadListFixture(i % 200 == 0 ? "encoded_words.eml" : "no_date.eml"));
            continue;
        }
        AddMessage(user, MakeMessage("Message " + std::to_string(i),
                                     "sender" + std::to_string(i % 7) + "@test.example",
                                     std::string(static_cast<std::size_t>(i % 300), 'x')));
    }
    const std::vector<std::string> lockStep = Listed(AccountFor(user), Listener::Plain, 1);
    ASSERT_EQ(lockStep.size(), 1000u);
    EXPECT_EQ(lockStep.front().substr(0, 5), "1000|");
    EXPECT_EQ(Listed(AccountFor(user), Listener::Plain, 512), lockStep);
    EXPECT_EQ(Listed(AccountFor(user, Listener::Tls), Listener::Tls, 512), lockStep);
}
