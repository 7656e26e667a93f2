// The check of one account against the real Dovecot: counts, run state and what the user is told.
#include "check/check_cycle.h"

#include <gmock/gmock.h>

#include <filesystem>
#include <limits>

#include "check/check_fixture.h"
#include "check/server_folders.h"
#include "session/folder_count.h"
#include "session/imap_session.h"
#include "session/pop3_session.h"
#include "support/mail_fixture.h"
#include "support/scripted_server.h"

using ::testing::ElementsAre;
using ::testing::EndsWith;
using ::testing::IsEmpty;

namespace {

class CheckCycleTest : public SettingsTest {
protected:
    // Checks as the program does: the account becomes pending when the check says so.
    int Check(const AccountSettings& account) {
        SessionOptions options;
        options.tlsAvailable = true;
        const CheckResult result = CheckAccount(account, options, alertDue_, notifier_);
        if (result.becomesPending) pending_ = account.email;
        return result.change;
    }

    RecordingNotifier notifier_;
    bool alertDue_ = true;
    std::string pending_;
};

}  // namespace

TEST_F(CheckCycleTest, FirstCheckOfANewAccountReportsEveryMessageAsNew) {
    const MailUser user = AddMailUser("first");
    AddMessages(user, 4);
    const AccountSettings account = AccountFor(user);
    EXPECT_EQ(Check(account), 4);
    EXPECT_EQ(StoredRunKey(account, "COUNT"), "4");
    EXPECT_EQ(StoredRunKey(account, "LAST_RESULT"), "1");
    EXPECT_NE(StoredRunKey(account, "LAST_INCOME"), "(absent)");
    EXPECT_EQ(pending_, account.email);
    EXPECT_THAT(notifier_.hints,
                ElementsAre("check_email_last " + account.email, "you_have_a_new_mail"));
    EXPECT_EQ(notifier_.newMailIcons, 1);
    EXPECT_EQ(notifier_.arrivedTotal, 4);
    EXPECT_EQ(notifier_.clears, 1);
    EXPECT_THAT(notifier_.alerts, ElementsAre(4));
}

TEST_F(CheckCycleTest, FewerMessagesThanStoredReportAChangeWithoutNewMail) {
    const MailUser user = AddMailUser("fewer");
    AddMessages(user, 3);
    const AccountSettings account = AccountFor(user);
    StoreCount(account, 5);
    EXPECT_EQ(Check(account), -2);
    EXPECT_EQ(StoredRunKey(account, "COUNT"), "3");
    EXPECT_EQ(StoredRunKey(account, "LAST_INCOME"), "(absent)");
    EXPECT_EQ(pending_, "");
    EXPECT_EQ(notifier_.hints.back(), "message_count_was_changed");
    EXPECT_EQ(notifier_.newMailIcons, 0);
    EXPECT_THAT(notifier_.alerts, ElementsAre(-2));
}

TEST_F(CheckCycleTest, SameCountChangesNothingAndWithoutSoundNoAlertOpens) {
    const MailUser user = AddMailUser("same");
    AddMessages(user, 3);
    const AccountSettings account = AccountFor(user);
    StoreCount(account, 3);
    EXPECT_EQ(Check(account), 0);
    EXPECT_THAT(notifier_.hints, ElementsAre("check_email_last " + account.email));
    EXPECT_THAT(notifier_.alerts, IsEmpty());

    AddMessages(user, 1);
    alertDue_ = false;
    EXPECT_EQ(Check(account), 1);
    EXPECT_EQ(notifier_.hints.back(), "you_have_a_new_mail");
    EXPECT_EQ(notifier_.newMailIcons, 1);
    EXPECT_THAT(notifier_.alerts, IsEmpty());
}

