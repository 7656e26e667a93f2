#include "setup/setup_window.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QScreen>
#include <QSpinBox>
#include <QToolButton>
#include <algorithm>

#include "platform/autorun.h"
#include "platform/form_style.h"
#include "platform/help.h"
#include "platform/message_box.h"
#include "platform/pop_command.h"
#include "platform/program_state.h"
#include "platform/ui_text.h"
#include "settings/account_list.h"
#include "settings/keyring.h"
#include "settings/language.h"
#include "settings/settings.h"
#include "settings/text_utils.h"

namespace {

constexpr int kSetupHelpTopic = 300;
constexpr int kDefaultPort = 110;

}  // namespace

SetupWindow::SetupWindow(AppState& state)
    : ChildWindow(SetupWindowHandle, Qt::Tool | Qt::WindowStaysOnTopHint | Qt::CustomizeWindowHint |
                                         Qt::WindowTitleHint | Qt::WindowCloseButtonHint),
      state_(state) {
    setObjectName(QStringLiteral("popSetupWindow"));
    setFixedSize(280, 404 + kNotificationRow + kKeyringRow);
    setAutoFillBackground(true);
    QPalette palette = this->palette();
    palette.setColor(QPalette::Window, kFieldColour);
    setPalette(palette);
    QFont small = font();
    small.setPointSize(8);
    setFont(small);
    BuildAccountGroup();
    BuildFieldGroup();
    BuildSwitches();
    BuildBottomRow();
    WatchFocusableControls();
    ConnectHandlers();
    FormCreate();
}

bool SetupWindow::IsAccountValid() const {
    return HasText(FromQt(pop_mail->text())) && HasText(FromQt(pop_server->currentText())) &&
           HasText(FromQt(pop_user->text())) && !pop_port->cleanText().isEmpty() &&
           pop_port->value() > 0;
}

int SetupWindow::SelectedIndex() const {
    const QList<QListWidgetItem*> selected = pop_list->selectedItems();
    return selected.isEmpty() ? -1 : pop_list->row(selected.first());
}

void SetupWindow::SetSaveButtonsEnabled(bool enabled) {
    for (QToolButton* save : {bsave, bsave2, bsave3}) save->setEnabled(enabled);
}

void SetupWindow::UpdateControls() {
    pop_security->setEnabled(state_.tlsAvailable);
    pop_apop->setEnabled(ChosenProtocol() == MailProtocol::Pop3);
    if (!pop_security->isEnabled()) ShowSecurity(ConnectionSecurity::None);
    const bool hasEntries = pop_list->count() > 0;
    bedit->setEnabled(hasEntries);
    SetSaveButtonsEnabled(IsAccountValid());
    const int selected = SelectedIndex();
    bdele->setEnabled(bsave->isEnabled() && hasEntries && selected >= 0 &&
                      selected < pop_list->count());
}

void SetupWindow::ClearFields() {
    ClearWithLimit(pop_mail, kMailMaxLength);
    pop_server->setEditText(QString());
    ClearWithLimit(pop_user, kUserMaxLength);
    ClearWithLimit(pop_password, kPasswordMaxLength);
    ShownPassword(AccountSettings{});  // no keyring hint on an empty field
    pop_port->setValue(kDefaultPort);
    ShowProtocol(MailProtocol::Pop3);  // whose usual port that is
    pop_apop->setChecked(false);
}

void SetupWindow::ShowAccount(int index) {
    if (index < 0 || static_cast<std::size_t>(index) >= state_.accounts.size()) return;
    const AccountSettings& params = state_.accounts[static_cast<std::size_t>(index)].params;
    ShowWhole(pop_mail, ToQt(params.email), kMailMaxLength);
    pop_server->setEditText(ToQt(params.host));
    ShowWhole(pop_user, ToQt(params.username), kUserMaxLength);
    ShowWhole(pop_password, ShownPassword(params), kPasswordMaxLength);
    pop_keyring->setChecked(params.passwordStore == PasswordStore::Keyring);
    pop_port->setValue(params.port);
    pop_apop->setChecked(params.secureLogin);
    ShowProtocol(params.protocol);
    ShowSecurity(state_.tlsAvailable ? SecurityOf(params) : ConnectionSecurity::None);
}

