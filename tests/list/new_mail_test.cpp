// The headers that a check brings along for the notification, fetched from the real Dovecot on
// both protocols, and the lines that name the new messages.
#include "list/new_mail.h"

#include <gmock/gmock.h>

#include "check/check_cycle.h"
#include "check/check_fixture.h"
#include "support/mail_fixture.h"

using ::testing::ElementsAre;
using NewMailLinesTest = SettingsTest;

TEST_F(NewMailLinesTest, ACheckNamesTheNewestNewMessagesWithoutSpamOnBothProtocols) {
    if (!DovecotAvailable()) GTEST_SKIP() << "the Dovecot fixture is not running";
    FilterSnapshot filter;
    filter.rules.push_back(std::make_unique<SpamRuleEntry>());
    filter.rules.back()->filter = {RuleKind::Subject, true, "casino"};
    NoCheckNotifier quiet;
    for (const bool imap : {false, true}) {
        const MailUser user = AddMailUser(imap ? "newimap" : "newpop");
        AddMessages(user, 2);
        const AccountSettings account = imap ? ImapAccountFor(user) : AccountFor(user);
        EXPECT_EQ(CheckAccount(account, {}, false, quiet, kNewHeaderLimit).newHeaders.size(), 2u);
        AddMessage(user, MakeMessage("=?UTF-8?Q?Caf=C3=A9?=", "Ann <ann@test.example>", "x"));
        AddMessage(user, MakeMessage("Win at the casino", "lucky@test.example", "x"));
        // The server's verdicts travel with the fields fetched: DMARC failed, so it is spam.
        AddMessage(user, "Authentication-Results: mx.test.example; dmarc=fail\r\n" +
                             MakeMessage("Your account", "alerts@bank.example", "x"));
        AddMessage(user, MakeMessage("Third", "=?UTF-8?B?w4lsbw==?= <e@test.example>", "x"));
        AddMessage(user, MakeMessage("", "d@test.example", "x"));

        const CheckResult result = CheckAccount(account, {}, false, quiet, kNewHeaderLimit);
        EXPECT_EQ(result.change, 5);
        ASSERT_EQ(result.newHeaders.size(), 5u) << StoredRunKey(account, "LAST_ERROR");
        EXPECT_GT(result.newHeaders[0].id, result.newHeaders[4].id);
        EXPECT_GT(result.newHeaders[0].size, 0);
        const NamedNewMail named = NewMailLines(result.newHeaders, account.email, filter);
        EXPECT_THAT(named.lines, ElementsAre("d@test.example", "Élo — Third", "Ann — Café"));
        EXPECT_THAT(named.ids, ElementsAre(result.newHeaders[0].id, result.newHeaders[1].id,
                                           result.newHeaders[4].id));

        // Nothing was marked seen, and nothing is fetched unasked or without new mail.
        AddMessages(user, 1);
        EXPECT_TRUE(CheckAccount(account, {}, false, quiet).newHeaders.empty());
        if (imap) {
            EXPECT_EQ(StoredRunKey(account, "UNSEEN"), "8");
        }
        EXPECT_TRUE(CheckAccount(account, {}, false, quiet, kNewHeaderLimit).newHeaders.empty());
    }
}

TEST_F(NewMailLinesTest, AMessageInAWatchedFolderIsNamedWithItsFolder) {
    NewMessageHeader header;
    header.lines = {"From: Ann <ann@test.example>", "Subject: Hi"};
    header.folder = "Práce";
    const NamedNewMail named = NewMailLines({header}, std::string("a@x.example"), FilterSnapshot{});
    EXPECT_THAT(named.lines, ElementsAre("Práce: Ann — Hi"));
    EXPECT_THAT(named.folders, ElementsAre("Práce"));  // "Mark as read" flags it there
}