TEST_F(CheckCycleTest, ANewLastMessageAtTheSameCountIsNewMail) {
    // One message removed from the mailbox and one delivered between two checks.
    const MailUser user = AddMailUser("arrival");
    AddMessages(user, 2);
    const AccountSettings account = AccountFor(user);
    EXPECT_EQ(Check(account), 2);
    const std::string firstLast = StoredRunKey(account, "LAST_UIDL");
    EXPECT_NE(firstLast, "(absent)");
    SetRunState(account, "LAST_INCOME", "before");
    pending_.clear();
    const auto seen = std::filesystem::directory_iterator(user.maildir + "/cur");
    ASSERT_NE(seen, std::filesystem::directory_iterator());
    std::filesystem::remove(seen->path());
    AddMessage(user, MakeMessage("Arrived", "new@test.example", "hello"));
    EXPECT_EQ(Check(account), 0);
    EXPECT_NE(StoredRunKey(account, "LAST_UIDL"), firstLast);
    EXPECT_NE(StoredRunKey(account, "LAST_INCOME"), "before");
    EXPECT_EQ(pending_, account.email);
    EXPECT_EQ(notifier_.hints.back(), "you_have_a_new_mail");
    EXPECT_EQ(notifier_.arrivedTotal, 3);
    EXPECT_THAT(notifier_.alerts, ElementsAre(2, 0));
    // The same last message at the next check: nothing new.
    EXPECT_EQ(Check(account), 0);
    EXPECT_EQ(notifier_.alerts.size(), 2u);
}

TEST_F(CheckCycleTest, RefusedLoginLeavesTheCountAloneAndKeepsTheErrorAfterASuccess) {
    const MailUser user = AddMailUser("refusedcheck");
    AddMessages(user, 2);
    AccountSettings account = AccountFor(user);
    StoreCount(account, 7);
    account.password = "wrong";
    EXPECT_EQ(Check(account), 0);
    EXPECT_EQ(StoredRunKey(account, "COUNT"), "7");
    EXPECT_EQ(StoredRunKey(account, "LAST_RESULT"), "0");
    EXPECT_EQ(StoredRunKey(account, "LAST_ERROR"), "[AUTH] Authentication failed.~");
    EXPECT_FALSE(LastCheckSucceeded(account));
    EXPECT_EQ(LastResultText(account), "last_result [AUTH] Authentication failed.~");
    EXPECT_THAT(notifier_.alerts, IsEmpty());

    account.password = user.password;
    EXPECT_EQ(Check(account), -5);
    EXPECT_TRUE(LastCheckSucceeded(account));
    EXPECT_EQ(StoredRunKey(account, "LAST_ERROR"), "[AUTH] Authentication failed.~");
    EXPECT_THAT(LastResultText(account), EndsWith(" OK"));
    EXPECT_EQ(LastResultText(account),
              "last_result " + StoredRunKey(account, "LAST_CHECK") + " OK");
}

TEST_F(CheckCycleTest, FailedCountAfterLoginStoresZero) {
    ScriptedServer server(
        "S: +OK hi\nC: CAPA\nS: -ERR\nC: USER bob\nS: +OK\nC: PASS secret\nS: +OK\nC: STAT\nS: +OK "
        "3\nC: QUIT");
    const AccountSettings account = ScriptedAccount(server);
    StoreCount(account, 2);
    EXPECT_EQ(Check(account), -2);
    EXPECT_EQ(StoredRunKey(account, "COUNT"), "0");
    EXPECT_EQ(StoredRunKey(account, "LAST_RESULT"), "0");
    EXPECT_EQ(server.Problems(), "");
}

TEST_F(CheckCycleTest, AServerWithoutTopStillCountsAndBringsNoHeaders) {
    ScriptedServer server(
        "S: +OK hi\nC: CAPA\nS: -ERR\nC: USER bob\nS: +OK\nC: PASS secret\nS: +OK\nC: STAT\nS: +OK "
        "3 300\n"
        "C: UIDL 3\nS: +OK 3 c\nC: TOP 3 0\nS: -ERR no TOP here\nC: QUIT");
    const AccountSettings account = ScriptedAccount(server);
    SessionOptions options;
    const CheckResult result = CheckAccount(account, options, false, notifier_, kNewHeaderLimit);
    EXPECT_EQ(result.change, 3);
    EXPECT_TRUE(result.newHeaders.empty());
    EXPECT_EQ(StoredRunKey(account, "COUNT"), "3");
    EXPECT_EQ(server.Problems(), "");
}

