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
    SetTag(box, tag);
    return box;
}

QLineEdit* AddEdit(QWidget* parent, const char* name, int maxLength, int tag, int x, int y, int w) {
    auto* edit = Place(new QLineEdit(parent), name, x, y, w, 21);
    edit->setMaxLength(maxLength);
    SetTag(edit, tag);
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
    SetTag(button, tag);
    connect(button, &QToolButton::clicked, this, [this, button] { bhelpClick(button); });
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
    pop_list = Place(new QListWidget(group), "pop_list", 9, 18, 250, 76);
    pop_list->setSelectionMode(QAbstractItemView::SingleSelection);
    SetTag(pop_list, 1);
    badd = AddButton(group, "badd", "add.png", 9, 98);
    badd->setAutoRaise(true);
    badd->setToolTip(Text("new_email_account"));
    bedit = AddButton(group, "bedit", "edit.png", 35, 98);
    bedit->setAutoRaise(true);
    bedit->setToolTip(Text("edit_email_account"));
    bdele = AddButton(group, "bdele", "delete.png", 61, 98);
    bdele->setAutoRaise(true);
    bdele->setToolTip(Text("delete_email_account"));
    bsave2 = AddButton(group, "bsave2", "save.png", 87, 98);
    bsave2->setToolTip(Text("save_settings"));
    AddHelpButton(group, "RxSpeedButton4", 1, 239, 100);
    pop_list->setAccessibleName(group->title());
    NameByHint({badd, bedit, bdele, bsave2});
}

void SetupWindow::BuildFieldGroup() {
    auto* group = Place(new QGroupBox(Text("email_address_setup"), this), "pop_group", 6, 130, 268,
                        196 + kKeyringRow);
    pop_mail = AddEdit(group, "pop_mail", kMailMaxLength, 2, 9, 20, 226);
    AddHelpButton(group, "RxSpeedButton1", 2, 239, 20);

    QLabel* serverLabel = AddFieldLabel(group, "Label4", "email_server_setup", 9, 46);
    QLabel* portLabel = AddFieldLabel(group, "Label5", "port_setup", 171, 46);
    pop_server = Place(new QComboBox(group), "pop_server", 9, 60, 156, 22);
    pop_server->setEditable(true);
    pop_server->setInsertPolicy(QComboBox::NoInsert);
    SetTag(pop_server, 3);
    pop_port = Place(new QSpinBox(group), "pop_port", 171, 60, 64, 22);
    pop_port->setRange(0, 65535);
    pop_port->setValue(110);
    SetTag(pop_port, 3);
    AddHelpButton(group, "RxSpeedButton2", 3, 239, 61);

    QLabel* userLabel = AddFieldLabel(group, "Label2", "username_setup", 9, 86);
    QLabel* passwordLabel = AddFieldLabel(group, "Label3", "password_setup", 123, 86);
    pop_user = AddEdit(group, "pop_user", kUserMaxLength, 5, 9, 100, 110);
    pop_password = AddEdit(group, "pop_password", kPasswordMaxLength, 5, 123, 100, 112);
    pop_password->setEchoMode(QLineEdit::Password);
    AddHelpButton(group, "RxSpeedButton3", 5, 239, 100);

    pop_apop = AddCheckBox(group, "pop_apop", "secure_authentication_method", 7, 9, 127, 160);
    pop_apop->setToolTip(Text("attention_apop_support"));
    // The protocol, in the order of MailProtocol, above the security it goes with.
    pop_protocol = Place(new QComboBox(group), "pop_protocol", 171, 125, 64, 20);
    pop_protocol->addItems({QStringLiteral("POP3"), QStringLiteral("IMAP")});
    pop_protocol->setToolTip(Text("protocol_setup"));
    pop_protocol->setAccessibleName(pop_protocol->toolTip());
    SetTag(pop_protocol, 3);
    AddHelpButton(group, "RxSpeedButton5", 7, 239, 126);
    QLabel* securityLabel = AddFieldLabel(group, "Label6", "connection_security", 9, 151);
    pop_security = Place(new QComboBox(group), "pop_security", 123, 148, 112, 20);
    pop_security->addItems(
        {Text("security_none"), Text("security_starttls"), Text("security_tls")});
    pop_security->setToolTip(Text("attention_security_support"));
    SetTag(pop_security, 8);
    AddHelpButton(group, "RxSpeedButton6", 8, 239, 148);
    pop_keyring = AddCheckBox(group, "pop_keyring", "keyring_setup", 5, 9, 172, 250);
    bsave = AddButton(group, "bsave", "save.png", 237, 168 + kKeyringRow);
    bsave->setToolTip(Text("save_settings"));
    NameByHint({bsave});

    // Each field says its own label to a screen reader (the address field has the group's).
    pop_mail->setAccessibleName(group->title());
    const std::pair<QLabel*, QWidget*> labelled[] = {{serverLabel, pop_server},
                                                     {portLabel, pop_port},
                                                     {userLabel, pop_user},
                                                     {passwordLabel, pop_password},
                                                     {securityLabel, pop_security}};
    for (const auto& [label, field] : labelled) {
        label->setBuddy(field);
        field->setAccessibleName(label->text());
    }
}

