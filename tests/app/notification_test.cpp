// The tray icon, the alert window and the data module's notification handlers; new mail found
// by a timed check against the real Dovecot.
#include <gmock/gmock.h>
#include <QAbstractButton>
#include <QLabel>
#include <QSignalSpy>
#include <QTest>

#include "app_test_support.h"
#include "engine/mail_monitor.h"
#include "notify/alert_parts.h"
#include "notify/alert_window.h"
#include "notify/ui_notifier.h"
#include "settings/settings.h"
#include "support/mail_fixture.h"
#include "support/scripted_server.h"

namespace {

using ::testing::StartsWith;
using NotificationTest = AppTest;

TEST(TrayHint, NotificationAreaShowsAtMost63CharactersBeforeABar) {
    TestApplication();
    EXPECT_EQ(ShownTrayHint(std::string(70, 'x')), QString(63, 'x'));
    EXPECT_EQ(ShownTrayHint("Checking a@x.example|second part"), "Checking a@x.example");
    EXPECT_EQ(ShownTrayHint("short"), "short");
}

TEST(AlertText, CountChangeMessageCarriesTheSignedChange) {
    EXPECT_EQ(CountChangeMessage("You have new mail", "a@x.example", 2),
              "<FONT size=\"8\" face=\"Arial\">You have new mail<br><b>a@x.example</b> "
              "(2)</FONT>");
    EXPECT_TRUE(CountChangeMessage("changed", "a@x.example", -3).endsWith("</b> (-3)</FONT>"));
    EXPECT_TRUE(CountChangeMessage("new", "a@x.example", 3, {"Work: 2 new", "R&D: 1 new"})
                    .endsWith("</b> (3)<br>Work: 2 new<br>R&amp;D: 1 new</FONT>"));
    EXPECT_EQ(AlertMarkupToHtml("<FONT size=\"8\" face=\"Arial\">x</FONT>"),
              "<FONT style=\"font-size:8pt\" face=\"Arial\">x</FONT>");
    EXPECT_EQ(AlertPositionText("%d of %d", 1, 3), "1 of 3");
}

// The notification's lines: each account's arrivals, the folders they came in for an account
// that watches several, then the newest messages.
TEST(NotificationText, LinesNameTheFoldersOfAnAccountThatWatchesSeveral) {
    std::vector<AccountEntry> accounts(2);
    accounts[0].params.email = "plain@x.example";
    accounts[1].params.email = "folders@x.example";
    NewMailTally tally;
    tally.Add(accounts[1].params, 2, {{"Work: Ann — Hi"}, {MessageId()}, {"Work"}},
              {{"Work", 1}, {"INBOX", 1}});
    tally.Add(accounts[1].params, 1, {}, {{"Work", 1}});
    tally.Add(accounts[0].params, 1, {});
    EXPECT_EQ(NewMailNotificationLines(tally, accounts),
              (std::vector<std::string>{"plain@x.example: 1 notification_new_one",
                                        "folders@x.example: 3 notification_new_other",
                                        "Work: 2 notification_new_other",
                                        "INBOX: 1 notification_new_one", "Work: Ann — Hi"}));
    EXPECT_EQ(tally.newest[0].folder, "Work");  // where "Mark as read" flags it
}

TEST_F(NotificationTest, AlertFadesInAtTheBottomRightAndClosesByItsButton) {
    Start();
    AlertWindow& alert = services->Alert();
    QSignalSpy closed(&alert, &AlertWindow::Closed);
    alert.ClearMessages();
    alert.AddMessage(CountChangeMessage("You have new mail", "a@x.example", 2), 1);
    alert.ShowAlert();
    EXPECT_TRUE(alert.isVisible());
    EXPECT_EQ(alert.CurrentPhase(), AlertWindow::Phase::FadingIn);
    EXPECT_EQ(alert.Alpha(), 64);
    EXPECT_GE(alert.width(), 288);
    EXPECT_GE(alert.height(), 64);
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    EXPECT_EQ(alert.frameGeometry().bottomRight(), screen.bottomRight());
    EXPECT_TRUE(alert.windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_EQ(alert.findChild<QLabel*>("alertPosition")->text(), "1 of 1");
    EXPECT_TRUE(alert.findChild<QLabel*>("alertText")->text().contains("<b>a@x.example</b> (2)"));
    EXPECT_EQ(alert.findChild<QAbstractButton*>("alertClose")->toolTip(), "OK");
    EXPECT_EQ(alert.findChild<QAbstractButton*>("alertNext")->toolTip(), "Next");
    EXPECT_EQ(alert.findChild<QAbstractButton*>("alertPrevious")->toolTip(), "Previous");

    RunFor(1400);
    EXPECT_EQ(alert.CurrentPhase(), AlertWindow::Phase::Displayed);
    EXPECT_EQ(alert.Alpha(), 188);

    // A second notification while shown renews the content in place.
    alert.ClearMessages();
    alert.AddMessage(CountChangeMessage("changed", "b@x.example", -1), 1);
    alert.ShowAlert();
    EXPECT_EQ(alert.CurrentPhase(), AlertWindow::Phase::Displayed);
    EXPECT_TRUE(alert.findChild<QLabel*>("alertText")->text().contains("b@x.example"));

    ProgramState().SetPendingAccount("a@x.example");
    QTest::mouseClick(alert.findChild<QAbstractButton*>("alertClose"), Qt::LeftButton);
    EXPECT_FALSE(alert.isVisible());
    EXPECT_EQ(closed.count(), 1);
    EXPECT_EQ(services->Tray().Hint(), "check_email_last a@x.example");
}

TEST_F(NotificationTest, AlertNavigatesBetweenItsMessages) {
    Start();
    AlertWindow& alert = services->Alert();
    alert.AddMessage(CountChangeMessage("You have new mail", "first@x.example", 1), 1);
    alert.AddMessage(CountChangeMessage("You have new mail", "second@x.example", 4), 1);
    alert.ShowAlert();
    auto* position = alert.findChild<QLabel*>("alertPosition");
    auto* text = alert.findChild<QLabel*>("alertText");
    auto* previous = alert.findChild<QAbstractButton*>("alertPrevious");
    auto* next = alert.findChild<QAbstractButton*>("alertNext");
    EXPECT_EQ(position->text(), "2 of 2") << "the newest message is shown";
    EXPECT_FALSE(next->isEnabled());
    const QImage disabledLook = next->grab().toImage();
    next->setEnabled(true);
    EXPECT_NE(next->grab().toImage(), disabledLook) << "a disabled arrow looks disabled";
    next->setEnabled(false);
    QTest::mouseClick(previous, Qt::LeftButton);
    EXPECT_EQ(position->text(), "1 of 2");
    EXPECT_TRUE(text->text().contains("first@x.example"));
    EXPECT_FALSE(previous->isEnabled());
    QTest::mouseClick(next, Qt::LeftButton);
    EXPECT_TRUE(text->text().contains("second@x.example"));
    alert.ClearMessages();
    EXPECT_TRUE(alert.Messages().isEmpty());
}

TEST_F(NotificationTest, ClosingTheAlertWithoutPendingAccountKeepsTheHint) {
    Start();
    ProgramState().SetPendingAccount({});
    services->Tray().SetHint("You have new mail");
    services->Alert().AddMessage("x", 1);
    services->Alert().ShowAlert();
    services->AcknowledgeNewMail();
    EXPECT_FALSE(services->Alert().isVisible());
    EXPECT_EQ(services->Tray().Hint(), "You have new mail");
}

TEST_F(NotificationTest, TrayClickAcknowledgesAndOpensTheResults) {
    WriteSettings({{.email = "a@x.example", .user = "a"}});
    Start();
    services->Notifier().ShowNewMailIcon(1);
    services->Notifier().AlertCountChanged(Item("a@x.example").params, 1);
    // The arrivals of every check add up on the badge.
    monitor->RecordCheck(Item("a@x.example").params, 1, 1);
    monitor->RecordCheck(Item("b@x.example").params, 2, 2);
    EXPECT_EQ(services->Tray().Picture(), TrayPicture::NewMail);
    EXPECT_EQ(services->Tray().NewMailCount(), 3);
    EXPECT_EQ(sounds.size(), 1u);
    Q_EMIT services->Tray().Clicked();
    EXPECT_EQ(services->Tray().Picture(), TrayPicture::Normal);
    EXPECT_EQ(services->Tray().NewMailCount(), 0);
    EXPECT_FALSE(services->Alert().isVisible());
    EXPECT_EQ(monitor->NewMail().total, 0);
    EXPECT_FALSE(OpenWindow(WindowKind::Results)) << "opens after the click handler";
    QCoreApplication::sendPostedEvents(window.get(), QEvent::MetaCall);
    EXPECT_TRUE(OpenWindow(WindowKind::Results));
}

TEST_F(NotificationTest, AlertClickOpensTheResultsAndAcknowledges) {
    WriteSettings({{.email = "a@x.example", .user = "a"}});
    Start();
    services->Notifier().ShowNewMailIcon(1);
    services->Notifier().AlertCountChanged(Item("a@x.example").params, 1);
    QTest::mouseClick(services->Alert().findChild<QWidget*>("alertBody"), Qt::LeftButton);
    EXPECT_FALSE(services->Alert().isVisible());
    EXPECT_EQ(services->Tray().Picture(), TrayPicture::Normal);
    QCoreApplication::sendPostedEvents(window.get(), QEvent::MetaCall);
    EXPECT_TRUE(OpenWindow(WindowKind::Results));
}

class NewMailTest : public AppTest {
protected:
    void SetUp() override {
        if (!DovecotAvailable()) GTEST_SKIP() << "the Dovecot fixture is not running";
    }
    // A hidden main window whose timer checks `user` with the real check cycle.
    void CheckOnce(const MailUser& user, bool playWaveOn) {
        const AccountSettings account = AccountFor(user);
        WriteSettings({{.email = account.email,
                        .host = account.host,
                        .user = account.username,
                        .password = account.password,
                        .port = account.port}},
                      playWaveOn);
        Start();
        monitor->Scheduler().SetRunner(CheckAccount);
        ShowWindow();
        window->actContinue->trigger();
        window->OnIdle();
        TickAndWait();
    }
};

TEST_F(NewMailTest, NewMailWithAlertAndSound) {
    const MailUser user = AddMailUser("tray");
    AddMessages(user, 2);
    CheckOnce(user, true);
    EXPECT_EQ(services->Tray().Picture(), TrayPicture::NewMail);
    EXPECT_EQ(services->Tray().Hint(), "you_have_a_new_mail");
    ASSERT_EQ(services->Alert().Messages().size(), 1);
    EXPECT_EQ(services->Alert().Messages()[0].text,
              CountChangeMessage("you_have_a_new_mail", AccountFor(user).email, 2));
    EXPECT_EQ(services->Alert().Messages()[0].imageIndex, 1);
    EXPECT_TRUE(services->Alert().isVisible());
    ASSERT_EQ(sounds.size(), 1u);
    EXPECT_EQ(sounds[0], folder_.File("newm.wav"));

    // Two messages went away: the alert says so with -2, the tray picture stays.
    ClearMailbox(user);
    services->AcknowledgeNewMail();
    monitor->SetCheckIndex(0);
    TickAndWait();
    EXPECT_EQ(services->Tray().Hint(), "message_count_was_changed");
    EXPECT_EQ(services->Tray().Picture(), TrayPicture::Normal);
    ASSERT_EQ(services->Alert().Messages().size(), 1);
    EXPECT_TRUE(services->Alert().Messages()[0].text.endsWith("</b> (-2)</FONT>"));
    EXPECT_EQ(sounds.size(), 2u);
}

TEST_F(NewMailTest, NewMailWithoutPlayWaveChangesOnlyTheTray) {
    const MailUser user = AddMailUser("quiet");
    AddMessages(user, 1);
    CheckOnce(user, false);
    EXPECT_EQ(services->Tray().Picture(), TrayPicture::NewMail);
    EXPECT_EQ(services->Tray().Hint(), "you_have_a_new_mail");
    EXPECT_FALSE(services->Alert().isVisible());
    EXPECT_TRUE(sounds.empty());
}

TEST_F(NewMailTest, AnUntrustedCertificateIsAskedAboutAfterTheCheckOnceAndYesTrustsIt) {
    ScriptedServer server(
        "S: +OK hi\nC: CAPA\nS: -ERR\nC: USER bob\nS: +OK\nC: PASS secret\nS: +OK\nC: STAT\nS: +OK "
        "1 10\nC: UIDL "
        "1\nS: +OK 1 one\nC: QUIT",
        Dovecot().selfSignedCert, Dovecot().selfSignedKey);
    WriteSettings(
        {{.email = "s@x.example", .host = "localhost", .user = "bob", .port = server.Port()}});
    OpenSettings()->WriteString("EML_0", "SSL", "1");
    Start();
    monitor->Scheduler().SetRunner(CheckAccount);
    ShowWindow();
    window->actContinue->trigger();
    window->OnIdle();
    const AccountSettings account = ProgramState().Accounts()[0].params;
    const auto check = [&] {
        monitor->SetCheckIndex(0);
        TickAndWait();
    };
    const auto stored = [&](const char* key) {
        return OpenSettings()->ReadString(AccountSection(account), key, "");
    };

    boxAnswer = QMessageBox::No;
    check();
    ASSERT_EQ(boxes.size(), 1u) << stored("LAST_ERROR");
    const std::string fingerprint = stored("SSL_PIN_DECLINED");
    EXPECT_THAT(fingerprint, StartsWith("sha256:"));
    EXPECT_EQ(boxes[0].title, "certificate_untrusted_dialog_title");
    EXPECT_NE(boxes[0].text.find("localhost"), std::string::npos);
    EXPECT_NE(boxes[0].text.find(fingerprint), std::string::npos);
    EXPECT_EQ(stored("SSL_PIN_DECLINED"), fingerprint);
    EXPECT_EQ(stored("SSL_PIN"), "");

    check();  // declined: not asked again
    EXPECT_FALSE(ProgramState().TrustQuestionWaits());
    EXPECT_EQ(boxes.size(), 1u);

    OpenSettings()->WriteString(AccountSection(account), "SSL_PIN_DECLINED", "");
    boxAnswer = QMessageBox::Yes;
    check();
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_EQ(stored("SSL_PIN"), fingerprint);
    check();  // trusted from now on
    EXPECT_EQ(stored("LAST_RESULT"), "1") << stored("LAST_ERROR");
    EXPECT_EQ(services->Tray().NewMailCount(), 1);
    EXPECT_EQ(boxes.size(), 2u);
    EXPECT_EQ(server.Problems(), "");
}

}  // namespace