TEST_F(CheckCycleTest, UnknownAccountHasSucceededAndStoreCountWrites) {
    AccountSettings account;
    account.host = "mail-1";
    account.username = "John.Doe";
    EXPECT_TRUE(LastCheckSucceeded(account));
    EXPECT_TRUE(StoreCount(account, 12));
    EXPECT_EQ(OpenSettings()->ReadString("EML_MAIL_1_JOHN_DOE", "COUNT", ""), "12");
}

TEST_F(CheckCycleTest, ExtremeCountsGiveTheNearestChangeInsteadOfOverflowing) {
    ScriptedServer big(
        "S: +OK hi\nC: CAPA\nS: -ERR\nC: USER bob\nS: +OK\nC: PASS secret\nS: +OK\nC: STAT\nS: +OK "
        "4 100\n"
        "C: UIDL 4\nS: -ERR no ids here\nC: QUIT");
    const AccountSettings hugeStored = ScriptedAccount(big);
    SetRunState(hugeStored, "COUNT", "0x80000000");  // a broken file: the lowest integer
    EXPECT_EQ(Check(hugeStored), std::numeric_limits<int>::max());
    EXPECT_EQ(StoredRunKey(hugeStored, "COUNT"), "4");
    EXPECT_EQ(StoredRunKey(hugeStored, "LAST_UIDL"), "(absent)");  // the refusal costs nothing

    ScriptedServer hostile(
        "S: +OK hi\nC: CAPA\nS: -ERR\nC: USER bob\nS: +OK\nC: PASS secret\nS: +OK\n"
        "C: STAT\nS: +OK -2147483648 0\nC: QUIT");
    const AccountSettings negative = ScriptedAccount(hostile);
    StoreCount(negative, 1);
    EXPECT_EQ(Check(negative), -1);  // refused like any failed count after login
    EXPECT_EQ(StoredRunKey(negative, "COUNT"), "0");
    EXPECT_EQ(StoredRunKey(negative, "LAST_ERROR"), "'-2147483648' is not a valid integer value");
    EXPECT_EQ(big.Problems() + hostile.Problems(), "");
}

TEST_F(CheckCycleTest, ImapAccountsAreCountedByStatusAndKeepTheirUidState) {
    TrustFixtureAuthority();
    const MailUser user = AddMailUser("imap");
    AddMessages(user, 3);
    for (const Listener listener : {Listener::Plain, Listener::Tls, Listener::StartTls}) {
        const AccountSettings account = ImapAccountFor(user, listener);
        SetRunState(account, "COUNT", "0");
        SetRunState(account, "UIDNEXT", "0");  // a fresh start: TLS and STARTTLS share a section
        EXPECT_EQ(Check(account), 3) << StoredRunKey(account, "LAST_ERROR");
        EXPECT_EQ(StoredRunKey(account, "COUNT"), "3");
        EXPECT_EQ(StoredRunKey(account, "UNSEEN"), "3");
        EXPECT_EQ(StoredRunKey(account, "UIDNEXT"), "4");
        EXPECT_NE(StoredRunKey(account, "UIDVALIDITY"), "0");
        EXPECT_EQ(StoredRunKey(account, "FOLDER1_NAME"), "(absent)");  // one folder: none kept
    }
    // A POP3 account keeps none of it.
    const MailUser other = AddMailUser("pop3");
    const AccountSettings pop3 = AccountFor(other);
    Check(pop3);
    EXPECT_EQ(StoredRunKey(pop3, "UIDNEXT"), "(absent)");
}

TEST_F(CheckCycleTest, ImapMailThatArrivedWhileOtherMailWentIsNewMail) {
    const MailUser user = AddMailUser("arrive");
    AddMessages(user, 2);
    const AccountSettings account = ImapAccountFor(user);
    EXPECT_EQ(Check(account), 2);
    ClearMailbox(user);
    AddMessages(user, 2);  // two went, two came: the count did not change
    EXPECT_EQ(Check(account), 2);
    EXPECT_EQ(notifier_.hints.back(), "you_have_a_new_mail");
    EXPECT_EQ(Check(account), 0);  // nothing new since
    EXPECT_EQ(notifier_.hints.back(),
              "check_email_last " + account.email + " - 2 unseen_count_other");
    // Another folder's UIDs say nothing about this one.
    EXPECT_EQ(ChangeWithArrivals(0, 5, {5, 0, 9, 2}, 4, 1), 0);
    EXPECT_EQ(ChangeWithArrivals(1, 5, {5, 0, 9, 2}, 9, 2), 0);  // none arrived: no news
    EXPECT_EQ(ChangeWithArrivals(2, 5, {5, 0, 0, 2}, 9, 2), 2);  // no UIDNEXT: the count says
}

