#pragma once
// A list window on the offscreen platform against the test Dovecot: its own settings file,
// message-box answers recorded, and the controls found by name.

#include <gtest/gtest.h>

#include <QAction>
#include <QComboBox>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QTimer>
#include <QToolButton>
#include <QTreeView>
#include <QTreeWidget>
#include <string>
#include <vector>

#include "app/application.h"
#include "check/ui/window_test_support.h"
#include "engine/worker_threads.h"
#include "list/ui/header_list_model.h"
#include "list/ui/list_window.h"
#include "list/ui/save_dialog.h"
#include "session/session_options.h"
#include "settings/ini_file.h"
#include "settings/settings.h"
#include "state/app_state.h"
#include "support/mail_fixture.h"
#include "support/temp_folder.h"
#include "widgets/message_box.h"
#include "widgets/ui_text.h"

class ListWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        TestApplication();
        if (!DovecotAvailable()) GTEST_SKIP() << "the Dovecot fixture is not running";
        ProgramState().accounts.clear();
        ProgramState().spamRules.clear();
        ProgramState().spamCriteria = {};
        ProgramState().pendingAccount.clear();
        SetMessageBoxHook([this](const QString& title, const QString& text) {
            asked.push_back(title.toStdString());
            askedText.push_back(text.toStdString());
            return answer;
        });
        // The main window's error handler, as it acts while the list window is open.
        SetUnhandledErrorHandler([](const std::string& message) {
            if (auto* list = qobject_cast<MailboxWindow*>(OpenWindow(WindowKind::List)))
                list->ShowError(ToQt(message));
        });
    }

    void TearDown() override {
        delete OpenWindow(WindowKind::List);
        EXPECT_TRUE(EndWorkerThreads(std::chrono::seconds(5)));
        Settle();
        SetMessageBoxHook(nullptr);
        SetUnhandledErrorHandler(nullptr);
        SetSaveFileChooser(nullptr);
        ProgramState().accounts.clear();
        ProgramState().spamRules.clear();
        ProgramState().pendingAccount.clear();
    }

    // A user with `count` numbered messages, added as an enabled account.
    MailUser AddAccount(const char* prefix, int count) {
        MailUser user = AddMailUser(prefix);
        AddMessages(user, count);
        AccountEntry item;
        item.enabled = true;
        item.params = AccountFor(user);
        ProgramState().accounts.push_back(item);
        return user;
    }

    MailboxWindow* Window() { return qobject_cast<MailboxWindow*>(OpenWindow(WindowKind::List)); }
    // Waits until the window's requests, and those they lead to, have ended.
    void WaitIdle() {
        for (int round = 0; round < 2; ++round) {
            for (int i = 0; i < 800 && Window() != nullptr && Window()->Controller().Busy(); ++i)
                QTest::qWait(10);
            Settle();
        }
    }
    void Open() {
        OpenListWindow(ProgramState());
        WaitIdle();
    }
    void Run(const char* action) {
        Action(action)->trigger();
        WaitIdle();
    }
    template <typename Widget = QWidget>
    Widget* Control(const char* name) {
        return Find<Widget>(Window(), name);
    }
    QAction* Action(const char* name) {
        return Window()->findChild<QAction*>(QString::fromLatin1(name));
    }
    QTreeView* Headers() { return Control<QTreeView>("headers"); }
    HeaderListModel* Model() { return qobject_cast<HeaderListModel*>(Headers()->model()); }
    std::string Status(int panel) {
        return Control<QLabel>(panel == 0 ? "status_0" : "status_1")->text().toStdString();
    }
    std::string Cell(int row, int column) {
        return Model()->index(row, column).data().toString().toStdString();
    }
    void SelectRow(int row) {
        Headers()->setCurrentIndex(Model()->index(row, 1));
        Settle();
    }
    void PressOnHeaders(Qt::Key key) {
        Headers()->setFocus();
        QTest::keyClick(Headers(), key);
        WaitIdle();
    }
    // The server removes deleted messages after QUIT, which the client does not wait for.
    static int MailboxSizeAfterQuit(const MailUser& user, int expected) {
        for (int i = 0; i < 100 && MailboxSize(user) != expected; ++i) QTest::qWait(50);
        return MailboxSize(user);
    }
    std::string Ini(const std::string& section, const std::string& key) {
        return OpenSettings()->ReadString(section, key, "");
    }
    // Runs `what` once when the progress bar reaches `value` during a retrieval.
    void AtProgress(int value, std::function<void()> what) {
        auto* bar = Control<QProgressBar>("ProgressBar");
        auto fired = std::make_shared<bool>(false);
        QObject::connect(bar, &QProgressBar::valueChanged, bar,
                         [value, what = std::move(what), fired](int now) {
                             if (now >= value && !*fired) {
                                 *fired = true;
                                 what();
                             }
                         });
    }

    QApplication& app = TestApplication();
    TempFolder folder;
    ProgramFolderScope scope{folder.Path()};
    CommandCatcher mainWindow;
    QMessageBox::StandardButton answer = QMessageBox::Yes;
    std::vector<std::string> asked;
    std::vector<std::string> askedText;
};
