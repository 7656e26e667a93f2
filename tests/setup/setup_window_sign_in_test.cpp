// The setup window signs an account in with its provider: the tests' authorization server
// plays the browser (the desktop's opener is replaced), and the Dovecot of the sign-in fixture
// then takes the token.
#include <QDesktopServices>
#include <QLabel>
#include <QUrl>
#include <sstream>
#include <thread>

#include "auth/http_client.h"
#include "cli/commands.h"
#include "setup_window_fixture.h"
#include "support/mail_fixture.h"
#include "support/oauth_fixture.h"
#include "widgets/ui_text.h"

namespace {

// Opens http addresses as a browser would: by asking for them (on a thread of its own, as the
// answer needs the window's sign-in to go on).
class FakeBrowser : public QObject {
    Q_OBJECT
public:
    ~FakeBrowser() override {
        for (std::thread& visit : visits_) visit.join();
    }
    int Visits() const { return static_cast<int>(visits_.size()); }

public Q_SLOTS:
    void open(const QUrl& url) {
        visits_.emplace_back([address = url.toString().toStdString()] { PostForm(address, {}); });
    }

private:
    std::vector<std::thread> visits_;
};

class SetupSignInTest : public SetupWindowTest {
protected:
    void SetUp() override {
        setenv("TARNWICK_DOVECOT_DIR", TARNWICK_OAUTH_DOVECOT_DIR, 1);
        if (!DovecotAvailable()) GTEST_SKIP() << "the sign-in fixture is not running";
        SetupWindowTest::SetUp();
        TrustFixtureAuthority();
        QDesktopServices::setUrlHandler(QStringLiteral("http"), &browser_, "open");
    }
    void TearDown() override {
        QDesktopServices::unsetUrlHandler(QStringLiteral("http"));
        SetupWindowTest::TearDown();
    }

    FakeBrowser browser_;
};

TEST_F(SetupSignInTest, SignInButtonRunsTheBrowserFlowAndTheCheckThenLogsIn) {
    const MailUser user = AddMailUser("winoauth");
    AccountEntry entry{true, ImapAccountFor(user, Listener::Tls), 0};
    entry.params.password.clear();
    entry.params.auth = AuthMethod::OAuth2;
    entry.params.oauthProvider = "custom";
    Store({entry});
    UseTestAuthServer(entry.params, false);

    Open();
    auto* state = window->findChild<QLabel*>(QStringLiteral("sign_in_state"));
    auto* button = window->findChild<QToolButton*>(QStringLiteral("bsign_in"));
    ASSERT_TRUE(state && button);
    EXPECT_EQ(window->findChild<QComboBox*>(QStringLiteral("pop_auth"))->currentIndex(), 1);
    EXPECT_FALSE(window->findChild<QLineEdit*>(QStringLiteral("pop_password"))->isEnabled());
    EXPECT_EQ(state->text(), Text("sign_in_needed_setup"));

    button->click();
    for (int i = 0; i < 200 && state->text() != Text("signed_in_setup"); ++i) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    EXPECT_EQ(state->text(), Text("signed_in_setup")) << state->toolTip().toStdString();
    EXPECT_EQ(browser_.Visits(), 1);
    EXPECT_FALSE(ProgramState().accounts.at(0).params.password.empty());

    std::ostringstream out;
    EXPECT_EQ(CheckAllAccounts(out), kExitOk) << out.str();
}

}  // namespace

#include "setup_window_sign_in_test.moc"