TEST_F(CheckCycleTest, MailTheListWindowShowedIsNotAnnouncedAgain) {
    // A message arrives after a check; the list window shows it and stores the mailbox after
    // a deletion elsewhere in it. The next check has nothing new to say, on either protocol.
    for (const bool imap : {false, true}) {
        const MailUser user = AddMailUser(imap ? "shownimap" : "shownpop");
        AddMessages(user, 2);
        const AccountSettings account = imap ? ImapAccountFor(user) : AccountFor(user);
        EXPECT_EQ(Check(account), 2);
        AddMessage(user, MakeMessage("Seen in the list", "new@test.example", "hello"));
        ShownMailbox shown{3, "", 3};  // a fresh folder's third UID is 3
        if (!imap) {
            auto session = OpenSession(account, SessionOptions{});
            shown.lastUidl = session->MessageUid(3).value_or("");
            EndSession(session);
        }
        StoreShownMailbox(account, shown);
        EXPECT_EQ(Check(account), 0) << (imap ? "IMAP" : "POP3");
        EXPECT_EQ(notifier_.alerts.size(), 1u) << (imap ? "IMAP" : "POP3");
        notifier_.alerts.clear();
    }
}

// An account with FOLDERS=: one session counts them all, the account's count and change are the
// sums, each folder keeps its own state, arrivals are judged per folder and their headers name
// the folder they came to (its name decoded from the server's modified UTF-7).
TEST_F(CheckCycleTest, SeveralFoldersAreCountedTogetherEachWithItsState) {
    const std::string drafts = "Entw\xC3\xBCrfe";
    const MailUser user = AddMailUser("folders");
    AddFolder(user, "Work");
    AddFolder(user, drafts);
    AddMessages(user, 2);
    Deliver(user, "Work", MakeMessage("Report", "boss@test.example", "body"));
    AccountSettings account = ImapAccountFor(user);
    account.folders = "INBOX, Work, " + drafts;
    SessionOptions options;
    CheckResult result = CheckAccount(account, options, true, notifier_, 5);
    EXPECT_EQ(result.change, 3) << StoredRunKey(account, "LAST_ERROR");
    ASSERT_EQ(result.folders.size(), 3u);
    EXPECT_EQ(result.folders[1].name, "Work");
    EXPECT_EQ(result.folders[1].count, 1);
    EXPECT_EQ(result.newHeaders.size(), 3u);
    EXPECT_EQ(StoredRunKey(account, "COUNT"), "3");
    EXPECT_EQ(StoredRunKey(account, "FOLDER3_NAME"), drafts);
    EXPECT_EQ(StoredRunKey(account, "FOLDER2_UIDNEXT"), "2");

    ClearMailbox(user);  // two went from INBOX while one came to the drafts: still news
    Deliver(user, drafts, MakeMessage("Draft", "me@test.example", "body"));
    result = CheckAccount(account, options, true, notifier_, 5);
    EXPECT_EQ(result.change, 1);
    EXPECT_EQ(result.folders[2].change, 1);
    EXPECT_EQ(result.folders[0].change, -2);
    ASSERT_EQ(result.newHeaders.size(), 1u);
    EXPECT_EQ(result.newHeaders[0].folder, drafts);
    EXPECT_EQ(StoredRunKey(account, "COUNT"), "2");
    EXPECT_EQ(StoredRunKey(account, "FOLDER1_COUNT"), "0");

    // The list window showed a message that came to Work: the next check has no news of it.
    Deliver(user, "Work", MakeMessage("Shown", "boss@test.example", "body"));
    AccountSettings listed = account;
    listed.folder = "Work";
    StoreShownMailbox(listed, {2, "", 2});
    EXPECT_EQ(StoredRunKey(account, "COUNT"), "3");
    EXPECT_EQ(Check(account), 0);

    account.folders = "INBOX, Missing";  // fewer folders: the keys of the others go
    EXPECT_EQ(Check(account), 0);
    EXPECT_THAT(StoredRunKey(account, "LAST_ERROR"), ::testing::StartsWith("Missing: "));
    EXPECT_THAT(StoredRunKey(account, "LAST_ERROR"),
                ::testing::EndsWith("~The server's folders: INBOX, " + drafts + ", Work"));
    account.folders = "work";  // the server's own name, found in its list
    EXPECT_EQ(Check(account), 0);
    EXPECT_EQ(StoredRunKey(account, "FOLDER1_NAME"), "Work");
    EXPECT_EQ(Check(account), 0);
    EXPECT_EQ(StoredRunKey(account, "FOLDER2_NAME"), "(absent)");
}