void SetupWindow::BuildSwitches() {
    pop_wave = AddCheckBox(this, "pop_wave", "wave_alert_setup", 9, 14, 330 + kKeyringRow, 226);
    pop_wave->setToolTip(Text("right_click_wave_test"));
    pop_auto = AddCheckBox(this, "pop_auto", "autorun_setup", 10, 14, 348 + kKeyringRow, 226);
    pop_show_advert =
        AddCheckBox(this, "pop_show_advert", "pop_show_advert", 11, 14, 366 + kKeyringRow, 226);
    // New mail shows the alert window (0) or a desktop notification (1): NOTIFICATION.
    auto* notificationLabel = new QLabel(Text("notification_setup"), this);
    notificationLabel->setGeometry(14, 388 + kKeyringRow, 100, 20);
    pop_notification =
        Place(new QComboBox(this), "pop_notification", 116, 386 + kKeyringRow, 158, 22);
    pop_notification->addItems({Text("notification_alert_window"), Text("notification_desktop")});
    notificationLabel->setBuddy(pop_notification);
    pop_notification->setAccessibleName(notificationLabel->text());
    bsave3 = AddButton(this, "bsave3", "save.png", 244, 348 + kKeyringRow);
    bsave3->setToolTip(Text("save_settings"));
    NameByHint({bsave3});
}

void SetupWindow::BuildBottomRow() {
    bhelp = Place(new QToolButton(this), "bhelp", 8, 382 + kNotificationRow + kKeyringRow, 20, 20);
    bhelp->setIcon(QIcon(QStringLiteral(":/results/help.png")));
    bhelp->setAutoRaise(true);
    bhelp->setFocusPolicy(Qt::NoFocus);
    bhelp->setAccessibleName(Text("help_btn"));
    SetTag(bhelp, 0);
    connect(bhelp, &QToolButton::clicked, this, [this] { bhelpClick(bhelp); });

    help_label = new QLabel(Text("help_label_setup"), this);
    help_label->setObjectName(QStringLiteral("help_label"));
    help_label->move(32, 385 + kNotificationRow + kKeyringRow);
    StyleAsLink(help_label);
    help_label->setToolTip(help_label->text());
    help_label->adjustSize();
    SetTag(help_label, 0);
    help_label->installEventFilter(this);

    bclse =
        Place(new QToolButton(this), "bclse", 196, 380 + kNotificationRow + kKeyringRow, 78, 22);
    bclse->setText(Text("close_button_setup"));
    bclse->setToolButtonStyle(Qt::ToolButtonTextOnly);
    bclse->setFocusPolicy(Qt::NoFocus);
}

