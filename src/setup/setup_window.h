#pragma once
// The setup window: the list of mail accounts (add, change, enable, delete) and the three
// general switches. It changes the program's account list and writes it to the settings file
// only when the user saves; a delete is written at once.

#include <QWidget>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "auth/online_accounts.h"
#include "settings/account_list.h"
#include "widgets/child_window.h"

class AppState;
class InterruptSignal;
class QCheckBox;
class QComboBox;
class QGridLayout;
class QGroupBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QListWidgetItem;
class QMenu;
class QSpinBox;
class QToolButton;
class QVBoxLayout;

class SetupWindow : public ChildWindow {
    Q_OBJECT
public:
    explicit SetupWindow(AppState& state);
    ~SetupWindow() override;

    // The fields hold an account that can be saved: address, server and user name given and
    // a port above 0 (an emptied port box holds none).
    bool IsAccountValid() const;
    // Enables the buttons whose preconditions hold.
    void UpdateControls();
    // Empties the account fields (the secure-connection box keeps its state).
    void ClearFields();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    // Building the window (setup_window_build.cpp).
    void BuildLayout();
    void BuildAccountGroup(QVBoxLayout* column);
    void BuildFieldGroup(QVBoxLayout* column);
    void BuildSwitches(QVBoxLayout* column);
    void BuildBottomRow(QVBoxLayout* column);
    QToolButton* AddButton(QWidget* parent, const char* name, const char* picture);
    QToolButton* AddHelpButton(QWidget* parent, const char* name, int tag);
    QLabel* AddFieldLabel(QWidget* parent, const char* name, const char* key);
    void WatchFocusableControls();
    void ConnectHandlers();
    void ShowStoredValues();
    void FillAccountList();

    // Handlers (setup_window.cpp).
    void LoadChosenAccount();
    void OnAccountSelectionChanged();
    void OnFieldEdited();
    void AddAccount();
    void EditAccount();
    void onDeleteAccountClicked();
    void SaveSettings();
    void CloseWindow();
    void ShowHelp(QWidget* helpControl);
    void OnActivated();

    // Key, focus and mouse handling of the fields (setup_window_keys.cpp).
    bool enter_next(QKeyEvent* key);
    bool helpKeyDown(QWidget* control, QKeyEvent* key);
    void enterCTRL(QWidget* control);
    void exitCTRL(QWidget* control);
    bool pop_waveMouseDown(QMouseEvent* mouse);

    int SelectedIndex() const;
    ConnectionSecurity ChosenSecurity() const;
    MailProtocol ChosenProtocol() const;
    void ShowProtocol(MailProtocol protocol);
    void OnProtocolChanged();
    void ShowSecurity(ConnectionSecurity security);
    void OnSecurityChanged();
    void SetSaveButtonsEnabled(bool enabled);
    void ShowAccount(int index);
    // The password field's text for the account: its own, or the keyring's
    // (setup_window_keyring.cpp).
    QString ShownPassword(const AccountSettings& params);
    // Keeps the edited account's password where the keyring box says, after the save.
    void SettlePassword(std::size_t index, const std::optional<AccountSettings>& before,
                        bool keepInKeyring);
    // Signing in with the provider (setup_window_sign_in.cpp).
    void BuildSignInRows(QGridLayout* grid, QGroupBox* group, int row);
    bool ChosenOAuth() const;
    void ShowSignIn(const AccountSettings& params);
    void UpdateSignInControls();
    void OnAuthChanged();
    void OnSignInClicked();
    void OnSignInFinished(const std::string& section, bool ok, const std::string& refreshToken,
                          const std::string& error);
    // Accounts of GNOME Online Accounts (setup_window_online.cpp): the entry that adds one, and
    // the shown fields of one, which the service keeps.
    void BuildOnlineAccountsRow(QGridLayout* grid, QGroupBox* group, int row);
    void BuildManagedLabel(QGridLayout* grid, QGroupBox* group, int row);
    void ListOnlineAccountsLater();
    void OnOnlineAccountsListed(std::vector<OnlineAccount> accounts, const std::string& error);
    void UpdateOnlineAccountsEntry();
    void AddOnlineAccount(const OnlineAccount& online);
    bool ShowsOnlineAccount() const;
    void ShowOnlineAccountServer(const AccountSettings& params);
    void UpdateManagedControls();
    QListWidgetItem* AppendListEntry(const QString& email, bool enabled);
    // The folders an IMAP account watches (setup_window_folders.cpp).
    void BuildFolderButton(QGridLayout* grid, QGroupBox* group, int row);
    void UpdateFolderButton();
    void OnFoldersClicked();

    QListWidget* accountList_ = nullptr;
    QToolButton* addButton_ = nullptr;
    QToolButton* editButton_ = nullptr;
    QToolButton* deleteButton_ = nullptr;
    QToolButton* saveListButton_ = nullptr;
    QLineEdit* emailEdit_ = nullptr;
    QComboBox* serverBox_ = nullptr;
    QSpinBox* portBox_ = nullptr;
    QLineEdit* userEdit_ = nullptr;
    QLineEdit* passwordEdit_ = nullptr;
    QCheckBox* apopBox_ = nullptr;
    QCheckBox* keyringBox_ = nullptr;  // keep the password in the desktop keyring
    QComboBox* authBox_ = nullptr;     // the password, or signing in with the provider
    QToolButton* signInButton_ = nullptr;
    QLabel* signInState_ = nullptr;  // "Signed in", "Sign-in needed"
    // Set while a sign-in runs: raising it cancels the sign-in.
    std::shared_ptr<InterruptSignal> signInInterrupt_;
    QToolButton* onlineButton_ = nullptr;  // "Add from Online Accounts", with their menu
    QMenu* onlineMenu_ = nullptr;
    QLabel* managedLabel_ = nullptr;  // "Managed by Online Accounts"
    // The service's mail accounts as last listed, and whether a listing runs.
    std::vector<OnlineAccount> onlineAccounts_;
    bool onlineListing_ = false;
    QComboBox* securityBox_ = nullptr;  // none, STARTTLS, TLS
    QComboBox* protocolBox_ = nullptr;  // POP3, IMAP
    QToolButton* saveFieldsButton_ = nullptr;
    QToolButton* foldersButton_ = nullptr;  // opens the folder picker of an IMAP account
    QCheckBox* soundBox_ = nullptr;
    QCheckBox* autostartBox_ = nullptr;
    QCheckBox* tipsBox_ = nullptr;
    QComboBox* notificationBox_ = nullptr;  // the alert window or a desktop notification
    // The window's size unless a translation needs more room.
    static constexpr int kWidth = 280;
    static constexpr int kHeight = 456;
    QToolButton* saveAllButton_ = nullptr;
    QToolButton* helpButton_ = nullptr;
    QLabel* helpLabel_ = nullptr;
    QToolButton* closeButton_ = nullptr;

    AppState& state_;
    bool initialAutorun = false;
    // The shown account's password is in a keyring that would not give it: the field is empty,
    // and a save that leaves it so keeps the keyring's password.
    bool passwordUnread_ = false;
};

// Shows the setup window: brings the open one to the front, or creates it.
void ShowSetupWindow(AppState& state);
