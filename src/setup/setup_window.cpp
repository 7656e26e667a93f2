#include "setup/setup_window.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QScreen>
#include <QSpinBox>
#include <QToolButton>
#include <algorithm>

#include "auth/oauth_config.h"
#include "platform/autorun.h"
#include "settings/account_list.h"
#include "settings/keyring.h"
#include "settings/language.h"
#include "settings/settings.h"
#include "settings/text_utils.h"
#include "state/app_state.h"
#include "widgets/form_style.h"
#include "widgets/help.h"
#include "widgets/message_box.h"
#include "widgets/ui_text.h"
#include "widgets/window_registry.h"

namespace {

constexpr int kSetupHelpTopic = 300;
constexpr int kDefaultPort = 110;

}  // namespace

SetupWindow::SetupWindow(AppState& state)
    : ChildWindow(WindowKind::Setup, Qt::Tool | Qt::WindowStaysOnTopHint | Qt::CustomizeWindowHint |
                                         Qt::WindowTitleHint | Qt::WindowCloseButtonHint),
      state_(state) {
    setObjectName(QStringLiteral("popSetupWindow"));
    setAutoFillBackground(true);
    QPalette palette = this->palette();
    palette.setColor(QPalette::Window, kFieldColour);
    setPalette(palette);
    QFont small = font();
    small.setPointSize(8);
    setFont(small);
    BuildLayout();
    WatchFocusableControls();
    ConnectHandlers();
    ShowStoredValues();
}

bool SetupWindow::IsAccountValid() const {
    if (ShowsOnlineAccount()) return HasText(FromQt(emailEdit_->text()));
    return HasText(FromQt(emailEdit_->text())) && HasText(FromQt(serverBox_->currentText())) &&
           HasText(FromQt(userEdit_->text())) && !portBox_->cleanText().isEmpty() &&
           portBox_->value() > 0;
}

int SetupWindow::SelectedIndex() const {
    const QList<QListWidgetItem*> selected = accountList_->selectedItems();
    return selected.isEmpty() ? -1 : accountList_->row(selected.first());
}

void SetupWindow::SetSaveButtonsEnabled(bool enabled) {
    for (QToolButton* save : {saveFieldsButton_, saveListButton_, saveAllButton_})
        save->setEnabled(enabled);
}

void SetupWindow::UpdateControls() {
    securityBox_->setEnabled(state_.TlsAvailable());
    if (!securityBox_->isEnabled()) ShowSecurity(ConnectionSecurity::None);
    const bool hasEntries = accountList_->count() > 0;
    editButton_->setEnabled(hasEntries);
    SetSaveButtonsEnabled(IsAccountValid());
    const int selected = SelectedIndex();
    deleteButton_->setEnabled(saveFieldsButton_->isEnabled() && hasEntries && selected >= 0 &&
                              selected < accountList_->count());
    UpdateSignInControls();  // the password field and the APOP box follow the choice too
    UpdateManagedControls();
    UpdateFolderButton();
}

void SetupWindow::ClearFields() {
    ClearWithLimit(emailEdit_, kMailMaxLength);
    serverBox_->setEditText(QString());
    ClearWithLimit(userEdit_, kUserMaxLength);
    ClearWithLimit(passwordEdit_, kPasswordMaxLength);
    ShownPassword(AccountSettings{});  // no keyring hint on an empty field
    portBox_->setValue(kDefaultPort);
    ShowProtocol(MailProtocol::Pop3);  // whose usual port that is
    apopBox_->setChecked(false);
    ShowSignIn(AccountSettings{});
}

void SetupWindow::ShowAccount(int index) {
    if (index < 0 || static_cast<std::size_t>(index) >= state_.Accounts().size()) return;
    const AccountSettings& params = state_.Accounts()[static_cast<std::size_t>(index)].params;
    ShowWhole(emailEdit_, ToQt(params.email), kMailMaxLength);
    serverBox_->setEditText(ToQt(params.host));
    ShowWhole(userEdit_, ToQt(params.username), kUserMaxLength);
    // An account signed in with its provider keeps a token, which the password field never shows.
    ShowWhole(passwordEdit_, params.UsesOAuth() ? QString() : ShownPassword(params),
              kPasswordMaxLength);
    keyringBox_->setChecked(params.passwordStore == PasswordStore::Keyring);
    portBox_->setValue(params.port);
    apopBox_->setChecked(params.secureLogin);
    ShowProtocol(params.protocol);
    ShowSecurity(state_.TlsAvailable() ? SecurityOf(params) : ConnectionSecurity::None);
    ShowSignIn(params);
    if (params.FromOnlineAccounts()) {
        ShowOnlineAccountServer(params);
        ListOnlineAccountsLater();  // the service's server may have changed meanwhile
    }
}

