// Signing in with OAuth2 against the tests' authorization server and a Dovecot that checks its
// tokens (tests/support/oauth_fixture.sh): both flows of tarnwick-check --sign-in, then checks
// and listings by IMAP and POP3, a renewed access token and a revoked sign-in.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <functional>
#include <nlohmann/json.hpp>
#include <sstream>
#include <thread>

#include "auth/http_client.h"
#include "auth/oauth_token.h"
#include "auth/sasl.h"
#include "check/push_recorder.h"
#include "cli/commands.h"
#include "cli/list_mailbox.h"
#include "cli/sign_in_command.h"
#include "settings/settings.h"
#include "support/mail_fixture.h"
#include "support/oauth_fixture.h"
#include "support/temp_folder.h"

using ::testing::HasSubstr;

namespace {

// Hands what was written so far to `onFlush` at every flush (std::endl).
class FlushWatcher : public std::stringbuf {
public:
    explicit FlushWatcher(std::function<void(const std::string&)> onFlush)
        : onFlush_(std::move(onFlush)) {}

protected:
    int sync() override {
        onFlush_(str());
        return 0;
    }

private:
    std::function<void(const std::string&)> onFlush_;
};

// A control request to the authorization server; its count of the user's token requests.
int Control(const std::string& action, const FormFields& fields = {}) {
    const HttpReply reply = PostForm(AuthServerAddress() + "/control/" + action, fields);
    return nlohmann::json::parse(reply.body).at("token_requests").get<int>();
}

std::string After(const std::string& text, const std::string& marker) {
    const std::size_t at = text.find(marker);
    if (at == std::string::npos) return {};
    const std::size_t start = at + marker.size();
    return text.substr(start, text.find_first_of(" \n", start) - start);
}

class SignInTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (!DovecotAvailable()) GTEST_SKIP() << "the sign-in fixture is not running";
        TrustFixtureAuthority();
        user_ = AddMailUser("oauth");
        AddMessage(user_, MakeMessage("Token mail", "a@b.example", "hello"));
    }

    // The user's IMAP account on the TLS listener, or on `listener` of POP3.
    AccountSettings Account(MailProtocol protocol, Listener listener = Listener::Tls) {
        AccountSettings account = protocol == MailProtocol::Imap ? ImapAccountFor(user_, listener)
                                                                 : AccountFor(user_, listener);
        account.password.clear();
        account.auth = AuthMethod::OAuth2;
        account.oauthProvider = "custom";
        return account;
    }

    void Save(const AccountSettings& account, bool withDevice) {
        SettingsValues settings;
        settings.accounts.push_back(AccountEntry{true, account, 0});
        SaveSettings(settings);
        UseTestAuthServer(account, withDevice);
    }

    // tarnwick-check --sign-in with the device code, the code entered as soon as it is shown.
    int SignInWithDevice(const AccountSettings& account) {
        bool approved = false;
        FlushWatcher watcher([&](const std::string& text) {
            const std::string code = After(text, "enter the code ");
            if (approved || code.empty()) return;
            approved = true;
            Control("approve", {{"user_code", code}, {"user", user_.name}});
        });
        std::ostream out(&watcher);
        std::ostringstream err;
        const InterruptSignal interrupt;
        const int status = SignInFromTerminal(account.email, out, err, interrupt);
        EXPECT_TRUE(approved) << watcher.str();
        EXPECT_EQ(err.str(), "");
        return status;
    }

    // The account's line of tarnwick-check: address, count, change, "OK" or the error.
    std::string CheckLine() {
        std::ostringstream out;
        CheckAllAccounts(out);
        return out.str();
    }

    void ExpectChecked(const AccountSettings& account) {
        const std::string line = CheckLine();
        EXPECT_THAT(line, ::testing::StartsWith(account.email + "\t1\t")) << line;
        EXPECT_THAT(line, ::testing::EndsWith("\tOK\n"));
    }

    std::string ListOutput(const AccountSettings& account) {
        std::ostringstream out;
        std::ostringstream err;
        EXPECT_EQ(ListMailbox(account.email, out, err), 0) << err.str();
        return out.str();
    }

    MailUser user_;
    TempFolder folder_{"signin"};
    ProgramFolderScope scope_{folder_.Path()};
};

