// Building the setup window: its controls, their captions and hints, and their wiring.

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QSpinBox>
#include <QToolButton>
#include <string>
#include <vector>

#include "platform/form_style.h"
#include "platform/program_state.h"
#include "platform/ui_text.h"
#include "settings/keyring.h"
#include "settings/language.h"
#include "settings/settings.h"
#include "setup/setup_window.h"

namespace {

QCheckBox* AddCheckBox(QWidget* parent, const char* name, const char* captionKey, int tag, int x,
                       int y, int w) {
    auto* box = Place(new QCheckBox(Text(captionKey), parent), name, x, y, w, 18);
    SetHelpOffset(box, tag);
    return box;
}

QLineEdit* AddEdit(QWidget* parent, const char* name, int maxLength, int tag, int x, int y, int w) {
    auto* edit = Place(new QLineEdit(parent), name, x, y, w, 21);
    edit->setMaxLength(maxLength);
    SetHelpOffset(edit, tag);
    return edit;
}

// A picture button says what it does to a screen reader: its hint.
void NameByHint(std::initializer_list<QToolButton*> buttons) {
    for (QToolButton* button : buttons) button->setAccessibleName(button->toolTip());
}

}  // namespace

QToolButton* SetupWindow::AddButton(QWidget* parent, const char* name, const char* picture, int x,
                                    int y) {
    auto* button = Place(new QToolButton(parent), name, x, y, 24, 24);
    button->setIcon(QIcon(QStringLiteral(":/setup/") + QString::fromLatin1(picture)));
    button->setFocusPolicy(Qt::NoFocus);
    return button;
}

QToolButton* SetupWindow::AddHelpButton(QWidget* parent, const char* name, int tag, int x, int y) {
    auto* button = Place(new QToolButton(parent), name, x, y, 20, 20);
    button->setIcon(QIcon(QStringLiteral(":/results/help.png")));
    button->setAutoRaise(true);
    button->setFocusPolicy(Qt::NoFocus);
    button->setToolTip(Text("help_btn"));
    button->setAccessibleName(button->toolTip());
    SetHelpOffset(button, tag);
    connect(button, &QToolButton::clicked, this, [this, button] { ShowHelp(button); });
    return button;
}

QLabel* SetupWindow::AddFieldLabel(QWidget* parent, const char* name, const char* key, int x,
                                   int y) {
    auto* label = new QLabel(Text(key), parent);
    label->setObjectName(QString::fromLatin1(name));
    label->move(x, y);
    label->adjustSize();
    return label;
}

void SetupWindow::BuildAccountGroup() {
    auto* group = Place(new QGroupBox(Text("your_email_addresses_setup"), this), "mail_group", 6, 2,
                        268, 126);
    accountList_ = Place(new QListWidget(group), "pop_list", 9, 18, 250, 76);
    accountList_->setSelectionMode(QAbstractItemView::SingleSelection);
    SetHelpOffset(accountList_, 1);
    addButton_ = AddButton(group, "badd", "add.png", 9, 98);
    addButton_->setAutoRaise(true);
    addButton_->setToolTip(Text("new_email_account"));
    editButton_ = AddButton(group, "bedit", "edit.png", 35, 98);
    editButton_->setAutoRaise(true);
    editButton_->setToolTip(Text("edit_email_account"));
    deleteButton_ = AddButton(group, "bdele", "delete.png", 61, 98);
    deleteButton_->setAutoRaise(true);
    deleteButton_->setToolTip(Text("delete_email_account"));
    saveListButton_ = AddButton(group, "bsave2", "save.png", 87, 98);
    saveListButton_->setToolTip(Text("save_settings"));
    AddHelpButton(group, "RxSpeedButton4", 1, 239, 100);
    accountList_->setAccessibleName(group->title());
    NameByHint({addButton_, editButton_, deleteButton_, saveListButton_});
}