ConnectionSecurity SetupWindow::ChosenSecurity() const {
    if (!state_.TlsAvailable()) return ConnectionSecurity::None;
    return static_cast<ConnectionSecurity>(std::clamp(securityBox_->currentIndex(), 0, 2));
}

void SetupWindow::ShowSecurity(ConnectionSecurity security) {
    const QSignalBlocker quiet(securityBox_);
    securityBox_->setCurrentIndex(static_cast<int>(security));
}

MailProtocol SetupWindow::ChosenProtocol() const {
    return protocolBox_->currentIndex() == 1 ? MailProtocol::Imap : MailProtocol::Pop3;
}

void SetupWindow::ShowProtocol(MailProtocol protocol) {
    const QSignalBlocker quiet(protocolBox_);
    protocolBox_->setCurrentIndex(protocol == MailProtocol::Imap ? 1 : 0);
}

// The user's choice proposes its usual port while the port box holds another default.
void SetupWindow::OnSecurityChanged() {
    portBox_->setValue(ProposedPort(ChosenProtocol(), ChosenSecurity(), portBox_->value()));
    OnFieldEdited();
}

void SetupWindow::OnProtocolChanged() {
    OnSecurityChanged();
}

// Showing an account counts as an edit: the save buttons follow what the fields now hold.
void SetupWindow::LoadChosenAccount() {
    ClearFields();
    ShowAccount(SelectedIndex());
    UpdateControls();
}

// The list never loses its selection to the mouse or the keyboard (a click beside the entries,
// Ctrl with a click): the account shown in the fields, and the edits made there, stay.
void SetupWindow::OnAccountSelectionChanged() {
    if (SelectedIndex() < 0 && accountList_->currentItem() != nullptr) {
        const QSignalBlocker quiet(accountList_);
        accountList_->currentItem()->setSelected(true);
        return;
    }
    LoadChosenAccount();
}

void SetupWindow::OnFieldEdited() {
    UpdateControls();
}

void SetupWindow::AddAccount() {
    {
        const QSignalBlocker quiet(accountList_);
        accountList_->clearSelection();
        accountList_->setCurrentRow(-1);
    }
    ClearFields();
    keyringBox_->setChecked(DesktopKeyring().Present());
    UpdateControls();
    emailEdit_->setFocus();
}

void SetupWindow::EditAccount() {
    emailEdit_->setFocus();
}

void SetupWindow::onDeleteAccountClicked() {
    const int selected = SelectedIndex();
    if (selected < 0) return;
    if (!AskYesNo(this, Text("delete_account_dialog_title"), Text("delete_account_dialog"))) return;
    {
        const QSignalBlocker quiet(accountList_);
        delete accountList_->takeItem(selected);
        accountList_->clearSelection();
        accountList_->setCurrentRow(-1);
    }
    std::optional<AccountSettings> removed;
    if (static_cast<std::size_t>(selected) < state_.Accounts().size())
        removed = state_.Accounts()[static_cast<std::size_t>(selected)].params;
    if (std::vector<AccountEntry> accounts = state_.Accounts(); RemoveAccount(accounts, selected)) {
        state_.SaveAccounts(std::move(accounts));
        if (removed->passwordStore == PasswordStore::Keyring) DesktopKeyring().Remove(*removed);
    }
    UpdateControls();
    SetSaveButtonsEnabled(false);
    UpdateOnlineAccountsEntry();  // a deleted one of them can be added again
}

