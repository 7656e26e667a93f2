// The header listing end to end: real Dovecot mailboxes listed by ListMailbox and by
// tarnwick-check --list, with the settings file in a folder of the test's own.
#include <sys/wait.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <clocale>
#include <cstdio>
#include <filesystem>
#include <map>
#include <sstream>

#include "cli/list_mailbox.h"
#include "list/list_row.h"
#include "message/message_feed.h"
#include "settings/ini_file.h"
#include "settings/settings.h"
#include "settings/text_utils.h"
#include "support/mail_fixture.h"
#include "support/temp_folder.h"

using ::testing::ElementsAre;
using ::testing::ElementsAreArray;
using ::testing::HasSubstr;
using ::testing::UnorderedElementsAreArray;

namespace {

struct Listing {
    int status = -1;
    std::vector<std::vector<std::string>> rows;  // the tab-separated fields of each line
    std::string errors;
};

std::vector<std::vector<std::string>> Rows(const std::string& text) {
    std::vector<std::vector<std::string>> rows;
    for (std::string_view line : SplitLines(text)) {
        std::vector<std::string>& fields = rows.emplace_back();
        for (std::size_t tab; (tab = line.find('\t')) != std::string_view::npos;
             line.remove_prefix(tab + 1))
            fields.emplace_back(line.substr(0, tab));
        fields.emplace_back(line);
    }
    return rows;
}

std::string ManyRecipientsMessage(int count) {
    std::string message = "From: Mass Mailer <mass@example.net>\r\nTo: ";
    for (int i = 0; i < count; ++i)
        message += (i ? ",\r\n r" : "r") + std::to_string(i) + "@x.example";
    message += "\r\nSubject: Hello everyone\r\nDate: Sun, 01 Mar 2026 12:00:00 +0000\r\n\r\nhi\r\n";
    return message;
}

class ListCommandTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (!DovecotAvailable()) GTEST_SKIP() << "the Dovecot fixture is not running";
        std::setlocale(LC_ALL, "");
    }

    void SaveAccount(const AccountSettings& params, bool enabled = true) {
        SettingsValues settings;
        settings.accounts.push_back(AccountEntry{enabled, params, 0});
        SaveSettings(settings);
    }

    Listing List(const std::string& email, const std::string& folder = {}) {
        std::ostringstream out;
        std::ostringstream err;
        Listing listing;
        listing.status = ListMailbox(email, out, err, folder);
        listing.rows = Rows(out.str());
        listing.errors = err.str();
        return listing;
    }

    TempFolder folder_{"listing"};
    ProgramFolderScope scope_{folder_.Path()};
};

// The tests that run on POP3 and on IMAP: the same account on either (the same section of the
// settings file).
class ListBothProtocolsTest : public ListCommandTest,
                              public ::testing::WithParamInterface<MailProtocol> {
protected:
    AccountSettings AccountOn(const MailUser& user) {
        return GetParam() == MailProtocol::Imap ? ImapAccountFor(user) : AccountFor(user);
    }
};

INSTANTIATE_TEST_SUITE_P(Protocols, ListBothProtocolsTest,
                         ::testing::Values(MailProtocol::Pop3, MailProtocol::Imap));

// True when no message of the user's maildir carries the seen flag.
bool NothingSeen(const MailUser& user) {
    for (const auto& entry : std::filesystem::directory_iterator(user.maildir + "/cur"))
        if (entry.path().filename().string().find(":2,S") != std::string::npos) return false;
    return true;
}

// One message per interesting header, and what its row must read.
struct Sample {
    std::string raw;
    std::string sender;
    std::string subject;
    bool spam;
};

