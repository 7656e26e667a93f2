// Building the setup window: its controls, their captions and hints, and their wiring.

#include <QBoxLayout>
#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QSpinBox>
#include <QToolButton>
#include <string>
#include <vector>

#include "settings/keyring.h"
#include "settings/language.h"
#include "settings/settings.h"
#include "setup/setup_window.h"
#include "state/app_state.h"
#include "widgets/form_style.h"
#include "widgets/ui_text.h"

namespace {

QCheckBox* AddCheckBox(QWidget* parent, const char* name, const char* captionKey, int tag) {
    auto* box = Named(new QCheckBox(Text(captionKey), parent), name);
    SetHelpOffset(box, tag);
    return box;
}

QLineEdit* AddEdit(QWidget* parent, const char* name, int maxLength, int tag) {
    auto* edit = Named(new QLineEdit(parent), name);
    edit->setMaxLength(maxLength);
    SetHelpOffset(edit, tag);
    return edit;
}

// A picture button says what it does to a screen reader: its hint.
void NameByHint(std::initializer_list<QToolButton*> buttons) {
    for (QToolButton* button : buttons) button->setAccessibleName(button->toolTip());
}

// A grid with the window's tight spacing.
QGridLayout* TightGrid(QWidget* parent) {
    auto* grid = new QGridLayout(parent);
    grid->setContentsMargins(6, 4, 6, 4);
    grid->setHorizontalSpacing(6);
    grid->setVerticalSpacing(1);
    return grid;
}

// The help buttons stand in the grid's last column.
constexpr int kHelpColumn = 2;

}  // namespace

QToolButton* SetupWindow::AddButton(QWidget* parent, const char* name, const char* picture) {
    auto* button = Named(new QToolButton(parent), name);
    button->setIcon(QIcon(QStringLiteral(":/setup/") + QString::fromLatin1(picture)));
    button->setFixedSize(24, 24);
    button->setFocusPolicy(Qt::TabFocus);
    return button;
}

QToolButton* SetupWindow::AddHelpButton(QWidget* parent, const char* name, int tag) {
    auto* button = Named(new QToolButton(parent), name);
    button->setIcon(QIcon(QStringLiteral(":/results/help.png")));
    button->setFixedSize(20, 20);
    button->setAutoRaise(true);
    button->setFocusPolicy(Qt::TabFocus);
    button->setToolTip(Text("help_btn"));
    button->setAccessibleName(button->toolTip());
    SetHelpOffset(button, tag);
    connect(button, &QToolButton::clicked, this, [this, button] { ShowHelp(button); });
    return button;
}

QLabel* SetupWindow::AddFieldLabel(QWidget* parent, const char* name, const char* key) {
    return Named(new QLabel(Text(key), parent), name);
}

void SetupWindow::BuildAccountGroup(QVBoxLayout* column) {
    auto* group = Named(new QGroupBox(Text("your_email_addresses_setup"), this), "mail_group");
    auto* grid = TightGrid(group);
    accountList_ = Named(new QListWidget(group), "pop_list");
    accountList_->setSelectionMode(QAbstractItemView::SingleSelection);
    accountList_->setMinimumHeight(76);
    SetHelpOffset(accountList_, 1);
    grid->addWidget(accountList_, 0, 0, 1, 2);
    addButton_ = AddButton(group, "badd", "add.png");
    addButton_->setAutoRaise(true);
    addButton_->setToolTip(Text("new_email_account"));
    editButton_ = AddButton(group, "bedit", "edit.png");
    editButton_->setAutoRaise(true);
    editButton_->setToolTip(Text("edit_email_account"));
    deleteButton_ = AddButton(group, "bdele", "delete.png");
    deleteButton_->setAutoRaise(true);
    deleteButton_->setToolTip(Text("delete_email_account"));
    saveListButton_ = AddButton(group, "bsave2", "save.png");
    saveListButton_->setToolTip(Text("save_settings"));
    auto* buttons = new QHBoxLayout;
    buttons->setSpacing(2);
    for (QToolButton* button : {addButton_, editButton_, deleteButton_, saveListButton_})
        buttons->addWidget(button);
    buttons->addStretch();
    buttons->addWidget(AddHelpButton(group, "RxSpeedButton4", 1));
    grid->addLayout(buttons, 1, 0, 1, 2);
    BuildOnlineAccountsRow(grid, group, 2);
    accountList_->setAccessibleName(group->title());
    NameByHint({addButton_, editButton_, deleteButton_, saveListButton_});
    column->addWidget(group, 1);
}

