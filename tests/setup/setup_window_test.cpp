// The setup window's account list, fields, save and delete, as a user drives them.

#include <QDialog>
#include <QLabel>
#include <QMenu>
#include <algorithm>
#include <filesystem>
#include <fstream>

#include "check/ui/accessible_names.h"
#include "platform/autorun.h"
#include "setup/folder_picker.h"
#include "setup/setup_window_fixture.h"
#include "support/goa_fixture.h"
#include "support/mail_fixture.h"

namespace {

TEST_F(SetupWindowTest, NoTextIsCutInTheShippedLanguages) {
    for (const char* code : {"en", "cs"}) {
        const ShippedLanguage language(code);
        Open();
        Button("bgoa")->show();  // shown while Online Accounts has accounts to add
        Control<QLabel>("goa_managed")->show();
        EXPECT_EQ(CutTexts(window), "") << code;
        EXPECT_GE(window->width(), 280) << code;
        EXPECT_GE(window->height(), 456) << code;
        delete window;
        Settle();
    }
}

TEST_F(SetupWindowTest, TabReachesEveryControlInReadingOrder) {
    Open();
    EXPECT_EQ(
        TabOrder(Find(window, "pop_list")).join(' ').toStdString(),
        "pop_list badd bedit bdele bsave2 RxSpeedButton4 bgoa pop_mail RxSpeedButton1 pop_server "
        "pop_port RxSpeedButton2 pop_user pop_password RxSpeedButton3 pop_apop pop_protocol "
        "RxSpeedButton5 pop_security RxSpeedButton6 pop_keyring pop_auth bsign_in bfolders bsave "
        "pop_wave pop_auto "
        "pop_show_advert bsave3 pop_notification bhelp bclse");
}

TEST_F(SetupWindowTest, FirstOpeningWaitsForAnAddress) {
    OpenActive();
    EXPECT_EQ(window->windowTitle(), QStringLiteral("  setup_window"));
    EXPECT_EQ(QApplication::focusWidget(), Edit("pop_mail"));
    EXPECT_EQ(Port()->value(), 110);
    EXPECT_FALSE(SaveButtonsEnabled());
    EXPECT_FALSE(Button("bedit")->isEnabled());
    EXPECT_FALSE(Button("bdele")->isEnabled());
}

TEST_F(SetupWindowTest, SavingNeedsAddressServerUserAndAPort) {
    Open();
    FillAccount("me@example.org", "pop.example.org", "me", 0);
    EXPECT_FALSE(SaveButtonsEnabled());
    Port()->setValue(1);
    EXPECT_TRUE(SaveButtonsEnabled());
    Edit("pop_mail")->setText(QStringLiteral(" \t "));
    EXPECT_FALSE(SaveButtonsEnabled());
    Edit("pop_mail")->setText(QStringLiteral("x"));
    Edit("pop_user")->clear();
    EXPECT_FALSE(SaveButtonsEnabled());
    Edit("pop_user")->setText(QStringLiteral("me"));
    EXPECT_TRUE(SaveButtonsEnabled());
    // An emptied port box is no port, though the box keeps its last value.
    Port()->setFocus();
    Port()->selectAll();
    QTest::keyClick(Port(), Qt::Key_Backspace);
    ASSERT_TRUE(Port()->cleanText().isEmpty());
    EXPECT_FALSE(SaveButtonsEnabled());

    Click(Button("bsave"));
    EXPECT_TRUE(ProgramState().Accounts().empty());
}

TEST_F(SetupWindowTest, SavedAccountsAreCheckedEntriesEvenWithTheSameAddress) {
    Open();
    FillAccount("me@example.org", "pop.example.org", "me");
    Edit("pop_password")->setText(QStringLiteral(" pass word "));
    Click(Button("bsave2"));
    ASSERT_EQ(List()->count(), 1);
    EXPECT_EQ(List()->item(0)->checkState(), Qt::Checked);
    ASSERT_EQ(ProgramState().Accounts().size(), 1u);
    EXPECT_TRUE(ProgramState().Accounts()[0].enabled);
    EXPECT_EQ(ProgramState().Accounts()[0].params.password, " pass word ");
    EXPECT_EQ(ProgramState().Accounts()[0].params.port, 110);
    EXPECT_EQ(Settings().ReadString("EML_POP_EXAMPLE_ORG_ME", "ENABLED", ""), "1");
    EXPECT_EQ(Settings().ReadString("EML_POP_EXAMPLE_ORG_ME", "EMAIL", ""), "me@example.org");
    EXPECT_FALSE(SaveButtonsEnabled());
    EXPECT_TRUE(mainWindow.Received(WindowRequest::SettingsSaved, 0));

    Click(Button("badd"));
    EXPECT_TRUE(Edit("pop_mail")->text().isEmpty());
    FillAccount("me@example.org", "pop.example.org", "other");
    Click(Button("bsave3"));
    ASSERT_EQ(List()->count(), 2);
    EXPECT_EQ(List()->currentRow(), 1);
    EXPECT_TRUE(List()->item(1)->isSelected());
    EXPECT_EQ(List()->item(1)->checkState(), Qt::Checked);
    ASSERT_EQ(ProgramState().Accounts().size(), 2u);
    EXPECT_EQ(ProgramState().Accounts()[1].params.username, "other");
}

TEST_F(SetupWindowTest, CheckMarksAreSavedAsEnabled) {
    Store({Account("a@x.org", "pop.x.org", "a"), Account("b@x.org", "pop.x.org", "b")});
    Open();
    ASSERT_EQ(List()->count(), 2);
    EXPECT_EQ(List()->currentRow(), 0);
    EXPECT_EQ(Edit("pop_mail")->text(), QStringLiteral("a@x.org"));
    EXPECT_FALSE(SaveButtonsEnabled());

    List()->item(1)->setCheckState(Qt::Unchecked);
    EXPECT_TRUE(SaveButtonsEnabled());
    Click(Button("bsave"));
    EXPECT_FALSE(ProgramState().Accounts()[1].enabled);
    EXPECT_TRUE(ProgramState().Accounts()[0].enabled);
    EXPECT_EQ(Settings().ReadString("EML_POP_X_ORG_A", "ENABLED", ""), "1");
    EXPECT_EQ(Settings().ReadString("EML_POP_X_ORG_B", "ENABLED", ""), "0");
}

TEST_F(SetupWindowTest, AutostartEntryFollowsTheSwitchOnlyWhenItChanges) {
    Store({Account("a@x.org", "pop.x.org", "a")});
    const std::filesystem::path entry = AutorunFilePath();
    Open();
    Click(Box("pop_auto"));
    Click(Button("bsave"));
    EXPECT_TRUE(ProgramState().Autorun());
    EXPECT_EQ(Settings().ReadString("GENERAL", "AUTORUN", ""), "1");
    EXPECT_TRUE(std::filesystem::exists(entry));

    Click(Box("pop_auto"));
    Click(Button("bsave"));
    EXPECT_EQ(Settings().ReadString("GENERAL", "AUTORUN", ""), "0");
    EXPECT_FALSE(std::filesystem::exists(entry));

    std::ofstream(entry) << "left by hand\n";
    Box("pop_wave")->toggle();  // as a screen reader does it: no click
    Click(Button("bsave"));
    EXPECT_TRUE(ProgramState().PlayWave());
    EXPECT_TRUE(std::filesystem::exists(entry));

    Control<QComboBox>("pop_notification")->setCurrentIndex(1);
    Q_EMIT Control<QComboBox>("pop_notification")->activated(1);
    Click(Button("bsave"));
    EXPECT_EQ(Settings().ReadString("GENERAL", "NOTIFICATION", ""), "desktop");
}

TEST_F(SetupWindowTest, CloseButtonAsksOnlyAboutUnsavedChanges) {
    Store({Account("a@x.org", "pop.x.org", "a")});
    Open();
    Click(Button("bclse"));
    Settle();
    EXPECT_TRUE(questions.empty());
    EXPECT_TRUE((OpenWindow(WindowKind::Setup) == nullptr));

    Open();
    Edit("pop_mail")->setText(QStringLiteral("new@x.org"));
    answer = QMessageBox::No;
    Click(Button("bclse"));
    Settle();
    EXPECT_EQ(questions, std::vector<std::string>{"save_setings_dialog_title"});
    EXPECT_EQ(ProgramState().Accounts()[0].params.email, "a@x.org");
    EXPECT_TRUE((OpenWindow(WindowKind::Setup) == nullptr));

    Open();
    Edit("pop_mail")->setText(QStringLiteral("new@x.org"));
    answer = QMessageBox::Yes;
    Click(Button("bclse"));
    Settle();
    EXPECT_EQ(ProgramState().Accounts()[0].params.email, "new@x.org");
    EXPECT_EQ(Settings().ReadString("EML_POP_X_ORG_A", "EMAIL", ""), "new@x.org");
    EXPECT_TRUE(mainWindow.Received(WindowRequest::Closed, 0));
}

TEST_F(SetupWindowTest, DeleteAsksAndLeavesTheFieldsForAnotherSave) {
    Store({Account("a@x.org", "pop.x.org", "a"), Account("b@x.org", "pop.x.org", "b")});
    Open();
    ClickEntry(1);
    EXPECT_TRUE(Button("bdele")->isEnabled());

    answer = QMessageBox::No;
    Click(Button("bdele"));
    EXPECT_EQ(questions, std::vector<std::string>{"delete_account_dialog_title"});
    EXPECT_EQ(ProgramState().Accounts().size(), 2u);
    EXPECT_TRUE(SaveButtonsEnabled());

    answer = QMessageBox::Yes;
    Click(Button("bdele"));
    ASSERT_EQ(ProgramState().Accounts().size(), 1u);
    EXPECT_EQ(ProgramState().Accounts()[0].params.email, "a@x.org");
    EXPECT_EQ(List()->count(), 1);
    EXPECT_TRUE(List()->selectedItems().isEmpty());
    EXPECT_FALSE(Settings().SectionExists("EML_POP_X_ORG_B"));
    EXPECT_FALSE(SaveButtonsEnabled());
    EXPECT_EQ(Edit("pop_mail")->text(), QStringLiteral("b@x.org"));

    Edit("pop_password")->setText(QStringLiteral("again"));
    Click(Button("bsave"));
    ASSERT_EQ(ProgramState().Accounts().size(), 2u);
    EXPECT_EQ(ProgramState().Accounts()[1].params.email, "b@x.org");
    EXPECT_TRUE(Settings().SectionExists("EML_POP_X_ORG_B"));
}

TEST_F(SetupWindowTest, WithoutTlsNoAccountIsSavedWithSsl) {
    ProgramState().SetTlsAvailable(false);
    Store({Account("a@x.org", "pop.x.org", "a", true)});
    Open();
    EXPECT_FALSE(Security()->isEnabled());
    EXPECT_EQ(Security()->currentIndex(), 0);
    Edit("pop_password")->setText(QStringLiteral("changed"));
    Click(Button("bsave"));
    EXPECT_FALSE(ProgramState().Accounts()[0].params.ssl);
    EXPECT_EQ(Settings().ReadString("EML_POP_X_ORG_A", "SSL", ""), "0");
}

TEST_F(SetupWindowTest, NewAccountStartsEmptyButKeepsTheSecureConnectionBox) {
    Store({Account("a@x.org", "pop.x.org", "a", true)});
    Open();
    EXPECT_EQ(Security()->currentIndex(), 2);
    Port()->setValue(995);
    Click(Button("badd"));
    EXPECT_EQ(Security()->currentIndex(), 2);
    EXPECT_TRUE(Edit("pop_mail")->text().isEmpty());
    EXPECT_TRUE(Server()->currentText().isEmpty());
    EXPECT_EQ(Port()->value(), 110);
    EXPECT_TRUE(List()->selectedItems().isEmpty());
}

TEST_F(SetupWindowTest, ConnectionSecurityIsStoredAndReadBackWithItsUsualPort) {
    Store({Account("a@x.org", "pop.x.org", "a")});
    Open();
    EXPECT_EQ(Security()->currentIndex(), 0);
    ChooseSecurity(2);  // TLS moves the default port along
    EXPECT_EQ(Port()->value(), 995);
    ChooseSecurity(1);  // STARTTLS back to the usual port
    EXPECT_EQ(Port()->value(), 110);
    Click(Button("bsave"));
    EXPECT_TRUE(ProgramState().Accounts()[0].params.startTls);
    EXPECT_FALSE(ProgramState().Accounts()[0].params.ssl);
    EXPECT_EQ(Settings().ReadString("EML_POP_X_ORG_A", "STARTTLS", ""), "1");
    EXPECT_EQ(Settings().ReadString("EML_POP_X_ORG_A", "SSL", ""), "0");

    Port()->setValue(1995);  // a port of the user's own stays
    ChooseSecurity(2);
    EXPECT_EQ(Port()->value(), 1995);
    Click(Button("bsave"));
    EXPECT_TRUE(ProgramState().Accounts()[0].params.ssl);
    EXPECT_FALSE(ProgramState().Accounts()[0].params.startTls);
    EXPECT_EQ(Settings().ReadString("EML_POP_X_ORG_A", "STARTTLS", ""), "0");

    delete OpenWindow(WindowKind::Setup);
    Settle();
    ProgramState().LoadSettings();
    Open();
    EXPECT_EQ(Security()->currentIndex(), 2);
}

TEST_F(SetupWindowTest, ProtocolProposesItsPortAndIsStored) {
    Store({Account("a@x.org", "pop.x.org", "a")});
    Open();
    auto* protocol = Control<QComboBox>("pop_protocol");
    protocol->setCurrentIndex(1);
    Q_EMIT protocol->activated(1);
    EXPECT_EQ(Port()->value(), 143);
    EXPECT_FALSE(Control<QCheckBox>("pop_apop")->isEnabled());
    Click(Button("bsave"));
    EXPECT_EQ(Settings().ReadString("EML_POP_X_ORG_A", "PROTOCOL", ""), "IMAP");
    Click(Button("badd"));  // a new account starts as POP3 on its port
    EXPECT_EQ(protocol->currentIndex(), 0);
    EXPECT_EQ(Port()->value(), 110);
}

TEST_F(SetupWindowTest, SavingAnAccountThatNeverUsedStartTlsLeavesItsSectionAsItWas) {
    Store({Account("a@x.org", "pop.x.org", "a", true)});
    Open();
    Click(Button("bsave"));
    EXPECT_FALSE(Settings().ReadSection("EML_POP_X_ORG_A").empty());
    for (const std::string& key : Settings().ReadSection("EML_POP_X_ORG_A"))
        EXPECT_NE(key, "STARTTLS");
}

TEST_F(SetupWindowTest, SavingAnImapAccountKeepsItsProtocolAndFolder) {
    AccountEntry imap = Account("a@x.org", "imap.x.org", "a");
    imap.params.protocol = MailProtocol::Imap;
    imap.params.folder = "Lists";
    Store({imap});
    Open();
    Click(Button("bsave"));
    EXPECT_EQ(ProgramState().Accounts()[0].params.protocol, MailProtocol::Imap);
    EXPECT_EQ(Settings().ReadString("EML_IMAP_X_ORG_A", "FOLDER", ""), "Lists");
}

// The picker asks the real server for its folders on a worker; the choice is stored in FOLDERS=.
TEST_F(SetupWindowTest, FoldersArePickedFromTheServersListOrAllSubscribed) {
    if (!DovecotAvailable()) GTEST_SKIP() << "the Dovecot fixture is not running";
    const MailUser user = AddMailUser("picker");
    AddFolder(user, "Práce");
    AddFolder(user, "Old", false);
    AccountEntry imap;
    imap.enabled = true;
    imap.params = ImapAccountFor(user);
    imap.params.folders = "Gone";
    Store({imap});
    const std::string section = AccountSection(imap.params);
    // Opens the picker and waits for the server's list; ticks the folders named in `ticked`.
    const auto pick = [this](const std::vector<QString>& ticked) {
        Click(Button("bfolders"));
        auto* picker = window->findChild<QDialog*>(QStringLiteral("folder_picker"));
        auto* list = Find<QListWidget>(picker, "folders_list");
        for (int i = 0; i < 500 && list->count() < 4; ++i) QTest::qWait(10);
        for (int row = 0; row < list->count(); ++row)
            list->item(row)->setCheckState(
                std::count(ticked.begin(), ticked.end(), list->item(row)->text()) > 0
                    ? Qt::Checked
                    : Qt::Unchecked);
        return picker;
    };
    for (const char* code : {"en", "cs"}) {
        const ShippedLanguage language(code);
        Open();
        EXPECT_TRUE(Button("bfolders")->isVisible());
        QDialog* picker = pick({});
        auto* list = Find<QListWidget>(picker, "folders_list");
        ASSERT_EQ(list->count(), 4) << code;  // the server's three, and the name it lacks
        EXPECT_EQ(list->item(0)->text(), QStringLiteral("INBOX"));
        EXPECT_EQ(list->item(3)->text(), QStringLiteral("Gone"));
        EXPECT_EQ(CutTexts(window), "") << code;
        EXPECT_EQ(CutTexts(picker), "") << code;
        picker->reject();
        delete window;
        Settle();
    }
    Open();
    pick({QStringLiteral("INBOX"), QStringLiteral("Práce")})->accept();
    Settle();
    EXPECT_EQ(Settings().ReadString(section, "FOLDERS", ""), "INBOX, Práce");
    QDialog* picker = pick({});
    Click(Find<QCheckBox>(picker, "folders_all"));
    Click(Find<QCheckBox>(picker, "folders_all"));  // and back: INBOX and Práce ticked
    EXPECT_EQ(FolderChoiceValue(qobject_cast<FolderPicker*>(picker)->Choice()), "INBOX, Práce");
    Click(Find<QCheckBox>(picker, "folders_all"));
    EXPECT_FALSE(Find<QListWidget>(picker, "folders_list")->isEnabled());
    picker->accept();
    Settle();
    EXPECT_EQ(Settings().ReadString(section, "FOLDERS", ""), "*");
    EXPECT_EQ(ProgramState().Accounts()[0].params.folders, "*");
}

TEST_F(SetupWindowTest, ClickingAnEntryRestoresItsStoredValuesButKeepsCheckMarks) {
    Store({Account("a@x.org", "pop.x.org", "a"), Account("b@x.org", "pop.x.org", "b")});
    Open();
    List()->item(1)->setCheckState(Qt::Unchecked);
    Edit("pop_mail")->setText(QStringLiteral("typed@x.org"));
    ClickEntry(0);
    EXPECT_EQ(Edit("pop_mail")->text(), QStringLiteral("a@x.org"));
    EXPECT_EQ(Edit("pop_password")->text(), QStringLiteral("secret"));
    EXPECT_EQ(List()->item(1)->checkState(), Qt::Unchecked);
    EXPECT_TRUE(SaveButtonsEnabled());

    ClickEntry(1);
    EXPECT_EQ(Edit("pop_user")->text(), QStringLiteral("b"));
}

TEST_F(SetupWindowTest, ClickBelowTheEntriesKeepsTheShownAccountAndItsEdits) {
    Store({Account("a@x.org", "pop.x.org", "a")});
    Open();
    Edit("pop_password")->setText(QStringLiteral("typed"));
    const QRect last = List()->visualItemRect(List()->item(0));
    QTest::mouseClick(List()->viewport(), Qt::LeftButton, {},
                      QPoint(last.center().x(), last.bottom() + 20));
    EXPECT_TRUE(List()->item(0)->isSelected());
    EXPECT_EQ(Edit("pop_password")->text(), QStringLiteral("typed"));
    EXPECT_TRUE(Button("bdele")->isEnabled());

    // Ctrl with a click on the selected entry shows it afresh, as any click on it does.
    QTest::mouseClick(List()->viewport(), Qt::LeftButton, Qt::ControlModifier, last.center());
    EXPECT_TRUE(List()->item(0)->isSelected());
    EXPECT_EQ(Edit("pop_password")->text(), QStringLiteral("secret"));
    EXPECT_TRUE(Button("bdele")->isEnabled());
}

TEST_F(SetupWindowTest, StoredValuesLongerThanTheTypingLimitsSurviveASave) {
    AccountEntry item =
        Account(std::string(300, 'm') + "@x.org", "pop.x.org", std::string(150, 'u'));
    item.params.password = std::string(200, 'p');
    Store({item});
    Open();
    Click(Box("pop_apop"));
    Click(Button("bsave"));
    ASSERT_EQ(ProgramState().Accounts().size(), 1u);
    EXPECT_EQ(ProgramState().Accounts()[0].params.email, item.params.email);
    EXPECT_EQ(ProgramState().Accounts()[0].params.username, item.params.username);
    EXPECT_EQ(ProgramState().Accounts()[0].params.password, item.params.password);
    EXPECT_TRUE(ProgramState().Accounts()[0].params.secureLogin);

    // A new account is typed under the usual limits again.
    Click(Button("badd"));
    EXPECT_EQ(Edit("pop_password")->maxLength(), 128);
    EXPECT_EQ(Edit("pop_user")->maxLength(), 128);
    EXPECT_EQ(Edit("pop_mail")->maxLength(), 256);
}

TEST_F(SetupWindowTest, ServerBoxOffersTheServerList) {
    IniFile ini = Settings();
    ini.WriteString("SERVERLIST", "one", "pop.one.org");
    ini.WriteString("SERVERLIST", "two", "pop.two.org");
    Store({Account("a@x.org", "pop.x.org", "a")});
    Open();
    ASSERT_EQ(Server()->count(), 2);
    EXPECT_EQ(Server()->itemText(0), QStringLiteral("pop.one.org"));
    EXPECT_EQ(Server()->itemText(1), QStringLiteral("pop.two.org"));
    EXPECT_EQ(Server()->currentText(), QStringLiteral("pop.x.org"));
    EXPECT_FALSE(SaveButtonsEnabled());
}

// The service's account is added from the entry below the list; its server is shown as the
// service has it, cannot be edited, and a save writes only what is the window's.
TEST_F(SetupWindowTest, OnlineAccountsEntryAddsAnAccountWhoseServerTheServiceKeeps) {
    Store({Account("a@x.org", "pop.x.org", "a")});
    Open();
    EXPECT_FALSE(Button("bgoa")->isVisibleTo(window));  // no service
    delete window;
    OnlineAccountsStandIn service(nlohmann::json::array({{{"id", "account_1"},
                                                          {"email", "goa@desktop.example"},
                                                          {"user", "goa"},
                                                          {"host", "imap.desktop.example:1993"},
                                                          {"ssl", true},
                                                          {"password", "pw"}}}));
    Open();
    ASSERT_TRUE(QTest::qWaitFor([this] { return Button("bgoa")->isVisibleTo(window); }));
    ASSERT_EQ(Button("bgoa")->menu()->actions().size(), 1);
    Button("bgoa")->menu()->actions()[0]->trigger();
    EXPECT_FALSE(Button("bgoa")->isVisibleTo(window));  // nothing more to add
    EXPECT_EQ(List()->currentItem()->text(), QStringLiteral("goa@desktop.example"));
    EXPECT_EQ(Control<QLabel>("goa_managed")->text(), QStringLiteral("goa_managed_setup"));
    EXPECT_TRUE(Control<QLabel>("goa_managed")->isVisibleTo(window));
    EXPECT_EQ(Server()->currentText(), QStringLiteral("imap.desktop.example"));
    EXPECT_EQ(Port()->value(), 1993);
    EXPECT_EQ(Edit("pop_user")->text(), QStringLiteral("goa"));
    EXPECT_FALSE(Server()->isEnabled() || Security()->isEnabled());
    EXPECT_TRUE(Edit("pop_user")->isReadOnly() && Edit("pop_password")->isReadOnly());
    Edit("pop_mail")->setText(QStringLiteral("desk@desktop.example"));
    ASSERT_TRUE(SaveButtonsEnabled());
    Click(Button("bsave"));
    const std::string section = AccountSection(ProgramState().Accounts().at(1).params);
    const IniFile ini = Settings();
    EXPECT_EQ(ini.ReadString(section, "EMAIL", ""), "desk@desktop.example");
    EXPECT_EQ(ini.ReadString(section, "AUTH", "") + ini.ReadString(section, "GOA_ACCOUNT", ""),
              "goaaccount_1");
    for (const char* key : {"HOST", "PORT", "USERNAME", "PASSWORD"})
        EXPECT_EQ(ini.ReadString(section, key, "none"), "none") << key;
    ClickEntry(0);
    EXPECT_TRUE(Server()->isEnabled() && !Edit("pop_user")->isReadOnly());
}

TEST_F(SetupWindowTest, OnlyOneWindowAndItsEndIsReported) {
    QWidget* first = Open();
    EXPECT_EQ(Open(), first);
    window->close();
    Settle();
    EXPECT_TRUE((OpenWindow(WindowKind::Setup) == nullptr));
    EXPECT_TRUE(mainWindow.Received(WindowRequest::Closed, 0));
}

}  // namespace

namespace {

TEST_F(SetupWindowTest, EveryControlHasItsOwnAccessibleName) {
    Open();
    EXPECT_EQ(AccessibleName(Button("badd")), "new_email_account");
    EXPECT_EQ(AccessibleName(Button("bedit")), "edit_email_account");
    EXPECT_EQ(AccessibleName(Button("bdele")), "delete_email_account");
    for (const char* save : {"bsave", "bsave2", "bsave3"})
        EXPECT_EQ(AccessibleName(Button(save)), "save_settings") << save;
    EXPECT_EQ(AccessibleName(Button("bhelp")), "help_btn");
    EXPECT_EQ(AccessibleName(Button("RxSpeedButton1")), "help_btn");
    EXPECT_EQ(AccessibleName(List()), "your_email_addresses_setup");
    EXPECT_EQ(AccessibleName(Edit("pop_mail")), "email_address_setup");
    EXPECT_EQ(AccessibleName(Server()), "email_server_setup");
    EXPECT_EQ(AccessibleName(Port()), "port_setup");
    EXPECT_EQ(AccessibleName(Edit("pop_user")), "username_setup");
    EXPECT_EQ(AccessibleName(Edit("pop_password")), "password_setup");
}

}  // namespace