TEST_F(SignInTest, DeviceCodeSignInThenImapAndPop3CheckAndList) {
    AccountSettings account = Account(MailProtocol::Imap);
    Save(account, true);
    ASSERT_EQ(SignInWithDevice(account), 0);
    EXPECT_THAT(OpenSettings()->ReadString(AccountSection(account), "OAUTH_REFRESH", ""),
                ::testing::Not(""));
    ExpectChecked(account);
    EXPECT_THAT(ListOutput(account), HasSubstr("Token mail"));

    // The same section on POP3 keeps its sign-in: the refresh token gives a new access token.
    SharedTokenCache().Forget(AccountSection(account));
    const int before = Control("stats", {{"user", user_.name}});
    SettingsValues stored;
    LoadSettings(stored);
    account = stored.accounts.at(0).params;  // with its refresh token
    account.protocol = MailProtocol::Pop3;
    account.port = Dovecot().tlsPort;
    Save(account, true);
    ExpectChecked(account);
    EXPECT_THAT(ListOutput(account), HasSubstr("Token mail"));
    EXPECT_EQ(Control("stats", {{"user", user_.name}}), before + 1);
}

TEST_F(SignInTest, BrowserSignInComesBackToTheLoopbackListener) {
    const AccountSettings account = Account(MailProtocol::Imap, Listener::StartTls);
    Save(account, false);
    std::thread browser;
    std::string page;
    FlushWatcher watcher([&](const std::string& text) {
        const std::size_t at = text.find(AuthServerAddress() + "/authorize?");
        if (browser.joinable() || at == std::string::npos) return;
        const std::string url = text.substr(at, text.find('\n', at) - at);
        EXPECT_THAT(url, HasSubstr("code_challenge_method=S256"));
        EXPECT_THAT(url, HasSubstr("redirect_uri=http%3A%2F%2F127.0.0.1%3A"));
        browser = std::thread([url, &page] { page = PostForm(url, {}).body; });
    });
    std::ostream out(&watcher);
    std::ostringstream err;
    const InterruptSignal interrupt;
    EXPECT_EQ(SignInFromTerminal(account.email, out, err, interrupt), 0) << err.str();
    ASSERT_TRUE(browser.joinable());
    browser.join();
    EXPECT_THAT(page, HasSubstr("You can close this tab"));
    ExpectChecked(account);
}

TEST_F(SignInTest, RefusedCachedTokenIsRenewedOnceAndARevokedSignInAsksForANewOne) {
    const AccountSettings account = Account(MailProtocol::Imap);
    Save(account, true);
    ASSERT_EQ(SignInWithDevice(account), 0);
    int requests = Control("expire", {{"user", user_.name}});
    ExpectChecked(account);
    EXPECT_EQ(Control("stats", {{"user", user_.name}}), requests + 1);

    requests = Control("revoke", {{"user", user_.name}});
    EXPECT_THAT(CheckLine(), ::testing::EndsWith("\t" + SignInAgainText() + "\n"));
    EXPECT_EQ(Control("stats", {{"user", user_.name}}), requests + 1);
}

TEST_F(SignInTest, PushLogsInAgainWithAFreshTokenBeforeItsTokenExpires) {
    Save(Account(MailProtocol::Imap), true);
    ASSERT_EQ(SignInWithDevice(Account(MailProtocol::Imap)), 0);
    SettingsValues stored;
    LoadSettings(stored);
    const AccountSettings account = stored.accounts.at(0).params;  // with its refresh token
    const std::string section = AccountSection(account);
    // A token with a minute and two seconds left: due for renewal in two seconds.
    SharedTokenCache().Keep(section,
                            {*SharedTokenCache().Valid(section), "", std::chrono::seconds(62)});
    const int requests = Control("stats", {{"user", user_.name}});
    Watch watch(account, {});
    EXPECT_EQ(watch.Next(std::chrono::seconds(10)), PushEvent::Up);
    EXPECT_EQ(watch.Next(std::chrono::seconds(10)), PushEvent::Changed);
    EXPECT_EQ(watch.Stop(), PushEnd::Interrupted);
    EXPECT_EQ(Control("stats", {{"user", user_.name}}), requests + 1);
}

TEST_F(SignInTest, NoTokenTravelsWithoutTls) {
    AccountSettings account = Account(MailProtocol::Pop3, Listener::Plain);
    Save(account, true);
    ASSERT_EQ(SignInWithDevice(account), 0);
    EXPECT_THAT(CheckLine(), HasSubstr(kOAuthNeedsTls));
    account = Account(MailProtocol::Imap, Listener::Plain);
    Save(account, true);
    EXPECT_THAT(CheckLine(), HasSubstr(kOAuthNeedsTls));
}

}  // namespace