std::vector<Sample> MixedMailbox() {
    return {
        {ReadListFixture("plain.eml"), "Jana Nov\u00e1kov\u00e1 <jana@example.cz>",
         "Re: P\u0159\u00edloha", false},
        {ReadListFixture("no_date.eml"), "<sender@example.org>", "no date here", true},
        {ReadListFixture("multipart.eml"), "Office <office@example.com>", "Report with attachments",
         true},
        {ReadListFixture("encoded_words.eml"), "\u0160koda Auto <info@skoda.example>",
         // White space between two encoded words goes, as RFC 2047 wants.
         "\u017dlu\u0165ou\u010dk\u00fd k\u016f\u0148 \u010dten\u00ed"
         "\u041f\u0440\u0438\u0432\u0435\u0442",
         false},
        {ReadListFixture("bad_date.eml"), "<sender@example.org>", "bad date", true},
        {ReadListFixture("raw_8bit.eml"),
         "\u017daneta Dvo\u0159\u00e1kov\u00e1 <zaneta@example.cz>", "Caf\u00e9 cr\u00e8me", false},
        {ManyRecipientsMessage(300), "Mass Mailer <mass@example.net>", "Hello everyone", true},
        {ReadListFixture("html_only.eml"), "<news@example.com>", "Newsletter", false},
    };
}

}  // namespace

TEST_P(ListBothProtocolsTest, MixedMailboxNewestFirstWithTextsAndMarks) {
    const MailUser user = AddMailUser("listmix");
    const std::vector<Sample> samples = MixedMailbox();
    for (const Sample& s : samples) AddMessage(user, s.raw);
    const AccountSettings account = AccountOn(user);
    SaveAccount(account);
    {
        const auto ini = OpenSettings();
        ini->WriteString("FILTER", "F0", "Subject: %report");
        ini->WriteInteger("GENERAL_FILTER", "MAX_RECIPIENTS", 100);
        ini->WriteBool("GENERAL_FILTER", "NO_EMPTY_DATE", true);
    }

    const Listing listing = List(account.email);
    ASSERT_EQ(listing.status, 0) << listing.errors;
    ASSERT_EQ(listing.rows.size(), samples.size());

    // Newest first: the two undated messages as today (higher number first), then by date.
    const std::vector<int> order = {4, 1, 7, 2, 3, 5, 0, 6};
    std::vector<std::string> numbers;
    for (std::size_t i = 0; i < order.size(); ++i) {
        const Sample& s = samples[static_cast<std::size_t>(order[i])];
        const auto& row = listing.rows[i];
        ASSERT_EQ(row.size(), 6u) << i;
        EXPECT_EQ(row[0], s.spam ? "*" : "") << s.subject;
        EXPECT_EQ(row[2], s.sender);
        EXPECT_EQ(row[3], s.subject);
        EXPECT_EQ(row[4], SizeText(static_cast<std::int64_t>(s.raw.size()))) << s.subject;
        numbers.push_back(row[5]);
    }
    EXPECT_THAT(numbers, UnorderedElementsAreArray({"1", "2", "3", "4", "5", "6", "7", "8"}));
    EXPECT_EQ(listing.rows[0][1], "date_no_present");
    EXPECT_EQ(listing.rows[1][1], "date_no_present");
    MailMessage plain = EntryFromFixture("plain.eml");
    EXPECT_EQ(listing.rows[6][1], DateTimeText(plain.date));
    EXPECT_EQ(MailboxSize(user), static_cast<int>(samples.size()));
    EXPECT_TRUE(NothingSeen(user));
}

TEST_P(ListBothProtocolsTest, TheServersVerdictsMarkRowsFromItsOwnTopmostFieldOnly) {
    const MailUser user = AddMailUser("listauth");
    const auto message = [](std::string_view fields, std::string_view subject) {
        return std::string(fields) + MakeMessage(subject, "alerts@bank.example", "x");
    };
    const std::string fail = "Authentication-Results: mx.test.example; dmarc=fail\r\n";
    const std::string pass = "Authentication-Results: mx.test.example; dmarc=pass\r\n";
    AddMessage(user, message(fail, "Server says fail"));
    AddMessage(user, message(fail + pass, "Forged pass below"));
    AddMessage(user, message(pass + fail, "Forged fail below"));
    AddMessage(user, message("Authentication-Results: relay.other.example; dmarc=fail\r\n",
                             "Another server's field"));
    AddMessage(user, message("X-Spam-Status: Yes, score=12.0\r\n", "Flagged"));
    AccountSettings account = AccountOn(user);
    account.authservId = "MX.test.example";
    SaveAccount(account);

    std::map<std::string, std::string> marks;
    for (const auto& row : List(account.email).rows) marks[row.at(3)] = row.at(0);
    EXPECT_EQ(marks, (std::map<std::string, std::string>{{"Server says fail", "*"},
                                                         {"Forged pass below", "*"},
                                                         {"Forged fail below", ""},
                                                         {"Another server's field", ""},
                                                         {"Flagged", "*"}}));
    OpenSettings()->WriteBool("GENERAL_FILTER", "UNAUTHENTICATED", false);
    for (const auto& row : List(account.email).rows) EXPECT_EQ(row[0] == "*", row[3] == "Flagged");
}