// The eleven controls that take the focus; the list and the text fields also show it by colour.
void SetupWindow::WatchFocusableControls() {
    const std::vector<QWidget*> coloured = {pop_list, pop_mail, pop_server,
                                            pop_port, pop_user, pop_password};
    for (QWidget* control : coloured) {
        control->installEventFilter(this);
        SetFieldColour(control, kFieldColour);
    }
    const std::vector<QWidget*> boxes = {pop_apop, pop_protocol, pop_security,   pop_keyring,
                                         pop_wave, pop_auto,     pop_show_advert};
    for (QWidget* control : boxes) control->installEventFilter(this);
}

void SetupWindow::ConnectHandlers() {
    connect(pop_list, &QListWidget::itemClicked, this, [this] { pop_listClick(); });
    connect(pop_list, &QListWidget::itemSelectionChanged, this,
            [this] { pop_listSelectionChange(); });
    connect(pop_list, &QListWidget::itemChanged, this, [this] { editChange(); });
    for (QLineEdit* edit : {pop_mail, pop_user, pop_password})
        connect(edit, &QLineEdit::textChanged, this, [this] { editChange(); });
    connect(pop_server, &QComboBox::editTextChanged, this, [this] { editChange(); });
    connect(pop_port, &QSpinBox::valueChanged, this, [this] { editChange(); });
    // An emptied box changes no value but is no port: the buttons follow its text as well.
    if (auto* portText = pop_port->findChild<QLineEdit*>())
        connect(portText, &QLineEdit::textChanged, this, [this] { editChange(); });
    // toggled, not clicked: a screen reader's toggle action changes a box without a click.
    for (QCheckBox* box : {pop_apop, pop_keyring, pop_wave, pop_auto, pop_show_advert})
        connect(box, &QCheckBox::toggled, this, [this] { editChange(); });
    connect(pop_security, &QComboBox::activated, this, [this] { pop_securityChange(); });
    connect(pop_protocol, &QComboBox::activated, this, [this] { pop_protocolChange(); });
    connect(pop_notification, &QComboBox::activated, this, [this] { editChange(); });
    connect(badd, &QToolButton::clicked, this, [this] { pop_addClick(); });
    connect(bedit, &QToolButton::clicked, this, [this] { beditClick(); });
    connect(bdele, &QToolButton::clicked, this, [this] { onDeleteAccountClicked(); });
    for (QToolButton* save : {bsave, bsave2, bsave3})
        connect(save, &QToolButton::clicked, this, [this] { bsaveClick(); });
    connect(bclse, &QToolButton::clicked, this, [this] { bclseClick(); });
}

void SetupWindow::FillAccountList() {
    for (const AccountEntry& item : state_.accounts) pop_list->addItem(ToQt(item.params.email));
    for (int row = 0; row < pop_list->count(); ++row) {
        QListWidgetItem* entry = pop_list->item(row);
        entry->setFlags(entry->flags() | Qt::ItemIsUserCheckable);
        entry->setCheckState(
            state_.accounts[static_cast<std::size_t>(row)].enabled ? Qt::Checked : Qt::Unchecked);
    }
}

void SetupWindow::FormCreate() {
    setWindowTitle(QStringLiteral("  ") + Text("setup_window"));
    initialAutorun = state_.autorun;
    pop_auto->setChecked(state_.autorun);
    pop_wave->setChecked(state_.playWave);
    pop_show_advert->setChecked(state_.showAdvert);
    pop_notification->setCurrentIndex(state_.desktopNotification ? 1 : 0);
    {
        const QSignalBlocker quiet(pop_list);
        FillAccountList();
        if (pop_list->count() > 0) pop_list->setCurrentRow(0);
    }
    if (pop_list->count() == 0) pop_keyring->setChecked(DesktopKeyring().Present());
    pop_listClick();
    UpdateControls();
    SetSaveButtonsEnabled(false);

    std::vector<std::string> servers;
    ReadServerList(servers);
    const QSignalBlocker quiet(pop_server);
    const QString shown = pop_server->currentText();
    for (const std::string& server : servers) pop_server->addItem(ToQt(server));
    pop_server->setEditText(shown);
}