void SetupWindow::BuildFieldGroup(QVBoxLayout* column) {
    auto* group = Named(new QGroupBox(Text("email_address_setup"), this), "pop_group");
    auto* grid = TightGrid(group);
    grid->setColumnStretch(0, 3);
    grid->setColumnStretch(1, 2);
    emailEdit_ = AddEdit(group, "pop_mail", kMailMaxLength, 2);
    grid->addWidget(emailEdit_, 0, 0, 1, 2);
    grid->addWidget(AddHelpButton(group, "RxSpeedButton1", 2), 0, kHelpColumn);

    QLabel* serverLabel = AddFieldLabel(group, "Label4", "email_server_setup");
    QLabel* portLabel = AddFieldLabel(group, "Label5", "port_setup");
    serverBox_ = Named(new QComboBox(group), "pop_server");
    serverBox_->setEditable(true);
    serverBox_->setInsertPolicy(QComboBox::NoInsert);
    // The server's name fills its column, whatever the longest entry of the list is.
    serverBox_->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    serverBox_->setMinimumContentsLength(8);
    SetHelpOffset(serverBox_, 3);
    portBox_ = Named(new QSpinBox(group), "pop_port");
    portBox_->setRange(0, 65535);
    portBox_->setValue(110);
    SetHelpOffset(portBox_, 3);
    grid->addWidget(serverLabel, 1, 0);
    grid->addWidget(portLabel, 1, 1);
    grid->addWidget(serverBox_, 2, 0);
    grid->addWidget(portBox_, 2, 1);
    grid->addWidget(AddHelpButton(group, "RxSpeedButton2", 3), 2, kHelpColumn);

    QLabel* userLabel = AddFieldLabel(group, "Label2", "username_setup");
    QLabel* passwordLabel = AddFieldLabel(group, "Label3", "password_setup");
    userEdit_ = AddEdit(group, "pop_user", kUserMaxLength, 5);
    passwordEdit_ = AddEdit(group, "pop_password", kPasswordMaxLength, 5);
    passwordEdit_->setEchoMode(QLineEdit::Password);
    grid->addWidget(userLabel, 3, 0);
    grid->addWidget(passwordLabel, 3, 1);
    grid->addWidget(userEdit_, 4, 0);
    grid->addWidget(passwordEdit_, 4, 1);
    grid->addWidget(AddHelpButton(group, "RxSpeedButton3", 5), 4, kHelpColumn);

    apopBox_ = AddCheckBox(group, "pop_apop", "secure_authentication_method", 7);
    apopBox_->setToolTip(Text("attention_apop_support"));
    // The protocol, in the order of MailProtocol, above the security it goes with.
    protocolBox_ = Named(new QComboBox(group), "pop_protocol");
    protocolBox_->addItems({QStringLiteral("POP3"), QStringLiteral("IMAP")});
    protocolBox_->setToolTip(Text("protocol_setup"));
    protocolBox_->setAccessibleName(protocolBox_->toolTip());
    SetHelpOffset(protocolBox_, 3);
    grid->addWidget(apopBox_, 5, 0);
    grid->addWidget(protocolBox_, 5, 1);
    grid->addWidget(AddHelpButton(group, "RxSpeedButton5", 7), 5, kHelpColumn);
    QLabel* securityLabel = AddFieldLabel(group, "Label6", "connection_security");
    securityBox_ = Named(new QComboBox(group), "pop_security");
    securityBox_->addItems(
        {Text("security_none"), Text("security_starttls"), Text("security_tls")});
    securityBox_->setToolTip(Text("attention_security_support"));
    SetHelpOffset(securityBox_, 8);
    grid->addWidget(securityLabel, 6, 0);
    grid->addWidget(securityBox_, 6, 1);
    grid->addWidget(AddHelpButton(group, "RxSpeedButton6", 8), 6, kHelpColumn);
    // The keyring box's text needs the group's whole width; the group's save button goes below.
    keyringBox_ = AddCheckBox(group, "pop_keyring", "keyring_setup", 5);
    grid->addWidget(keyringBox_, 7, 0, 1, 3);
    BuildSignInRows(grid, group, 8);
    BuildManagedLabel(grid, group, 8);
    BuildFolderButton(grid, group, 10);
    saveFieldsButton_ = AddButton(group, "bsave", "save.png");
    saveFieldsButton_->setToolTip(Text("save_settings"));
    grid->addWidget(saveFieldsButton_, 10, 1, 1, 2, Qt::AlignRight);
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
    column->addWidget(group);
}