TEST_P(ListBothProtocolsTest, DisabledAccountIsListedAndEmptyMailboxPrintsNothing) {
    const MailUser user = AddMailUser("listoff");
    const AccountSettings account = AccountOn(user);
    SaveAccount(account, false);
    Listing listing = List(account.email);
    EXPECT_EQ(listing.status, 0) << listing.errors;
    EXPECT_TRUE(listing.rows.empty());

    AddMessages(user, 3);
    listing = List(account.email);
    EXPECT_EQ(listing.status, 0) << listing.errors;
    ASSERT_EQ(listing.rows.size(), 3u);
    MailMessage third;
    FeedMessage(third, MakeMessage("Message 3", "sender@test.example", "x"), false);
    EXPECT_THAT(listing.rows[0], ElementsAre("", DateTimeText(third.date), "<sender@test.example>",
                                             "Message 3", ::testing::_, "3"));
    EXPECT_EQ(MailboxSize(user), 3);
}

TEST_P(ListBothProtocolsTest, FailedLoginPrintsTheStoredError) {
    const MailUser user = AddMailUser("listbad");
    AccountSettings account = AccountOn(user);
    account.password = "wrong";
    SaveAccount(account);
    const Listing listing = List(account.email);
    EXPECT_EQ(listing.status, 1);
    EXPECT_TRUE(listing.rows.empty());
    const std::string stored =
        OpenSettings()->ReadString(AccountSection(account), "LAST_ERROR", "");
    EXPECT_TRUE(HasText(stored));
    EXPECT_EQ(listing.errors, stored + "\n");
}

TEST_F(ListCommandTest, AFolderOfAnImapAccountIsListedByItsShownName) {
    const MailUser user = AddMailUser("listfolder");
    AddFolder(user, "Entw\xC3\xBCrfe");
    Deliver(user, "Entw\xC3\xBCrfe", ReadListFixture("multipart.eml"));
    SaveAccount(ImapAccountFor(user));
    const Listing listing = List(ImapAccountFor(user).email, "Entw\xC3\xBCrfe");
    EXPECT_EQ(listing.status, 0) << listing.errors;
    ASSERT_EQ(listing.rows.size(), 1u);
    EXPECT_EQ(listing.rows[0][3], "Report with attachments");
    SaveAccount(AccountFor(user));
    EXPECT_EQ(List(AccountFor(user).email, "Work").errors, "A POP3 account has no folders.\n");
}

TEST_F(ListCommandTest, UnknownAddressIsRefused) {
    SaveAccount(AccountFor(AddMailUser("listnone")));
    const Listing listing = List("nobody@nowhere.example");
    EXPECT_EQ(listing.status, 1);
    EXPECT_THAT(listing.errors, HasSubstr("nobody@nowhere.example"));
}

TEST_F(ListCommandTest, CommandLineModeListsTheMailbox) {
    const MailUser user = AddMailUser("listcli");
    AddMessage(user, ReadListFixture("multipart.eml"));
    const AccountSettings account = AccountFor(user);
    SaveAccount(account);
    // The program reads its settings from its own folder: point it at ours.
    const std::string copy = folder_.File("tarnwick-check");
    std::filesystem::copy_file(TARNWICK_CHECK_BINARY, copy);
    FILE* pipe = popen((copy + " --list " + account.email + " 2>&1").c_str(), "r");
    ASSERT_NE(pipe, nullptr);
    std::string output;
    char buffer[4096];
    for (std::size_t n; (n = fread(buffer, 1, sizeof buffer, pipe)) > 0;) output.append(buffer, n);
    const int status = pclose(pipe);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << output;
    const auto rows = Rows(output);
    ASSERT_EQ(rows.size(), 1u) << output;
    EXPECT_THAT(rows[0], ElementsAre("", ::testing::_, "Office <office@example.com>",
                                     "Report with attachments", ::testing::_, "1"));
}
