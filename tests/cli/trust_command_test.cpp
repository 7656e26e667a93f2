// tarnwick-check --trust: a self-signed server trusted from the command line.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <sstream>

#include "cli/commands.h"
#include "cli/trust_server.h"
#include "session/pop3_session.h"
#include "settings/settings.h"
#include "support/mail_fixture.h"
#include "support/scripted_server.h"
#include "support/temp_folder.h"

using ::testing::HasSubstr;
using ::testing::MatchesRegex;

namespace {

constexpr const char* kLogin =
    "S: +OK hi\nC: CAPA\nS: -ERR\nC: USER bob\nS: +OK\nC: PASS secret\nS: +OK\nC: STAT\nS: +OK 2 "
    "20\nC: QUIT";

class TrustCommandTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (!DovecotAvailable()) GTEST_SKIP() << "the Dovecot fixture is not running";
        server_ = std::make_unique<ScriptedServer>(kLogin, Dovecot().selfSignedCert,
                                                   Dovecot().selfSignedKey);
        account_.email = "self@test.example";
        account_.host = "localhost";
        account_.port = server_->Port();
        account_.username = "bob";
        account_.password = "secret";
        account_.ssl = true;
        SettingsValues settings;
        settings.accounts.push_back(AccountEntry{true, account_, 0});
        SaveSettings(settings);
    }

    std::string Pin() {
        return OpenSettings()->ReadString(AccountSection(account_), "SSL_PIN", "");
    }

    int Trust(const std::string& answer, bool interactive = true) {
        std::istringstream in(answer);
        return TrustServer(account_.email, {false, interactive, &in}, out_, err_);
    }

    TempFolder folder_{"trust"};
    ProgramFolderScope scope_{folder_.Path()};
    std::unique_ptr<ScriptedServer> server_;
    AccountSettings account_;
    std::ostringstream out_;
    std::ostringstream err_;
};

}  // namespace

TEST_F(TrustCommandTest, YesStoresThePinAndTheServerIsAcceptedFromThenOn) {
    EXPECT_EQ(RunCommandLine({"--trust", account_.email, "--yes"}, out_, err_), 0) << err_.str();
    EXPECT_THAT(Pin(), MatchesRegex("sha256:[0-9a-f]{64}"));
    EXPECT_THAT(out_.str(), HasSubstr(Pin()));
    EXPECT_THAT(out_.str(), HasSubstr("self-signed"));
    EXPECT_THAT(out_.str(), HasSubstr("CN = localhost"));

    auto session = OpenSession(account_, {true, nullptr, {}});
    EXPECT_TRUE(session->IsConnected());
    EXPECT_EQ(session->messageCount, 2);
    EndSession(session);
    // Trusted now: nothing left to trust.
    std::ostringstream out;
    std::ostringstream err;
    EXPECT_EQ(RunCommandLine({"--trust", "--yes", account_.email}, out, err), 1);
    EXPECT_EQ(server_->Problems(), "");
}

TEST_F(TrustCommandTest, OnATerminalOnlyYStores) {
    EXPECT_EQ(Trust("\n"), 1);
    EXPECT_EQ(Trust("no\n"), 1);
    EXPECT_EQ(Pin(), "");
    EXPECT_THAT(out_.str(), HasSubstr("[y/N]"));
    EXPECT_EQ(Trust(" Y \n"), 0);
    EXPECT_FALSE(Pin().empty());
}

TEST_F(TrustCommandTest, WithoutATerminalOrACertificateProblemNothingIsStored) {
    EXPECT_EQ(Trust("y\n", false), 1);
    EXPECT_THAT(out_.str(), HasSubstr("Not stored"));
    EXPECT_EQ(Pin(), "");

    account_ = AccountFor(AddMailUser("trustplain"));  // no TLS: no certificate
    SettingsValues settings;
    settings.accounts.push_back(AccountEntry{true, account_, 0});
    SaveSettings(settings);
    EXPECT_EQ(RunCommandLine({"--trust", account_.email, "--yes"}, out_, err_), 1);
    EXPECT_EQ(Pin(), "");
    EXPECT_EQ(RunCommandLine({"--trust", "nobody@test.example"}, out_, err_), 1);
    EXPECT_EQ(RunCommandLine({"--trust"}, out_, err_), 2);
    EXPECT_EQ(RunCommandLine({"--trust", "--yes"}, out_, err_), 2);
}

TEST_F(TrustCommandTest, ImapAccountsAreTrustedTheSameWay) {
    ScriptedServer imap(
        "S: * OK [CAPABILITY IMAP4rev1 AUTH=PLAIN SASL-IR] hi\n"
        "C: a1 AUTHENTICATE PLAIN AGJvYgBzZWNyZXQ=\nS: a1 OK in\nC: a2 LOGOUT",
        Dovecot().selfSignedCert, Dovecot().selfSignedKey);
    account_.email = "imap@test.example";
    account_.port = imap.Port();
    account_.protocol = MailProtocol::Imap;
    SettingsValues settings;
    settings.accounts.push_back(AccountEntry{true, account_, 0});
    SaveSettings(settings);
    EXPECT_EQ(RunCommandLine({"--trust", account_.email, "--yes"}, out_, err_), 0) << err_.str();
    EXPECT_THAT(Pin(), MatchesRegex("sha256:[0-9a-f]{64}"));
    std::ostringstream out;
    std::ostringstream err;
    EXPECT_EQ(RunCommandLine({"--trust", account_.email}, out, err), 1);
    EXPECT_THAT(err.str(), HasSubstr("trusted already"));
    EXPECT_EQ(imap.Problems(), "");
}