void SetupWindow::BuildSwitches(QVBoxLayout* column) {
    soundBox_ = AddCheckBox(this, "pop_wave", "wave_alert_setup", 9);
    soundBox_->setToolTip(Text("right_click_wave_test"));
    autostartBox_ = AddCheckBox(this, "pop_auto", "autorun_setup", 10);
    tipsBox_ = AddCheckBox(this, "pop_show_advert", "pop_show_advert", 11);
    saveAllButton_ = AddButton(this, "bsave3", "save.png");
    saveAllButton_->setToolTip(Text("save_settings"));
    NameByHint({saveAllButton_});
    auto* grid = new QGridLayout;
    grid->setContentsMargins(8, 0, 0, 0);
    grid->setVerticalSpacing(0);
    grid->addWidget(soundBox_, 0, 0);
    grid->addWidget(autostartBox_, 1, 0);
    grid->addWidget(tipsBox_, 2, 0);
    grid->addWidget(saveAllButton_, 0, 1, 3, 1, Qt::AlignRight | Qt::AlignVCenter);
    column->addLayout(grid);

    // New mail shows the alert window (0) or a desktop notification (1): NOTIFICATION.
    auto* notificationLabel = new QLabel(Text("notification_setup"), this);
    notificationBox_ = Named(new QComboBox(this), "pop_notification");
    notificationBox_->addItems({Text("notification_alert_window"), Text("notification_desktop")});
    notificationLabel->setBuddy(notificationBox_);
    notificationBox_->setAccessibleName(notificationLabel->text());
    auto* row = new QHBoxLayout;
    row->setContentsMargins(8, 0, 0, 0);
    row->addWidget(notificationLabel);
    row->addWidget(notificationBox_, 1);
    column->addLayout(row);
}

void SetupWindow::BuildBottomRow(QVBoxLayout* column) {
    helpButton_ = Named(new QToolButton(this), "bhelp");
    helpButton_->setIcon(QIcon(QStringLiteral(":/results/help.png")));
    helpButton_->setFixedSize(20, 20);
    helpButton_->setAutoRaise(true);
    helpButton_->setFocusPolicy(Qt::TabFocus);
    helpButton_->setAccessibleName(Text("help_btn"));
    SetHelpOffset(helpButton_, 0);
    connect(helpButton_, &QToolButton::clicked, this, [this] { ShowHelp(helpButton_); });

    helpLabel_ = Named(new QLabel(Text("help_label_setup"), this), "help_label");
    StyleAsLink(helpLabel_);
    helpLabel_->setToolTip(helpLabel_->text());
    SetHelpOffset(helpLabel_, 0);
    helpLabel_->installEventFilter(this);

    closeButton_ = Named(new QToolButton(this), "bclse");
    closeButton_->setText(Text("close_button_setup"));
    closeButton_->setToolButtonStyle(Qt::ToolButtonTextOnly);
    closeButton_->setMinimumSize(78, 22);
    closeButton_->setFocusPolicy(Qt::TabFocus);

    auto* row = new QHBoxLayout;
    row->setContentsMargins(2, 0, 0, 0);
    row->setSpacing(4);
    row->addWidget(helpButton_);
    row->addWidget(helpLabel_);
    row->addStretch();
    row->addWidget(closeButton_);
    column->addLayout(row);
}

// The window's column: the two groups, the switches and the bottom row. Created in reading
// order, the controls take the focus in it. The window keeps its size unless a translation needs
// more room.
void SetupWindow::BuildLayout() {
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(6, 2, 6, 6);
    column->setSpacing(2);
    BuildAccountGroup(column);
    BuildFieldGroup(column);
    BuildSwitches(column);
    BuildBottomRow(column);
    const QSize needed = column->minimumSize();
    setFixedSize(std::max(kWidth, needed.width()), std::max(kHeight, needed.height()));
}

// The controls that show the focus by colour (the list and the text fields), and the boxes whose
// keys the window handles.
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
    for (const AccountEntry& item : state_.Accounts())
        AppendListEntry(ToQt(item.params.email), item.enabled);
}

void SetupWindow::ShowStoredValues() {
    setWindowTitle(QStringLiteral("  ") + Text("setup_window"));
    initialAutorun = state_.Autorun();
    autostartBox_->setChecked(state_.Autorun());
    soundBox_->setChecked(state_.PlayWave());
    tipsBox_->setChecked(state_.ShowAdvert());
    notificationBox_->setCurrentIndex(state_.DesktopNotification() ? 1 : 0);
    {
        const QSignalBlocker quiet(accountList_);
        FillAccountList();
        if (accountList_->count() > 0) accountList_->setCurrentRow(0);
    }
    if (accountList_->count() == 0) keyringBox_->setChecked(DesktopKeyring().Present());
    LoadChosenAccount();
    UpdateControls();
    SetSaveButtonsEnabled(false);
    UpdateOnlineAccountsEntry();
    ListOnlineAccountsLater();

    std::vector<std::string> servers;
    ReadServerList(servers);
    const QSignalBlocker quiet(serverBox_);
    const QString shown = serverBox_->currentText();
    for (const std::string& server : servers) serverBox_->addItem(ToQt(server));
    serverBox_->setEditText(shown);
}