void SetupWindow::BuildFieldGroup() {
    auto* group = Place(new QGroupBox(Text("email_address_setup"), this), "pop_group", 6, 130, 268,
                        196 + kKeyringRow + kSignInRow);
    emailEdit_ = AddEdit(group, "pop_mail", kMailMaxLength, 2, 9, 20, 226);
    AddHelpButton(group, "RxSpeedButton1", 2, 239, 20);

    QLabel* serverLabel = AddFieldLabel(group, "Label4", "email_server_setup", 9, 46);
    QLabel* portLabel = AddFieldLabel(group, "Label5", "port_setup", 171, 46);
    serverBox_ = Place(new QComboBox(group), "pop_server", 9, 60, 156, 22);
    serverBox_->setEditable(true);
    serverBox_->setInsertPolicy(QComboBox::NoInsert);
    SetHelpOffset(serverBox_, 3);
    portBox_ = Place(new QSpinBox(group), "pop_port", 171, 60, 64, 22);
    portBox_->setRange(0, 65535);
    portBox_->setValue(110);
    SetHelpOffset(portBox_, 3);
    AddHelpButton(group, "RxSpeedButton2", 3, 239, 61);

    QLabel* userLabel = AddFieldLabel(group, "Label2", "username_setup", 9, 86);
    QLabel* passwordLabel = AddFieldLabel(group, "Label3", "password_setup", 123, 86);
    userEdit_ = AddEdit(group, "pop_user", kUserMaxLength, 5, 9, 100, 110);
    passwordEdit_ = AddEdit(group, "pop_password", kPasswordMaxLength, 5, 123, 100, 112);
    passwordEdit_->setEchoMode(QLineEdit::Password);
    AddHelpButton(group, "RxSpeedButton3", 5, 239, 100);

    apopBox_ = AddCheckBox(group, "pop_apop", "secure_authentication_method", 7, 9, 127, 160);
    apopBox_->setToolTip(Text("attention_apop_support"));
    // The protocol, in the order of MailProtocol, above the security it goes with.
    protocolBox_ = Place(new QComboBox(group), "pop_protocol", 171, 125, 64, 20);
    protocolBox_->addItems({QStringLiteral("POP3"), QStringLiteral("IMAP")});
    protocolBox_->setToolTip(Text("protocol_setup"));
    protocolBox_->setAccessibleName(protocolBox_->toolTip());
    SetHelpOffset(protocolBox_, 3);
    AddHelpButton(group, "RxSpeedButton5", 7, 239, 126);
    QLabel* securityLabel = AddFieldLabel(group, "Label6", "connection_security", 9, 151);
    securityBox_ = Place(new QComboBox(group), "pop_security", 123, 148, 112, 20);
    securityBox_->addItems(
        {Text("security_none"), Text("security_starttls"), Text("security_tls")});
    securityBox_->setToolTip(Text("attention_security_support"));
    SetHelpOffset(securityBox_, 8);
    AddHelpButton(group, "RxSpeedButton6", 8, 239, 148);
    keyringBox_ = AddCheckBox(group, "pop_keyring", "keyring_setup", 5, 9, 172, 250);
    BuildSignInRow(group);
    saveFieldsButton_ = AddButton(group, "bsave", "save.png", 237, 168 + kKeyringRow + kSignInRow);
    saveFieldsButton_->setToolTip(Text("save_settings"));
    NameByHint({saveFieldsButton_});

    // Each field says its own label to a screen reader (the address field has the group's).
    emailEdit_->setAccessibleName(group->title());
    const std::pair<QLabel*, QWidget*> labelled[] = {{serverLabel, serverBox_},
                                                     {portLabel, portBox_},
                                                     {userLabel, userEdit_},
                                                     {passwordLabel, passwordEdit_},
                                                     {securityLabel, securityBox_}};
    for (const auto& [label, field] : labelled) {
        label->setBuddy(field);
        field->setAccessibleName(label->text());
    }
}

void SetupWindow::BuildSwitches() {
    soundBox_ = AddCheckBox(this, "pop_wave", "wave_alert_setup", 9, 14,
                            330 + kKeyringRow + kSignInRow, 226);
    soundBox_->setToolTip(Text("right_click_wave_test"));
    autostartBox_ =
        AddCheckBox(this, "pop_auto", "autorun_setup", 10, 14, 348 + kKeyringRow + kSignInRow, 226);
    tipsBox_ = AddCheckBox(this, "pop_show_advert", "pop_show_advert", 11, 14,
                           366 + kKeyringRow + kSignInRow, 226);
    // New mail shows the alert window (0) or a desktop notification (1): NOTIFICATION.
    auto* notificationLabel = new QLabel(Text("notification_setup"), this);
    notificationLabel->setGeometry(14, 388 + kKeyringRow + kSignInRow, 100, 20);
    notificationBox_ = Place(new QComboBox(this), "pop_notification", 116,
                             386 + kKeyringRow + kSignInRow, 158, 22);
    notificationBox_->addItems({Text("notification_alert_window"), Text("notification_desktop")});
    notificationLabel->setBuddy(notificationBox_);
    notificationBox_->setAccessibleName(notificationLabel->text());
    saveAllButton_ = AddButton(this, "bsave3", "save.png", 244, 348 + kKeyringRow + kSignInRow);
    saveAllButton_->setToolTip(Text("save_settings"));
    NameByHint({saveAllButton_});
}

void SetupWindow::BuildBottomRow() {
    helpButton_ = Place(new QToolButton(this), "bhelp", 8,
                        382 + kNotificationRow + kKeyringRow + kSignInRow, 20, 20);
    helpButton_->setIcon(QIcon(QStringLiteral(":/results/help.png")));
    helpButton_->setAutoRaise(true);
    helpButton_->setFocusPolicy(Qt::NoFocus);
    helpButton_->setAccessibleName(Text("help_btn"));
    SetHelpOffset(helpButton_, 0);
    connect(helpButton_, &QToolButton::clicked, this, [this] { ShowHelp(helpButton_); });

    helpLabel_ = new QLabel(Text("help_label_setup"), this);
    helpLabel_->setObjectName(QStringLiteral("help_label"));
    helpLabel_->move(32, 385 + kNotificationRow + kKeyringRow + kSignInRow);
    StyleAsLink(helpLabel_);
    helpLabel_->setToolTip(helpLabel_->text());
    helpLabel_->adjustSize();
    SetHelpOffset(helpLabel_, 0);
    helpLabel_->installEventFilter(this);

    closeButton_ = Place(new QToolButton(this), "bclse", 196,
                         380 + kNotificationRow + kKeyringRow + kSignInRow, 78, 22);
    closeButton_->setText(Text("close_button_setup"));
    closeButton_->setToolButtonStyle(Qt::ToolButtonTextOnly);
    closeButton_->setFocusPolicy(Qt::NoFocus);
}

