// Accounts from GNOME Online Accounts, served by the stand-in (tests/support/goa_service.py):
// listed and added by tarnwick-check, then checked, listed and pushed against a real Dovecot
// with a token (the sign-in fixture's) or the account's IMAP password (the usual fixture's).
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <sstream>

#include "auth/online_accounts.h"
#include "check/push_recorder.h"
#include "cli/commands.h"
#include "cli/list_mailbox.h"
#include "cli/online_accounts_command.h"
#include "settings/settings.h"
#include "support/goa_fixture.h"
#include "support/mail_fixture.h"
#include "support/oauth_fixture.h"
#include "support/temp_folder.h"

using ::testing::HasSubstr;

namespace {

class OnlineAccountsTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (!DovecotAvailable()) GTEST_SKIP() << "no Dovecot fixture";
        TrustFixtureAuthority();
        user_ = AddMailUser("goa");
        AddMessage(user_, MakeMessage("Desktop mail", "a@b.example", "hello"));
    }

    // The user's account as the service describes it: implicit TLS, a token from the sign-in
    // fixture's server, or STARTTLS and the user's password.
    nlohmann::json Account(bool token) const {
        nlohmann::json account = {{"id", "account_1"},
                                  {"email", "goa@desktop.example"},
                                  {"user", user_.name},
                                  {"ssl", token},
                                  {"tls", !token}};
        const int port = token ? Dovecot().imapsPort : Dovecot().imapPort;
        account["host"] = "localhost:" + std::to_string(port);
        if (token) {
            account["auth_server"] = AuthServerAddress();
            account["mail_user"] = user_.name;
        } else {
            account["password"] = user_.password;
        }
        return account;
    }

    static std::string Run(const std::vector<std::string>& args, int status = kExitOk) {
        std::ostringstream out;
        std::ostringstream err;
        EXPECT_EQ(RunCommandLine(args, out, err), status) << err.str();
        return out.str() + err.str();
    }

    MailUser user_;
    TempFolder folder_{"goa"};
    ProgramFolderScope scope_{folder_.Path()};
};

AccountSettings Added() {
    SettingsValues settings;
    LoadSettings(settings);
    return settings.accounts.at(0).params;
}

// The service's first token is one the server refuses: EnsureCredentials and a new token follow.
TEST_F(OnlineAccountsTest, TokenAccountIsListedAddedCheckedListedAndPushed) {
    nlohmann::json account = Account(true);
    account["stale_first"] = true;
    OnlineAccountsStandIn service(nlohmann::json::array({account}));
    const std::string server = "localhost:" + std::to_string(Dovecot().imapsPort);
    EXPECT_EQ(Run({"--online-accounts"}),
              "account_1\tgoa@desktop.example\t" + server + "\tnot added\n");
    EXPECT_EQ(Run({"--add-online-account", "account_1"}), "goa@desktop.example\tadded\n");
    EXPECT_EQ(Run({"--add-online-account", "account_1"}), "goa@desktop.example\talready added\n");
    EXPECT_EQ(Run({"--online-accounts"}),
              "account_1\tgoa@desktop.example\t" + server + "\tadded\n");
    const auto ini = OpenSettings();
    const std::string section = AccountSection(Added());
    EXPECT_EQ(ini->ReadString(section, "AUTH", ""), "goa");
    EXPECT_EQ(ini->ReadString(section, "GOA_ACCOUNT", ""), "account_1");
    EXPECT_EQ(ini->ReadString(section, "HOST", ""), "");  // asked of the service at each check

    EXPECT_EQ(Run({}), "goa@desktop.example\t1\t1\tOK\n");
    EXPECT_EQ(service.Calls(),
              "account_1 EnsureCredentials\naccount_1 GetAccessToken\n"
              "account_1 EnsureCredentials\naccount_1 GetAccessToken\n");
    EXPECT_THAT(Run({"--list", "goa@desktop.example"}), HasSubstr("Desktop mail"));
    Watch watch(Added(), {});
    EXPECT_EQ(watch.Next(std::chrono::seconds(10)), PushEvent::Up);
    AddMessage(user_, MakeMessage("Pushed", "a@b.example", "hello"));
    EXPECT_EQ(watch.Next(std::chrono::seconds(10)), PushEvent::Changed);
}

TEST_F(OnlineAccountsTest, PasswordAccountLogsInWithItsImapPassword) {
    OnlineAccountsStandIn service(nlohmann::json::array({Account(false)}));
    Run({"--add-online-account", "account_1"});
    EXPECT_EQ(Run({}), "goa@desktop.example\t1\t1\tOK\n");
    EXPECT_EQ(service.Calls(), "account_1 EnsureCredentials\naccount_1 GetPassword\n");

    // An untrusted certificate is asked about for the server the service named, and trusted so.
    ::unsetenv("TARNWICK_CA_FILE");
    EXPECT_THAT(Run({"--trust", "goa@desktop.example", "--yes"}),
                HasSubstr("certificate_server localhost\n"));
    EXPECT_EQ(Run({}), "goa@desktop.example\t1\t0\tOK\n");
}

TEST_F(OnlineAccountsTest, SignInAgainMailOffVanishedAndNoServiceAreEachAccountsError) {
    nlohmann::json again = Account(false);
    nlohmann::json off = Account(false);
    again["attention"] = true;
    off["id"] = "account_2";
    off["email"] = "off@desktop.example";
    off["mail_disabled"] = true;
    SettingsValues settings;
    for (const char* id : {"account_1", "account_2", "account_9"}) {
        OnlineAccount online;
        online.id = id;
        online.email = std::string(id) + "@desktop.example";
        settings.accounts.push_back({true, OnlineAccountSettings(online), 0});
    }
    settings.accounts.push_back({true, ImapAccountFor(user_), 0});  // checks as before
    SaveSettings(settings);
    std::string lines;
    {
        OnlineAccountsStandIn service(nlohmann::json::array({again, off}));
        lines = Run({}, kExitFailed);
        EXPECT_THAT(Run({"--add-online-account", "account_9"}, kExitFailed),
                    HasSubstr("no longer has this account"));
    }
    EXPECT_THAT(lines, HasSubstr("account_1@desktop.example\t-\t0\t" + OnlineSignInAgainText()));
    EXPECT_THAT(lines, HasSubstr("account_2@desktop.example\t-\t0\tMail is switched off"));
    EXPECT_THAT(lines, HasSubstr("account_9@desktop.example\t-\t0\tOnline Accounts no longer"));
    EXPECT_THAT(lines, HasSubstr(user_.name + "@test.example\t1\t1\tOK"));

    lines = Run({}, kExitFailed);
    EXPECT_THAT(lines,
                HasSubstr("account_1@desktop.example\t-\t0\tOnline Accounts does not answer"));
    EXPECT_THAT(lines, HasSubstr(user_.name + "@test.example\t1\t0\tOK"));
    EXPECT_THAT(Run({"--online-accounts"}, kExitFailed), HasSubstr("does not answer"));
}

}  // namespace
