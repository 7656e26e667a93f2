#pragma once
// What the application tests share: one TarnwickApplication on the offscreen platform, a
// program folder of their own (settings and language file), autostart and socket folders of
// their own, message boxes and sounds recorded instead of shown, and the data module with the
// main window built on demand.

#include <gtest/gtest.h>

#include <QApplication>
#include <QEventLoop>
#include <QTimer>
#include <memory>
#include <string>
#include <vector>

#include "app/application.h"
#include "app/main_window.h"
#include "app/tray_services.h"
#include "engine/check_scheduler.h"
#include "engine/mail_monitor.h"
#include "engine/worker_threads.h"
#include "notify/tray_icon.h"
#include "platform/sound.h"
#include "settings/cipher.h"
#include "settings/language.h"
#include "state/app_state.h"
#include "support/temp_folder.h"
#include "widgets/help.h"
#include "widgets/message_box.h"
#include "widgets/window_registry.h"

inline TarnwickApplication& TestApplication() {
    static int argc = 1;
    static char name[] = "tarnwick-app-test";
    static char* argv[] = {name, nullptr};
    static TarnwickApplication* app = [] {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        // The offscreen platform cannot fade or raise windows and says so at every step.
        static const QtMessageHandler previous = qInstallMessageHandler(
            [](QtMsgType type, const QMessageLogContext& context, const QString& message) {
                if (!message.startsWith(QStringLiteral("This plugin does not support")))
                    previous(type, context, message);
            });
        return new TarnwickApplication(argc, argv);
    }();
    return *app;
}

// Runs the event loop for `ms` milliseconds (idle handling included).
inline void RunFor(int ms) {
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

struct Box {
    std::string title;
    std::string text;
};

struct TestAccount {
    std::string email;
    std::string host = "127.0.0.1";
    std::string user;
    std::string password = "secret";
    int port = 110;
    bool enabled = true;
};

// An enabled account entry with only its address.
inline AccountEntry Item(const std::string& email) {
    AccountEntry item;
    item.enabled = true;
    item.params.email = email;
    return item;
}

class AppTest : public ::testing::Test {
protected:
    AppTest() {
        TestApplication();
        qputenv("XDG_CONFIG_HOME", QByteArray::fromStdString(folder_.File("config")));
        qputenv("TMPDIR", QByteArray::fromStdString(folder_.Path()));
        // The single-instance socket of each test's own.
        qputenv("XDG_RUNTIME_DIR", QByteArray::fromStdString(folder_.Path()));
        SetTrayAreaAvailableForTests(true);
        SetMessageBoxHook([this](const QString& title, const QString& text) {
            boxes.push_back({title.toStdString(), text.toStdString()});
            return boxAnswer;
        });
        SetSoundHook([this](const std::string& path) { sounds.push_back(path); });
        ProgramState().SetStartedWithParameters(false);
    }
    ~AppTest() override {
        for (const WindowKind kind :
             {WindowKind::List, WindowKind::Setup, WindowKind::Results, WindowKind::Filter})
            delete OpenWindow(kind);
        CloseHelpViewers(QString::fromLatin1(kHelpViewerTitle));
        window.reset();
        monitor.reset();
        services.reset();
        SetMessageBoxHook({});
        SetSoundHook({});
        SetTrayAreaAvailableForTests(std::nullopt);
        // A lookup a window started (Online Accounts) ends here, not after the process's end.
        EndWorkerThreads(std::chrono::seconds(5));
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QCoreApplication::processEvents();
    }

    // A settings file with these accounts (and PLAYWAVE).
    void WriteSettings(const std::vector<TestAccount>& testAccounts, bool playWaveOn = false) {
        std::string ini = "[GENERAL]\r\nPLAYWAVE=" + std::string(playWaveOn ? "1" : "0") + "\r\n";
        for (const TestAccount& a : testAccounts) {
            ini += "[EML_" + std::to_string(&a - testAccounts.data()) +
                   "]\r\nENABLED=" + (a.enabled ? "1" : "0") + "\r\nEMAIL=" + a.email +
                   "\r\nHOST=" + a.host + "\r\nUSERNAME=" + a.user +
                   "\r\nPASSWORD=" + EncipherText(a.password) +
                   "\r\nPORT=" + std::to_string(a.port) + "\r\n";
        }
        folder_.Write("vellmoor.ini", ini);
    }

    // The data module and the main window, as the start makes them (language table first).
    void Start() {
        LoadLanguageTable();
        services = std::make_unique<TrayServices>();
        monitor = std::make_unique<MailMonitor>(ProgramState());
        window = std::make_unique<MainWindow>(*services, ProgramState(), *monitor);
        monitor->SetAccountChecker([this](const AccountSettings& account) {
            checked.push_back(account.email);
            return changeToReport;
        });
    }

    // Lets the timer's check run now, and waits for its end (on the worker thread).
    void TickAndWait() {
        QMetaObject::invokeMethod(&monitor->CheckTimer(), "timeout");
        for (int i = 0; i < 2000 && monitor->Scheduler().Busy(); ++i) RunFor(5);
        RunFor(5);  // what the end of the check queued (the trust question) runs too
    }

    // Shows the main window and lets its first activation run.
    void ShowWindow() {
        window->show();
        QCoreApplication::processEvents();
        QCoreApplication::processEvents();
    }

    TempFolder folder_{"app"};
    ProgramFolderScope scope_{folder_.Path()};
    std::vector<Box> boxes;
    QMessageBox::StandardButton boxAnswer = QMessageBox::Yes;
    std::vector<std::string> sounds;
    std::vector<std::string> checked;
    int changeToReport = 0;
    std::unique_ptr<TrayServices> services;
    std::unique_ptr<MailMonitor> monitor;
    std::unique_ptr<MainWindow> window;
};
