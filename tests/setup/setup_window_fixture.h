#pragma once
// A setup window on the offscreen platform with its own settings file, autostart folder,
// message-box answers and sound recorder.

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QSpinBox>
#include <QToolButton>
#include <string>
#include <vector>

#include "check/ui/window_test_support.h"
#include "engine/worker_threads.h"
#include "platform/sound.h"
#include "settings/ini_file.h"
#include "settings/settings.h"
#include "setup/setup_window.h"
#include "state/app_state.h"
#include "support/keyring_fixture.h"
#include "support/temp_folder.h"
#include "widgets/message_box.h"

class SetupWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        TestApplication();
        UseNoKeyring();  // never the desktop's own keyring (keyring tests choose theirs after)
        ProgramState().accounts.clear();
        ProgramState().autorun = false;
        ProgramState().playWave = false;
        ProgramState().showAdvert = true;
        ProgramState().tlsAvailable = true;
        qputenv("XDG_CONFIG_HOME", QByteArray::fromStdString(folder.File("config")));
        // The window asks Online Accounts for mail accounts: never the desktop's own service.
        qputenv("DBUS_SESSION_BUS_ADDRESS",
                "unix:path=" + QByteArray::fromStdString(folder.File("no-bus")));
        SetMessageBoxHook([this](const QString& title, const QString&) {
            questions.push_back(title.toStdString());
            return answer;
        });
        SetSoundHook([this](const std::string& path) { sounds.push_back(path); });
    }

    void TearDown() override {
        delete OpenWindow(WindowKind::Setup);
        Settle();
        EXPECT_TRUE(EndWorkerThreads(std::chrono::seconds(12)));  // the listing's two calls at most
        ProgramState().accounts.clear();
        SetMessageBoxHook(nullptr);
        SetSoundHook(nullptr);
        qunsetenv("XDG_CONFIG_HOME");
        qunsetenv("DBUS_SESSION_BUS_ADDRESS");
    }

    static AccountEntry Account(const std::string& email, const std::string& host,
                                const std::string& user, bool ssl = false) {
        AccountEntry item;
        item.enabled = true;
        item.params.email = email;
        item.params.host = host;
        item.params.username = user;
        item.params.password = "secret";
        item.params.port = 110;
        item.params.ssl = ssl;
        return item;
    }

    // Stores the accounts as a previous save would have.
    void Store(std::vector<AccountEntry> items) {
        ProgramState().accounts = std::move(items);
        ProgramState().SaveSettings();
    }

    QWidget* Open() {
        ShowSetupWindow(ProgramState());
        window = OpenWindow(WindowKind::Setup);
        return window;
    }

    QWidget* OpenActive() {
        Open();
        window->activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(window));
        return window;
    }

    template <typename Widget = QWidget>
    Widget* Control(const char* name) {
        auto* control = Find<Widget>(window, name);
        EXPECT_NE(control, nullptr) << name;
        return control;
    }
    QLineEdit* Edit(const char* name) { return Control<QLineEdit>(name); }
    QCheckBox* Box(const char* name) { return Control<QCheckBox>(name); }
    QToolButton* Button(const char* name) { return Control<QToolButton>(name); }
    QListWidget* List() { return Control<QListWidget>("pop_list"); }
    QComboBox* Server() { return Control<QComboBox>("pop_server"); }
    QSpinBox* Port() { return Control<QSpinBox>("pop_port"); }
    // The connection security box: 0 none, 1 STARTTLS, 2 TLS.
    QComboBox* Security() { return Control<QComboBox>("pop_security"); }
    // Chooses an entry of the security box as the user does.
    void ChooseSecurity(int index) {
        Security()->setCurrentIndex(index);
        Q_EMIT Security()->activated(index);
    }

    void Click(QWidget* widget) { QTest::mouseClick(widget, Qt::LeftButton); }
    // On its box: a check box takes clicks only on its box and its caption.
    void Click(QCheckBox* box) {
        QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(6, box->height() / 2));
    }
    void ClickEntry(int row) {
        QListWidget* list = List();
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                          list->visualItemRect(list->item(row)).center());
    }

    void FillAccount(const std::string& email, const std::string& host, const std::string& user,
                     int port = 110) {
        Edit("pop_mail")->setText(QString::fromStdString(email));
        Server()->setEditText(QString::fromStdString(host));
        Edit("pop_user")->setText(QString::fromStdString(user));
        Port()->setValue(port);
    }

    bool SaveButtonsEnabled() {
        const bool enabled = Button("bsave")->isEnabled();
        EXPECT_EQ(Button("bsave2")->isEnabled(), enabled);
        EXPECT_EQ(Button("bsave3")->isEnabled(), enabled);
        return enabled;
    }

    IniFile Settings() const { return IniFile(folder.File("vellmoor.ini")); }

    QApplication& app = TestApplication();
    TempFolder folder;
    ProgramFolderScope scope{folder.Path()};
    CommandCatcher mainWindow;
    QWidget* window = nullptr;
    QMessageBox::StandardButton answer = QMessageBox::Yes;
    std::vector<std::string> questions;
    std::vector<std::string> sounds;
};