ConnectionSecurity SetupWindow::ChosenSecurity() const {
    if (!state_.tlsAvailable) return ConnectionSecurity::None;
    return static_cast<ConnectionSecurity>(std::clamp(pop_security->currentIndex(), 0, 2));
}

void SetupWindow::ShowSecurity(ConnectionSecurity security) {
    const QSignalBlocker quiet(pop_security);
    pop_security->setCurrentIndex(static_cast<int>(security));
}

MailProtocol SetupWindow::ChosenProtocol() const {
    return pop_protocol->currentIndex() == 1 ? MailProtocol::Imap : MailProtocol::Pop3;
}

void SetupWindow::ShowProtocol(MailProtocol protocol) {
    const QSignalBlocker quiet(pop_protocol);
    pop_protocol->setCurrentIndex(protocol == MailProtocol::Imap ? 1 : 0);
}

// The user's choice proposes its usual port while the port box holds another default.
void SetupWindow::pop_securityChange() {
    pop_port->setValue(ProposedPort(ChosenProtocol(), ChosenSecurity(), pop_port->value()));
    editChange();
}

void SetupWindow::pop_protocolChange() {
    pop_securityChange();
}

// Showing an account counts as an edit: the save buttons follow what the fields now hold.
void SetupWindow::pop_listClick() {
    ClearFields();
    ShowAccount(SelectedIndex());
    UpdateControls();
}

// The list never loses its selection to the mouse or the keyboard (a click beside the entries,
// Ctrl with a click): the account shown in the fields, and the edits made there, stay.
void SetupWindow::pop_listSelectionChange() {
    if (SelectedIndex() < 0 && pop_list->currentItem() != nullptr) {
        const QSignalBlocker quiet(pop_list);
        pop_list->currentItem()->setSelected(true);
        return;
    }
    pop_listClick();
}

void SetupWindow::editChange() {
    UpdateControls();
}

void SetupWindow::pop_addClick() {
    {
        const QSignalBlocker quiet(pop_list);
        pop_list->clearSelection();
        pop_list->setCurrentRow(-1);
    }
    ClearFields();
    pop_keyring->setChecked(DesktopKeyring().Present());
    UpdateControls();
    pop_mail->setFocus();
}

void SetupWindow::beditClick() {
    pop_mail->setFocus();
}

void SetupWindow::onDeleteAccountClicked() {
    const int selected = SelectedIndex();
    if (selected < 0) return;
    if (!AskYesNo(this, Text("delete_account_dialog_title"), Text("delete_account_dialog"))) return;
    {
        const QSignalBlocker quiet(pop_list);
        delete pop_list->takeItem(selected);
        pop_list->clearSelection();
        pop_list->setCurrentRow(-1);
    }
    std::optional<AccountSettings> removed;
    if (static_cast<std::size_t>(selected) < state_.accounts.size())
        removed = state_.accounts[static_cast<std::size_t>(selected)].params;
    if (RemoveAccount(state_.accounts, selected)) {
        state_.SaveSettings();
        if (removed->passwordStore == PasswordStore::Keyring) DesktopKeyring().Remove(*removed);
    }
    UpdateControls();
    SetSaveButtonsEnabled(false);
}

