// Idle handling, the auto-continue pause, and what the windows and the tray show of the checks.
#include <QLabel>
#include <QTimer>

#include "app_test_support.h"
#include "check/ui/results_window.h"
#include "list/ui/list_window.h"
#include "settings/settings.h"
#include "setup/setup_window.h"

namespace {

class ScheduleTest : public AppTest {
protected:
    void StartHidden(const std::vector<TestAccount>& testAccounts) {
        WriteSettings(testAccounts);
        Start();
        ShowWindow();
        window->actContinue->trigger();
        window->OnIdle();
    }
    void Tick() { TickAndWait(); }
};

const std::vector<TestAccount> kThree = {{.email = "one@x.example", .user = "one"},
                                         {.email = "two@x.example", .user = "two"},
                                         {.email = "three@x.example", .user = "three"}};

TEST_F(ScheduleTest, HidingStartsTheChecksEightSecondsLaterAndShowingStopsThem) {
    StartHidden({{.email = "a@x.example", .user = "a"}});
    EXPECT_TRUE(services->Tray().Active());
    EXPECT_TRUE(monitor->CheckTimer().isActive());
    EXPECT_EQ(monitor->CheckTimer().interval(), 8000);

    window->actShowMain->trigger();
    window->OnIdle();
    EXPECT_FALSE(monitor->CheckTimer().isActive());
    EXPECT_FALSE(services->Tray().Active());
    Tick();
    EXPECT_TRUE(checked.empty()) << "no check while the main window is shown";
}

TEST_F(ScheduleTest, AnErrorThatEscapesACheckGoesToTheTrayHint) {
    StartHidden({{.email = "a@x.example", .user = "a"}});
    monitor->SetAccountChecker(
        [](const AccountSettings&) -> int { throw std::runtime_error("Unable to write to x"); });
    Tick();
    EXPECT_EQ(services->Tray().Hint(), "Unable to write to x");
}

TEST_F(ScheduleTest, NoCheckWhileTheSetupWindowIsOpen) {
    StartHidden({{.email = "a@x.example", .user = "a"}});
    ShowSetupWindow(ProgramState());
    ASSERT_TRUE(OpenWindow(WindowKind::Setup));
    Tick();
    EXPECT_TRUE(checked.empty());
    EXPECT_TRUE(monitor->CheckTimer().isActive()) << "the tick still re-arms";
    delete OpenWindow(WindowKind::Setup);
    Tick();
    EXPECT_EQ(checked.size(), 1u);
}

TEST_F(ScheduleTest, NoCheckWhileTheFilterWindowIsOpen) {
    StartHidden({{.email = "a@x.example", .user = "a"}});
    window->actSpam->trigger();
    ASSERT_TRUE(OpenWindow(WindowKind::Filter));
    Tick();
    EXPECT_TRUE(checked.empty());
    OpenWindow(WindowKind::Filter)->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    ASSERT_FALSE(OpenWindow(WindowKind::Filter));
    Tick();
    EXPECT_EQ(checked.size(), 1u);
}

TEST_F(ScheduleTest, StartWithParameterHidesAfterOneSecondUnlessACommandVetoes) {
    WriteSettings({{.email = "a@x.example", .user = "a"}});
    ProgramState().SetStartedWithParameters(true);
    Start();
    ShowWindow();
    window->OnIdle();
    EXPECT_TRUE(window->continueTimer_->isActive());
    EXPECT_EQ(window->continueTimer_->interval(), 1000);
    RunFor(1300);
    EXPECT_FALSE(window->isVisible());
    EXPECT_FALSE(ProgramState().StartedWithParameters());

    window->actShowMain->trigger();
    window->OnIdle();
    EXPECT_EQ(window->continueTimer_->interval(), 48000) << "every later pause is the long one";
}

TEST_F(ScheduleTest, CommandVetoesThePendingHideAndNothingArmsWithoutAccounts) {
    Start();
    ShowWindow();
    delete OpenWindow(WindowKind::Setup);
    window->OnIdle();
    EXPECT_FALSE(window->continueTimer_->isActive())
        << "no ProgramState().Accounts(), no auto-continue";

    ProgramState().SetAccounts({Item("a@x.example")});
    window->OnIdle();
    ASSERT_TRUE(window->continueTimer_->isActive());
    EXPECT_EQ(window->continueTimer_->interval(), 48000);
    window->actHelp->trigger();  // sets the veto
    QMetaObject::invokeMethod(window->continueTimer_, "timeout");
    EXPECT_TRUE(window->isVisible());
    EXPECT_FALSE(window->continueTimer_->isActive());
}

}  // namespace

// A failed check shows at once in the open results window and in the tray's hint, although an
// earlier check of the account had found new mail.
TEST_F(ScheduleTest, AFailedCheckShowsItsErrorAtOnce) {
    StartHidden({{.email = "a@x.example", .user = "a"}});
    OpenResultsWindow(ProgramState());
    changeToReport = 2;
    Tick();
    const auto status = [] {
        QWidget* panel = OpenWindow(WindowKind::Results)->findChild<QWidget*>("panel_0");
        return panel->findChild<QLabel*>("value_status")->text().toStdString();
    };
    EXPECT_EQ(status().rfind(GetLangText("new_mail"), 0), 0u) << status();

    monitor->SetAccountChecker([](const AccountSettings& account) {
        OpenSettings()->WriteString(AccountSection(account), "LAST_RESULT", "0");
        OpenSettings()->WriteString(AccountSection(account), "LAST_ERROR", "Connection refused");
        return 0;
    });
    Tick();
    EXPECT_EQ(status(), GetLangText("Error") + " - Connection refused");
    EXPECT_EQ(services->Tray().Hint(), GetLangText("check_email_last") + " a@x.example - " +
                                           GetLangText("Error") + " - Connection refused");
}

// The list window holds back only the checks of the POP3 account whose mailbox it has open.
TEST(ListWindowHold, OnlyTheListedPop3AccountWaits) {
    AccountSettings listed;
    listed.email = "a@x.example";
    listed.host = "pop.x.example";
    listed.username = "a";
    AccountSettings other = listed;
    other.username = "b";  // another mailbox on the same server
    EXPECT_TRUE(HoldsMailbox(listed, listed));
    EXPECT_FALSE(HoldsMailbox(listed, other));
    EXPECT_FALSE(HoldsMailbox(std::nullopt, listed));
    listed.protocol = MailProtocol::Imap;
    EXPECT_FALSE(HoldsMailbox(listed, listed)) << "an IMAP server does not lock the mailbox";
}