TEST(FolderNames, AreMatchedAcrossSeparatorsTheInboxPrefixAndOnlyThenLetterCase) {
    const std::vector<std::string> courier{"INBOX", "INBOX.Work", "INBOX.Lists.dev", "INBOX.work"};
    EXPECT_EQ(MatchFolderName("Work", courier), 1u);
    EXPECT_EQ(MatchFolderName("work", courier), 3u);
    EXPECT_EQ(MatchFolderName("Lists/dev", courier), 2u);
    EXPECT_EQ(MatchFolderName("WORK", courier), std::nullopt);  // two would do: neither
    EXPECT_EQ(MatchFolderName("lists.DEV", courier), 2u);
    EXPECT_EQ(MatchFolderName("Archive", courier), std::nullopt);
    EXPECT_EQ(MatchFolderName("INBOX", {"Work", "INBOX"}), 1u);
}

// "*": INBOX and the subscribed folders, but not those the server marks junk or trash.
TEST_F(CheckCycleTest, AllSubscribedLeavesOutJunkTrashAndUnsubscribed) {
    for (const Notify notify : {Notify::Offered, Notify::Refused}) {
        const MailUser user = AddMailUser("subscribed", "secret", notify);
        for (const char* name : {"Work", "Junk", "Trash"}) AddFolder(user, name);
        AddFolder(user, "Archive", false);
        for (const char* name : {"Work", "Junk", "Trash", "Archive"})
            Deliver(user, name, MakeMessage(name, "a@test.example", "body"));
        AccountSettings account = ImapAccountFor(user);
        account.folders = "*";
        const CheckResult result = CheckAccount(account, {}, true, notifier_);
        ASSERT_EQ(result.folders.size(), 2u) << StoredRunKey(account, "LAST_ERROR");
        EXPECT_EQ(result.folders[0].name, "INBOX");
        EXPECT_EQ(result.folders[1].name, "Work");
        EXPECT_EQ(result.change, 1);

        const FolderListing listing = ListServerFolders(account, {});
        ASSERT_TRUE(listing.listed) << listing.error;
        EXPECT_EQ(listing.folders.size(), 5u);
        EXPECT_EQ(listing.folders.front().name, "INBOX");
        EXPECT_THAT(WatchedFolderNames(account, listing.folders), ElementsAre("INBOX", "Work"));
    }
}

TEST_F(CheckCycleTest, ImapLoginFailureAndMissingFolderAreRecorded) {
    const MailUser user = AddMailUser("imapfail");
    AccountSettings account = ImapAccountFor(user);
    account.password = "wrong";
    EXPECT_EQ(Check(account), 0);
    EXPECT_EQ(StoredRunKey(account, "LAST_RESULT"), "0");
    EXPECT_THAT(StoredRunKey(account, "LAST_ERROR"), ::testing::HasSubstr("AUTHENTICATIONFAILED"));
    account = ImapAccountFor(user);
    account.folder = "No such folder";
    EXPECT_EQ(Check(account), 0);
    EXPECT_EQ(StoredRunKey(account, "LAST_RESULT"), "0");
    EXPECT_EQ(StoredRunKey(account, "UIDNEXT"), "(absent)");
}