void SetupWindow::SaveSettings() {
    accountList_->setFocus();
    if (!IsAccountValid()) return;
    const int selected = SelectedIndex();
    std::optional<AccountSettings> before;
    if (selected >= 0 && static_cast<std::size_t>(selected) < state_.Accounts().size())
        before = state_.Accounts()[static_cast<std::size_t>(selected)].params;
    AccountSettings place;
    place.host = FromQt(serverBox_->currentText());
    place.username = FromQt(userEdit_->text());
    if (before && before->FromOnlineAccounts()) place = *before;  // its id names its section
    if (const int other = AccountSharingSection(state_.Accounts(), place, selected); other >= 0) {
        ShowMessageBox(this, Text("save_setings_dialog_title"),
                       Text("same_server_and_user") + QStringLiteral("\n") +
                           ToQt(state_.Accounts()[static_cast<std::size_t>(other)].params.email),
                       QMessageBox::Warning);
        return;
    }
    {
        const QSignalBlocker quiet(accountList_);
        if (!before) {
            accountList_->setCurrentItem(AppendListEntry(emailEdit_->text(), true));
        } else {
            accountList_->item(selected)->setText(emailEdit_->text());
        }
    }
    // From the stored account, so that what the window does not show (the folder) stays.
    AccountSettings params =
        selected >= 0 && static_cast<std::size_t>(selected) < state_.Accounts().size()
            ? state_.Accounts()[static_cast<std::size_t>(selected)].params
            : AccountSettings{};
    params.email = FromQt(emailEdit_->text());
    params.host = FromQt(serverBox_->currentText());
    params.username = FromQt(userEdit_->text());
    const bool wasOAuth = params.UsesOAuth();
    params.auth = ChosenOAuth() ? AuthMethod::OAuth2 : AuthMethod::Password;
    if (params.UsesOAuth() && params.oauthProvider.empty())
        params.oauthProvider = ProviderForServer(params.host);
    // A keyring that would not give the password keeps it, unless a new one was typed.
    // Otherwise the typed or shown password is saved into the file first and then moved where
    // the keyring box says. A sign-in's token stays where it is while the box stays ticked.
    bool keepInKeyring = passwordUnread_ && !passwordEdit_->isModified();
    if (params.UsesOAuth() && wasOAuth) {
        keepInKeyring = params.passwordStore == PasswordStore::Keyring && keyringBox_->isChecked();
        if (params.passwordStore == PasswordStore::Keyring && !keepInKeyring) {
            const KeyringAnswer stored = DesktopKeyring().Read(params);
            params.password = stored.Ok() ? stored.password : std::string();
        }
    } else {
        params.password = params.UsesOAuth() ? std::string() : FromQt(passwordEdit_->text());
    }
    params.passwordStore = keepInKeyring ? PasswordStore::Keyring : PasswordStore::File;
    params.port = portBox_->value();
    params.secureLogin = apopBox_->isChecked();
    params.protocol = ChosenProtocol();
    SetSecurity(params, ChosenSecurity());
    // Online Accounts keeps such an account's server and sign-in: only its address is ours.
    if (before && before->FromOnlineAccounts()) {
        std::string email = std::move(params.email);
        params = *before;
        params.email = std::move(email);
    }

    std::vector<bool> ticked;
    for (int row = 0; row < accountList_->count(); ++row)
        ticked.push_back(accountList_->item(row)->checkState() == Qt::Checked);
    std::vector<AccountEntry> accounts = state_.Accounts();
    const std::size_t saved = StoreEditedAccount(accounts, selected, params, ticked);

    state_.SetAutorun(autostartBox_->isChecked());
    state_.SetPlayWave(soundBox_->isChecked());
    state_.SetShowAdvert(tipsBox_->isChecked());
    state_.SetDesktopNotification(notificationBox_->currentIndex() == 1);
    state_.SaveAccounts(std::move(accounts));
    SettlePassword(saved, before, keepInKeyring);

    switch (AutorunChangeFor(state_.Autorun(), initialAutorun)) {
        case AutorunChange::Add:
            AddAutorun();
            break;
        case AutorunChange::Remove:
            RemoveAutorun();
            break;
        case AutorunChange::None:
            break;
    }
    initialAutorun = state_.Autorun();
    UpdateControls();
    SetSaveButtonsEnabled(false);
    Q_EMIT Requests().settingsSaved();
}

void SetupWindow::CloseWindow() {
    if (saveFieldsButton_->isEnabled() &&
        ShowMessageBox(this, Text("save_setings_dialog_title"), Text("save_setings_dialog"),
                       QMessageBox::Question, QMessageBox::Yes | QMessageBox::No,
                       QMessageBox::Yes) == QMessageBox::Yes)
        SaveSettings();
    close();
}

void SetupWindow::ShowHelp(QWidget* helpControl) {
    ShowHelpTopic(kSetupHelpTopic + HelpOffset(helpControl));
}

void SetupWindow::OnActivated() {
    if (accountList_->count() == 0) emailEdit_->setFocus();
}

void ShowSetupWindow(AppState& state) {
    OpenOrRaise(
        WindowKind::Setup, [&state] { return new SetupWindow(state); }, Placement::ScreenCentre);
}