// The eleven controls that take the focus; the list and the text fields also show it by colour.
void SetupWindow::WatchFocusableControls() {
    const std::vector<QWidget*> coloured = {accountList_, emailEdit_, serverBox_,
                                            portBox_,     userEdit_,  passwordEdit_};
    for (QWidget* control : coloured) {
        control->installEventFilter(this);
        SetFieldColour(control, kFieldColour);
    }
    const std::vector<QWidget*> boxes = {apopBox_,  protocolBox_,  securityBox_, keyringBox_,
                                         soundBox_, autostartBox_, tipsBox_};
    for (QWidget* control : boxes) control->installEventFilter(this);
}

void SetupWindow::ConnectHandlers() {
    connect(accountList_, &QListWidget::itemClicked, this, [this] { LoadChosenAccount(); });
    connect(accountList_, &QListWidget::itemSelectionChanged, this,
            [this] { OnAccountSelectionChanged(); });
    connect(accountList_, &QListWidget::itemChanged, this, [this] { OnFieldEdited(); });
    for (QLineEdit* edit : {emailEdit_, userEdit_, passwordEdit_})
        connect(edit, &QLineEdit::textChanged, this, [this] { OnFieldEdited(); });
    connect(serverBox_, &QComboBox::editTextChanged, this, [this] { OnFieldEdited(); });
    connect(portBox_, &QSpinBox::valueChanged, this, [this] { OnFieldEdited(); });
    // An emptied box changes no value but is no port: the buttons follow its text as well.
    if (auto* portText = portBox_->findChild<QLineEdit*>())
        connect(portText, &QLineEdit::textChanged, this, [this] { OnFieldEdited(); });
    // toggled, not clicked: a screen reader's toggle action changes a box without a click.
    for (QCheckBox* box : {apopBox_, keyringBox_, soundBox_, autostartBox_, tipsBox_})
        connect(box, &QCheckBox::toggled, this, [this] { OnFieldEdited(); });
    connect(securityBox_, &QComboBox::activated, this, [this] { OnSecurityChanged(); });
    connect(protocolBox_, &QComboBox::activated, this, [this] { OnProtocolChanged(); });
    connect(notificationBox_, &QComboBox::activated, this, [this] { OnFieldEdited(); });
    connect(addButton_, &QToolButton::clicked, this, [this] { AddAccount(); });
    connect(editButton_, &QToolButton::clicked, this, [this] { EditAccount(); });
    connect(deleteButton_, &QToolButton::clicked, this, [this] { onDeleteAccountClicked(); });
    for (QToolButton* save : {saveFieldsButton_, saveListButton_, saveAllButton_})
        connect(save, &QToolButton::clicked, this, [this] { SaveSettings(); });
    connect(closeButton_, &QToolButton::clicked, this, [this] { CloseWindow(); });
}

void SetupWindow::FillAccountList() {
    for (const AccountEntry& item : state_.accounts) accountList_->addItem(ToQt(item.params.email));
    for (int row = 0; row < accountList_->count(); ++row) {
        QListWidgetItem* entry = accountList_->item(row);
        entry->setFlags(entry->flags() | Qt::ItemIsUserCheckable);
        entry->setCheckState(
            state_.accounts[static_cast<std::size_t>(row)].enabled ? Qt::Checked : Qt::Unchecked);
    }
}

void SetupWindow::ShowStoredValues() {
    setWindowTitle(QStringLiteral("  ") + Text("setup_window"));
    initialAutorun = state_.autorun;
    autostartBox_->setChecked(state_.autorun);
    soundBox_->setChecked(state_.playWave);
    tipsBox_->setChecked(state_.showAdvert);
    notificationBox_->setCurrentIndex(state_.desktopNotification ? 1 : 0);
    {
        const QSignalBlocker quiet(accountList_);
        FillAccountList();
        if (accountList_->count() > 0) accountList_->setCurrentRow(0);
    }
    if (accountList_->count() == 0) keyringBox_->setChecked(DesktopKeyring().Present());
    LoadChosenAccount();
    UpdateControls();
    SetSaveButtonsEnabled(false);

    std::vector<std::string> servers;
    ReadServerList(servers);
    const QSignalBlocker quiet(serverBox_);
    const QString shown = serverBox_->currentText();
    for (const std::string& server : servers) serverBox_->addItem(ToQt(server));
    serverBox_->setEditText(shown);
}
