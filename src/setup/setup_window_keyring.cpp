// The setup window's side of passwords in the desktop keyring: showing a keyring account's
// password and keeping the saved password where the keyring box says.
#include <QCheckBox>
#include <QLineEdit>

#include "settings/password_store.h"
#include "setup/setup_window.h"
#include "state/app_state.h"
#include "widgets/ui_text.h"

QString SetupWindow::ShownPassword(const AccountSettings& params) {
    passwordUnread_ = false;
    passwordEdit_->setPlaceholderText(QString());
    passwordEdit_->setToolTip(QString());
    if (params.passwordStore == PasswordStore::File) return ToQt(params.password);
    KeyringAnswer answer = DesktopKeyring().Read(params);
    if (answer.Ok()) return ToQt(answer.password);
    passwordUnread_ = true;
    const QString reason = ToQt(KeyringErrorText(answer));
    passwordEdit_->setPlaceholderText(reason);
    passwordEdit_->setToolTip(reason);
    return QString();
}

void SetupWindow::SettlePassword(std::size_t index, const std::optional<AccountSettings>& before,
                                 bool keepInKeyring) {
    AccountSettings& saved = state_.accounts[index].params;
    keyringBox_->setToolTip(QString());
    if (!keepInKeyring) {
        const PasswordMove move =
            SettleSavedPassword(saved, before, keyringBox_->isChecked(), DesktopKeyring());
        // The password stayed in the file: the box says so, and its hint says why.
        if (move.outcome == MoveOutcome::Failed) keyringBox_->setToolTip(ToQt(move.error));
    }
    keyringBox_->setChecked(saved.passwordStore == PasswordStore::Keyring);
}
