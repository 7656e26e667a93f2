// The setup window's sign-in with the provider: the choice between the password and the
// provider, the "Sign in…" button and the account's sign-in state. The browser flow runs on a
// worker thread; the browser opens through the desktop, and the outcome comes back queued.

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDesktopServices>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QThread>
#include <QToolButton>
#include <QUrl>

#include "auth/sign_in.h"
#include "engine/worker_threads.h"
#include "settings/settings.h"
#include "setup/setup_window.h"
#include "state/app_state.h"
#include "widgets/form_style.h"
#include "widgets/ui_text.h"

namespace {

// What the worker hands back: the stored refresh token (for an account that keeps it in the
// file), or why the sign-in failed.
struct SignInOutcome {
    bool ok = false;
    std::string refreshToken;
    std::string error;
};

SignInOutcome RunBrowserSignIn(AccountSettings account, const InterruptSignal& interrupt) {
    SignInOutcome outcome;
    try {
        const OAuthConfig config = ResolveOAuthConfig(account, *OpenSettings());
        const TokenGrant grant = SignInWithBrowser(
            config, account.email,
            [](const std::string& url) {
                QMetaObject::invokeMethod(
                    qApp, [address = ToQt(url)] { QDesktopServices::openUrl(QUrl(address)); },
                    Qt::QueuedConnection);
            },
            interrupt);
        KeepSignIn(account, grant, DesktopKeyring());
        outcome.ok = true;
        if (account.passwordStore == PasswordStore::File) outcome.refreshToken = account.password;
    } catch (const std::exception& error) {
        outcome.error = error.what();
    }
    return outcome;
}

}  // namespace

// The choice between the password and the provider's sign-in, its button and its state, in two
// rows of the field group's grid from `row` on.
void SetupWindow::BuildSignInRows(QGridLayout* grid, QGroupBox* group, int row) {
    authBox_ = Named(new QComboBox(group), "pop_auth");
    authBox_->addItems({Text("auth_password_setup"), Text("auth_provider_setup")});
    authBox_->setAccessibleName(Text("auth_provider_setup"));
    SetHelpOffset(authBox_, 5);
    signInButton_ = Named(new QToolButton(group), "bsign_in");
    signInButton_->setText(Text("sign_in_button_setup"));
    signInButton_->setToolButtonStyle(Qt::ToolButtonTextOnly);
    signInState_ = Named(new QLabel(group), "sign_in_state");
    grid->addWidget(authBox_, row, 0);
    grid->addWidget(signInButton_, row, 1, 1, 2);
    grid->addWidget(signInState_, row + 1, 0, 1, 3);
    connect(authBox_, &QComboBox::activated, this, [this] { OnAuthChanged(); });
    connect(signInButton_, &QToolButton::clicked, this, [this] { OnSignInClicked(); });
}

bool SetupWindow::ChosenOAuth() const {
    return authBox_->currentIndex() == 1;
}

void SetupWindow::ShowSignIn(const AccountSettings& params) {
    {
        const QSignalBlocker quiet(authBox_);
        authBox_->setCurrentIndex(params.UsesOAuth() ? 1 : 0);
    }
    bool signedIn = !params.password.empty();
    if (params.UsesOAuth() && params.passwordStore == PasswordStore::Keyring) {
        const KeyringAnswer answer = DesktopKeyring().Read(params);
        signedIn = answer.Ok() && !answer.password.empty();
    }
    signInState_->setText(!params.UsesOAuth() ? QString()
                          : signedIn          ? Text("signed_in_setup")
                                              : Text("sign_in_needed_setup"));
    signInState_->setToolTip(QString());
    UpdateSignInControls();
}

void SetupWindow::UpdateSignInControls() {
    const bool oauth = ChosenOAuth();
    passwordEdit_->setEnabled(!oauth);
    apopBox_->setEnabled(!oauth && ChosenProtocol() == MailProtocol::Pop3);
    signInButton_->setVisible(oauth);
    signInState_->setVisible(oauth);
    signInButton_->setText(signInInterrupt_ ? Text("sign_in_cancel_setup")
                                            : Text("sign_in_button_setup"));
    signInButton_->setEnabled(signInInterrupt_ != nullptr || IsAccountValid());
}

// Choosing the provider for a provider's server fills in its secure port.
void SetupWindow::OnAuthChanged() {
    if (ChosenOAuth() && ChosenSecurity() == ConnectionSecurity::None && state_.tlsAvailable) {
        ShowSecurity(ConnectionSecurity::Tls);
        OnSecurityChanged();
    }
    if (ChosenOAuth() && signInState_->text().isEmpty())
        signInState_->setText(Text("sign_in_needed_setup"));
    OnFieldEdited();
}

void SetupWindow::OnSignInClicked() {
    if (signInInterrupt_) {
        signInInterrupt_->Raise();
        return;
    }
    // The sign-in works on the saved account: its section names the provider's addresses and
    // keeps the token.
    if (saveFieldsButton_->isEnabled()) SaveSettings();
    const int selected = SelectedIndex();
    if (selected < 0 || static_cast<std::size_t>(selected) >= state_.accounts.size()) return;
    const AccountSettings account = state_.accounts[static_cast<std::size_t>(selected)].params;
    if (!account.UsesOAuth()) return;
    signInInterrupt_ = std::make_shared<InterruptSignal>();
    signInState_->setText(Text("sign_in_waiting_setup"));
    signInState_->setToolTip(QString());
    const QPointer<SetupWindow> window(this);
    const std::string section = AccountSection(account);
    QThread* thread = QThread::create([window, account, section, interrupt = signInInterrupt_] {
        SignInOutcome outcome = RunBrowserSignIn(account, *interrupt);
        QMetaObject::invokeMethod(
            qApp,
            [window, section, outcome = std::move(outcome)] {
                if (window)
                    window->OnSignInFinished(section, outcome.ok, outcome.refreshToken,
                                             outcome.error);
            },
            Qt::QueuedConnection);
    });
    thread->start();
    AdoptWorkerThread(thread, [interrupt = signInInterrupt_] { interrupt->Raise(); });
    UpdateSignInControls();
}

void SetupWindow::OnSignInFinished(const std::string& section, bool ok,
                                   const std::string& refreshToken, const std::string& error) {
    signInInterrupt_.reset();
    for (AccountEntry& entry : state_.accounts) {
        if (ok && AccountSection(entry.params) == section &&
            entry.params.passwordStore == PasswordStore::File)
            entry.params.password = refreshToken;
    }
    signInState_->setText(ok ? Text("signed_in_setup") : Text("sign_in_needed_setup"));
    signInState_->setToolTip(ToQt(error));
    if (!ok) signInState_->setText(signInState_->text() + QStringLiteral(": ") + ToQt(error));
    UpdateSignInControls();
}

SetupWindow::~SetupWindow() {
    if (signInInterrupt_) signInInterrupt_->Raise();
}