void SetupWindow::bsaveClick() {
    pop_list->setFocus();
    if (!IsAccountValid()) return;
    const int selected = SelectedIndex();
    AccountSettings place;
    place.host = FromQt(pop_server->currentText());
    place.username = FromQt(pop_user->text());
    if (const int other = AccountSharingSection(state_.accounts, place, selected); other >= 0) {
        ShowMessageBox(this, Text("save_setings_dialog_title"),
                       Text("same_server_and_user") + QStringLiteral("\n") +
                           ToQt(state_.accounts[static_cast<std::size_t>(other)].params.email),
                       QMessageBox::Warning);
        return;
    }
    std::optional<AccountSettings> before;
    if (selected >= 0 && static_cast<std::size_t>(selected) < state_.accounts.size())
        before = state_.accounts[static_cast<std::size_t>(selected)].params;
    {
        const QSignalBlocker quiet(pop_list);
        if (selected < 0 || static_cast<std::size_t>(selected) >= state_.accounts.size()) {
            auto* entry = new QListWidgetItem(pop_mail->text());
            entry->setFlags(entry->flags() | Qt::ItemIsUserCheckable);
            entry->setCheckState(Qt::Checked);
            pop_list->addItem(entry);
            pop_list->setCurrentRow(pop_list->row(entry));
        } else {
            pop_list->item(selected)->setText(pop_mail->text());
        }
    }
    // From the stored account, so that what the window does not show (the folder) stays.
    AccountSettings params =
        selected >= 0 && static_cast<std::size_t>(selected) < state_.accounts.size()
            ? state_.accounts[static_cast<std::size_t>(selected)].params
            : AccountSettings{};
    params.email = FromQt(pop_mail->text());
    params.host = FromQt(pop_server->currentText());
    params.username = FromQt(pop_user->text());
    params.password = FromQt(pop_password->text());
    // A keyring that would not give the password keeps it, unless a new one was typed.
    // Otherwise the typed or shown password is saved into the file first and then moved where
    // the keyring box says.
    const bool keepInKeyring = passwordUnread_ && !pop_password->isModified();
    params.passwordStore = keepInKeyring ? PasswordStore::Keyring : PasswordStore::File;
    params.port = pop_port->value();
    params.secureLogin = pop_apop->isChecked();
    params.protocol = ChosenProtocol();
    SetSecurity(params, ChosenSecurity());

    std::vector<bool> ticked;
    for (int row = 0; row < pop_list->count(); ++row)
        ticked.push_back(pop_list->item(row)->checkState() == Qt::Checked);
    const std::size_t saved = StoreEditedAccount(state_.accounts, selected, params, ticked);

    state_.autorun = pop_auto->isChecked();
    state_.playWave = pop_wave->isChecked();
    state_.showAdvert = pop_show_advert->isChecked();
    state_.desktopNotification = pop_notification->currentIndex() == 1;
    state_.SaveSettings();
    SettlePassword(saved, before, keepInKeyring);

    switch (AutorunChangeFor(state_.autorun, initialAutorun)) {
        case AutorunChange::Add:
            AddAutorun();
            break;
        case AutorunChange::Remove:
            RemoveAutorun();
            break;
        case AutorunChange::None:
            break;
    }
    initialAutorun = state_.autorun;
    UpdateControls();
    SetSaveButtonsEnabled(false);
    PostPopCommand(MainForm(), PopCommand::SettingsSaved, 0);
}

void SetupWindow::bclseClick() {
    if (bsave->isEnabled() &&
        ShowMessageBox(this, Text("save_setings_dialog_title"), Text("save_setings_dialog"),
                       QMessageBox::Question, QMessageBox::Yes | QMessageBox::No,
                       QMessageBox::Yes) == QMessageBox::Yes)
        bsaveClick();
    close();
}

void SetupWindow::bhelpClick(QWidget* helpControl) {
    ShowHelpTopic(kSetupHelpTopic + Tag(helpControl));
}

void SetupWindow::FormActivate() {
    if (pop_list->count() == 0) pop_mail->setFocus();
}

void ShowSetupWindow(AppState& state) {
    OpenOrRaise(
        SetupWindowHandle, [&state] { return new SetupWindow(state); }, Placement::ScreenCentre);
}
