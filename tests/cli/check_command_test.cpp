// tarnwick-check end to end: a copy of the program in a folder of its own with a settings
// file, checking real Dovecot mailboxes.
#include <sys/wait.h>
#include <unistd.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>

#include "settings/settings.h"
#include "support/mail_fixture.h"
#include "support/temp_folder.h"

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::StartsWith;

namespace {

struct RunResult {
    int status = -1;
    std::string output;
};

class CheckCommandTest : public ::testing::Test {
protected:
    void SetUp() override {
        const std::string copy = folder_.File("tarnwick-check");
        std::error_code error;
        std::filesystem::create_hard_link(TARNWICK_CHECK_BINARY, copy, error);
        if (error) std::filesystem::copy_file(TARNWICK_CHECK_BINARY, copy);
    }

    void AddAccount(AccountSettings params, bool enabled = true) {
        AccountEntry item;
        item.enabled = enabled;
        item.params = std::move(params);
        settings_.accounts.push_back(std::move(item));
    }

    RunResult Run(const std::string& args = "", bool save = true) {
        if (save) SaveSettings(settings_);
        RunResult result;
        const std::string command = folder_.File("tarnwick-check") + " " + args + " 2>&1";
        FILE* pipe = popen(command.c_str(), "r");
        char buffer[4096];
        for (std::size_t n; (n = fread(buffer, 1, sizeof buffer, pipe)) > 0;)
            result.output.append(buffer, n);
        const int status = pclose(pipe);
        result.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        return result;
    }

    std::string StoredRunKey(const AccountSettings& account, const std::string& key) {
        return OpenSettings()->ReadString(AccountSection(account), key, "(absent)");
    }

    TempFolder folder_{"cli"};
    SettingsValues settings_;
    ProgramFolderScope scope_{folder_.Path()};
};

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    for (std::size_t lf; (lf = text.find('\n', start)) != std::string::npos; start = lf + 1)
        lines.push_back(text.substr(start, lf - start));
    return lines;
}

}  // namespace

TEST_F(CheckCommandTest, ChecksPlainTlsApopAndImapAccountsAndSkipsDisabledOnes) {
    TrustFixtureAuthority();
    const MailUser plain = AddMailUser("cliplain");
    const MailUser secure = AddMailUser("clitls");
    const MailUser apop = AddMailUser("cliapop");
    AddMessages(plain, 2);
    AddMessages(secure, 1);
    AddMessages(apop, 3);
    AddAccount(AccountFor(plain));
    AddAccount(AccountFor(secure, Listener::Tls));
    AddAccount(AccountFor(apop, Listener::Plain, true));
    AccountSettings off = AccountFor(AddMailUser("clioff"));
    AddAccount(off, false);
    const MailUser imap = AddMailUser("cliimap");
    AddMessages(imap, 4);
    AddAccount(ImapAccountFor(imap, Listener::Tls));

    RunResult first = Run();
    EXPECT_EQ(first.status, 0) << first.output;
    EXPECT_THAT(
        Lines(first.output),
        ElementsAre(AccountFor(plain).email + "\t2\t2\tOK", AccountFor(secure).email + "\t1\t1\tOK",
                    AccountFor(apop).email + "\t3\t3\tOK", off.email + "\t-\t0\tdisabled",
                    AccountFor(imap).email + "\t4\t4\tOK"));
    EXPECT_EQ(StoredRunKey(AccountFor(plain), "COUNT"), "2");
    EXPECT_NE(StoredRunKey(AccountFor(plain), "LAST_INCOME"), "(absent)");
    EXPECT_EQ(StoredRunKey(off, "LAST_CHECK"), "(absent)");

    AddMessages(plain, 1);
    RunResult second = Run();
    EXPECT_THAT(Lines(second.output)[0], AccountFor(plain).email + "\t3\t1\tOK");
    EXPECT_THAT(Lines(second.output)[1], AccountFor(secure).email + "\t1\t0\tOK");
}

TEST_F(CheckCommandTest, AFailedCheckPrintsTheStoredErrorAndExitsWithOne) {
    const MailUser user = AddMailUser("clifail");
    AddMessages(user, 1);
    AccountSettings refused = AccountFor(user);
    refused.password = "wrong";
    AddAccount(refused);
    const MailUser good = AddMailUser("cligood");
    AddAccount(AccountFor(good));

    RunResult result = Run();
    EXPECT_EQ(result.status, 1);
    EXPECT_THAT(Lines(result.output),
                ElementsAre(refused.email + "\t-\t0\t[AUTH] Authentication failed.~",
                            AccountFor(good).email + "\t0\t0\tOK"));
    EXPECT_EQ(StoredRunKey(refused, "LAST_RESULT"), "0");
}

TEST_F(CheckCommandTest, HelpAndBadUsage) {
    RunResult help = Run("--help");
    EXPECT_EQ(help.status, 0);
    EXPECT_THAT(help.output, StartsWith("Usage: tarnwick-check"));
    RunResult bad = Run("--frobnicate");
    EXPECT_EQ(bad.status, 2);
    EXPECT_THAT(bad.output, HasSubstr("Usage:"));
}

TEST_F(CheckCommandTest, ASettingsFileThatCannotBeReadFailsWithItsReason) {
    const std::string path = folder_.File("vellmoor.ini");
    std::filesystem::create_directory(path);  // unreadable for root too
    for (const std::string args : {"", "--list a@x"}) {
        RunResult result = Run(args, false);
        EXPECT_EQ(result.status, 1) << args;
        EXPECT_EQ(result.output, "tarnwick-check: Unable to read " + path + ": Is a directory\n")
            << args;
    }
}

TEST_F(CheckCommandTest, NoSettingsFileMeansNothingToCheck) {
    RunResult result = Run();
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.output, "");
}
