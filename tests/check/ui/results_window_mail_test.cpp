// The results panels after real checks against the test Dovecot: the run state that the
// session and the check write is what the panel shows.

#include <gtest/gtest.h>

#include "check/check_cycle.h"
#include "check/ui/results_window.h"
#include "check/ui/window_test_support.h"
#include "state/app_state.h"
#include "support/mail_fixture.h"
#include "support/temp_folder.h"

namespace {

class ResultsAfterCheckTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (!DovecotAvailable()) GTEST_SKIP() << "the Dovecot fixture is not running";
        ProgramState().SetAccounts({});
    }
    void TearDown() override {
        delete OpenWindow(WindowKind::Results);
        Settle();
        ProgramState().SetAccounts({});
    }

    // One timed check of account 0, as the main window runs it.
    void CheckFirstAccount() {
        const int change =
            CheckAccount(ProgramState().Accounts()[0].params, ProgramState().SessionOptionsNow(),
                         ProgramState().PlayWave(), notifier)
                .change;
        if (change != 0) ProgramState().SetLastChange(0, change);
        qobject_cast<ResultsWindow*>(OpenWindow(WindowKind::Results))->RefreshPanel(0);
        Settle();
    }

    QString PanelText(const char* name) {
        QWidget* panel =
            OpenWindow(WindowKind::Results)->findChild<QWidget*>(QStringLiteral("panel_0"));
        return Find<QLabel>(panel, name)->text();
    }

    QApplication& app = TestApplication();
    TempFolder folder;
    ProgramFolderScope scope{folder.Path()};
    CommandCatcher mainWindow;
    NoCheckNotifier notifier;
};

TEST_F(ResultsAfterCheckTest, PanelFollowsNewMailAndAFailedLogin) {
    const MailUser user = AddMailUser("results");
    AddMessages(user, 3);
    AccountEntry item;
    item.enabled = true;
    item.params = AccountFor(user);
    ProgramState().SetAccounts({item});

    OpenResultsWindow(ProgramState());
    EXPECT_EQ(PanelText("value_count"), QStringLiteral("0"));
    CheckFirstAccount();
    EXPECT_EQ(PanelText("value_count"), QStringLiteral("3   ( 3 )"));
    EXPECT_TRUE(PanelText("value_status").startsWith(QStringLiteral("new_mail - ")));
    EXPECT_FALSE(PanelText("value_last_check").isEmpty());

    OpenWindow(WindowKind::Results)->close();
    Settle();
    item.params.password = "wrong";
    ProgramState().SetAccount(0, item);
    OpenResultsWindow(ProgramState());
    EXPECT_EQ(PanelText("value_status"), QStringLiteral("OK"));
    CheckFirstAccount();
    EXPECT_EQ(PanelText("value_count"), QStringLiteral("3"));
    EXPECT_TRUE(PanelText("value_status").startsWith(QStringLiteral("Error - ")));
}

}  // namespace
