// The setup window's accounts from GNOME Online Accounts: the entry that adds one of the
// service's mail accounts, and the fields of such an account, which show what the service has
// and cannot be edited. The service is asked on a worker thread; the answer comes back queued.

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPointer>
#include <QSpinBox>
#include <QThread>
#include <QToolButton>

#include "engine/worker_threads.h"
#include "settings/account_list.h"
#include "setup/setup_window.h"
#include "state/app_state.h"
#include "widgets/form_style.h"
#include "widgets/ui_text.h"
#include "widgets/window_registry.h"

namespace {

// The service's mail accounts, or why it could not be asked.
struct OnlineListing {
    std::vector<OnlineAccount> accounts;
    std::string error;
};

OnlineListing ListForWindow() {
    try {
        return {ListOnlineAccounts(), {}};
    } catch (const std::exception& error) {
        return {{}, error.what()};
    }
}

}  // namespace

// The entry sits below the list's buttons, shown while the service has accounts to add.
void SetupWindow::BuildOnlineAccountsRow(QGridLayout* grid, QGroupBox* group, int row) {
    onlineButton_ = Named(new QToolButton(group), "bgoa");
    onlineButton_->setText(Text("goa_add_setup"));
    onlineButton_->setToolButtonStyle(Qt::ToolButtonTextOnly);
    onlineButton_->setPopupMode(QToolButton::InstantPopup);
    onlineButton_->setFocusPolicy(Qt::TabFocus);
    onlineMenu_ = new QMenu(onlineButton_);
    onlineButton_->setMenu(onlineMenu_);
    grid->addWidget(onlineButton_, row, 0, 1, 2, Qt::AlignLeft);
}

// In the row of the sign-in choice, which such an account does not have.
void SetupWindow::BuildManagedLabel(QGridLayout* grid, QGroupBox* group, int row) {
    managedLabel_ = Named(new QLabel(Text("goa_managed_setup"), group), "goa_managed");
    // The columns keep their widths whichever of the two the row shows.
    QSizePolicy kept = authBox_->sizePolicy();
    kept.setRetainSizeWhenHidden(true);
    authBox_->setSizePolicy(kept);
    grid->addWidget(managedLabel_, row, 0, 1, 3);
}

void SetupWindow::ListOnlineAccountsLater() {
    if (onlineListing_) return;
    onlineListing_ = true;
    const QPointer<SetupWindow> window(this);
    QThread* thread = QThread::create([window] {
        OnlineListing listing = ListForWindow();
        QMetaObject::invokeMethod(
            qApp,
            [window, listing = std::move(listing)]() mutable {
                if (window)
                    window->OnOnlineAccountsListed(std::move(listing.accounts), listing.error);
            },
            Qt::QueuedConnection);
    });
    thread->start();
    // Each call of the listing ends within its limit: there is nothing to interrupt.
    AdoptWorkerThread(thread, [] {});
}

void SetupWindow::OnOnlineAccountsListed(std::vector<OnlineAccount> accounts,
                                         const std::string& error) {
    onlineListing_ = false;
    onlineAccounts_ = std::move(accounts);
    managedLabel_->setToolTip(ToQt(error));
    UpdateOnlineAccountsEntry();
    if (ShowsOnlineAccount())
        ShowOnlineAccountServer(state_.accounts[static_cast<std::size_t>(SelectedIndex())].params);
}

void SetupWindow::UpdateOnlineAccountsEntry() {
    onlineMenu_->clear();
    for (const OnlineAccount& online : AddableOnlineAccounts(onlineAccounts_, state_.accounts)) {
        QString name = ToQt(online.email);
        if (!online.provider.empty()) name += QStringLiteral(" (%1)").arg(ToQt(online.provider));
        connect(onlineMenu_->addAction(name), &QAction::triggered, this,
                [this, online] { AddOnlineAccount(online); });
    }
    onlineButton_->setVisible(!onlineMenu_->isEmpty());
}

// Added and written at once, as the command line adds it; the list then shows it.
void SetupWindow::AddOnlineAccount(const OnlineAccount& online) {
    state_.accounts.push_back(AccountEntry{true, OnlineAccountSettings(online), 0});
    state_.SaveSettings();
    {
        const QSignalBlocker quiet(accountList_);
        accountList_->setCurrentItem(AppendListEntry(ToQt(online.email), true));
    }
    LoadChosenAccount();
    SetSaveButtonsEnabled(false);
    UpdateOnlineAccountsEntry();
    Q_EMIT Requests().settingsSaved();
}

bool SetupWindow::ShowsOnlineAccount() const {
    const int selected = SelectedIndex();
    return selected >= 0 && static_cast<std::size_t>(selected) < state_.accounts.size() &&
           state_.accounts[static_cast<std::size_t>(selected)].params.FromOnlineAccounts();
}

// The server as the service last described it, or empty fields until it does. Not an edit: the
// save buttons stay as they are.
void SetupWindow::ShowOnlineAccountServer(const AccountSettings& params) {
    const auto listed = std::find_if(
        onlineAccounts_.begin(), onlineAccounts_.end(),
        [&params](const OnlineAccount& online) { return online.id == params.onlineAccount; });
    const QSignalBlocker quietServer(serverBox_);
    const QSignalBlocker quietPort(portBox_);
    const QSignalBlocker quietUser(userEdit_);
    const QSignalBlocker quietPassword(passwordEdit_);
    passwordEdit_->clear();
    ShowProtocol(MailProtocol::Imap);
    if (listed == onlineAccounts_.end()) {
        serverBox_->setEditText(QString());
        portBox_->clear();
        userEdit_->clear();
        const QSignalBlocker quietSecurity(securityBox_);
        securityBox_->setCurrentIndex(-1);
        return;
    }
    serverBox_->setEditText(ToQt(listed->host));
    portBox_->setValue(listed->port);
    ShowWhole(userEdit_, ToQt(listed->username), kUserMaxLength);
    // Not edited, so shown from their start.
    serverBox_->lineEdit()->setCursorPosition(0);
    userEdit_->setCursorPosition(0);
    ShowSecurity(listed->ssl        ? ConnectionSecurity::Tls
                 : listed->startTls ? ConnectionSecurity::StartTls
                                    : ConnectionSecurity::None);
}

// Such an account's server, user, sign-in and connection are the service's: shown, not edited.
void SetupWindow::UpdateManagedControls() {
    const bool managed = ShowsOnlineAccount();
    for (QLineEdit* edit : {userEdit_, passwordEdit_}) edit->setReadOnly(managed);
    portBox_->setReadOnly(managed);
    for (QWidget* control : std::initializer_list<QWidget*>{serverBox_, protocolBox_, keyringBox_})
        control->setEnabled(!managed);
    if (managed) {
        securityBox_->setEnabled(false);
        apopBox_->setEnabled(false);
    }
    managedLabel_->setVisible(managed);
    authBox_->setVisible(!managed);
    if (managed) {
        signInButton_->setVisible(false);
        signInState_->setVisible(false);
    }
}

QListWidgetItem* SetupWindow::AppendListEntry(const QString& email, bool enabled) {
    auto* entry = new QListWidgetItem(email, accountList_);
    entry->setFlags(entry->flags() | Qt::ItemIsUserCheckable);
    entry->setCheckState(enabled ? Qt::Checked : Qt::Unchecked);
    return entry;
}
