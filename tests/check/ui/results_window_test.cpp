// The results window as a user meets it: real widgets on the offscreen platform, the run state
// in a settings file of the test's own.

#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QKeyEvent>
#include <QScreen>
#include <QTextDocument>
#include <QToolButton>
#include <filesystem>

#include "check/ui/image_list.h"
#include "check/ui/notification.h"
#include "check/ui/results_window.h"
#include "check/ui/window_test_support.h"
#include "settings/errors.h"
#include "settings/ini_file.h"
#include "settings/language.h"
#include "settings/settings.h"
#include "settings/watched_folders.h"
#include "state/app_state.h"
#include "support/temp_folder.h"

namespace {

const QColor kBlue(0x00, 0x00, 0xFF);
const QColor kGrey(0x80, 0x80, 0x80);
const QColor kRed(0xFF, 0x00, 0x00);
const QColor kGreen(0x00, 0x80, 0x00);
const QColor kPurple(0x80, 0x00, 0x80);

// The text a hint shows: a hint that looks like markup is shown as rich text.
QString ShownHint(const QWidget* widget) {
    const QString hint = widget->toolTip();
    if (!Qt::mightBeRichText(hint)) return hint;
    QTextDocument document;
    document.setHtml(hint);
    return document.toPlainText();
}

class ResultsWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        TestApplication();
        ProgramState().SetAccounts({});
        ProgramState().SetPendingAccount({});
        SetAcknowledgeNewMailHandler([this] { ++acknowledged; });
    }

    void TearDown() override {
        delete OpenWindow(WindowKind::Results);
        Settle();
        ProgramState().SetAccounts({});
        SetAcknowledgeNewMailHandler(nullptr);
    }

    AccountEntry AddAccount(const std::string& email, const std::string& host, bool enabled = true,
                            bool ssl = false) {
        AccountEntry item;
        item.enabled = enabled;
        item.params.email = email;
        item.params.host = host;
        item.params.username = "user";
        item.params.port = 110;
        item.params.ssl = ssl;
        std::vector<AccountEntry> accounts = ProgramState().Accounts();
        accounts.push_back(item);
        ProgramState().SetAccounts(std::move(accounts));
        Write(item, "EMAIL", email);
        Write(item, "ENABLED", enabled ? "1" : "0");
        return item;
    }

    void Write(const AccountEntry& item, const char* key, const std::string& value) {
        IniFile(folder.File("vellmoor.ini")).WriteString(AccountSection(item.params), key, value);
    }

    QWidget* Open() {
        OpenResultsWindow(ProgramState());
        return OpenWindow(WindowKind::Results);
    }

    QWidget* Panel(int index) {
        return OpenWindow(WindowKind::Results)
            ->findChild<QWidget*>(QStringLiteral("panel_%1").arg(index));
    }

    QLabel* Label(int index, const char* name) { return Find<QLabel>(Panel(index), name); }

    QImage StatusPicture(int index) {
        return Find<QLabel>(Panel(index), ("Ipanel_" + std::to_string(index)).c_str())
            ->pixmap()
            .toImage();
    }

    void CloseWindow() {
        OpenWindow(WindowKind::Results)->close();
        Settle();
    }

    QApplication& app = TestApplication();
    TempFolder folder;
    ProgramFolderScope scope{folder.Path()};
    CommandCatcher mainWindow;
    int acknowledged = 0;
};

TEST_F(ResultsWindowTest, WithoutAccountsTheWindowHoldsOneEmptyPanelHeight) {
    QWidget* window = Open();
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(window->height(), 100);
    EXPECT_EQ(window->width(), 328);
    EXPECT_EQ(window->windowTitle(), QStringLiteral("  email_results_window"));
    EXPECT_EQ(Panel(0), nullptr);
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    EXPECT_EQ(window->x() + window->width() + 8, screen.x() + screen.width());
    EXPECT_GT(window->y() + window->height(), screen.y() + screen.height() - 100);
}

TEST_F(ResultsWindowTest, HeightFollowsTheAccountsUpToTheScreenLessOneHundred) {
    AddAccount("a@x", "a");
    AddAccount("b@x", "b");
    EXPECT_EQ(Open()->height(), 200);
    CloseWindow();

    const int screenHeight = QGuiApplication::primaryScreen()->availableGeometry().height();
    for (int i = 0; i < screenHeight / 100 + 3; ++i)
        AddAccount("m" + std::to_string(i) + "@x", "m" + std::to_string(i));
    QWidget* window = Open();
    EXPECT_EQ(window->height(), screenHeight - 100);
    EXPECT_NE(Panel(static_cast<int>(ProgramState().Accounts().size()) - 1), nullptr);
}

TEST_F(ResultsWindowTest, WidthIsKeptInTheSettingsFileAndHeightIsNot) {
    IniFile(folder.File("vellmoor.ini")).WriteInteger("GENERAL", "POPRESULTSWINDOW_WIDTH", 500);
    QWidget* window = Open();
    EXPECT_EQ(window->width(), 500);
    window->resize(420, 300);
    CloseWindow();
    IniFile ini(folder.File("vellmoor.ini"));
    EXPECT_EQ(ini.ReadInteger("GENERAL", "POPRESULTSWINDOW_WIDTH", 0), 420);
    EXPECT_EQ(ini.ReadString("GENERAL", "POPRESULTSWINDOW_HEIGHT", "none"), "none");

    ini.WriteString("GENERAL", "POPRESULTSWINDOW_WIDTH", "5000");
    EXPECT_EQ(Open()->width(), 800);
}

// An account that watches several folders has a line more for each folder, with its count.
TEST_F(ResultsWindowTest, NoTitleIsCutInTheShippedLanguagesAndFoldersHaveTheirCounts) {
    const AccountEntry account = AddAccount("me@example.org", "pop.example.org");
    Write(account, "COUNT", "3");
    Write(account, "LAST_CHECK", "01/02/26 10:00:00");
    AccountEntry watching = AddAccount("you@example.org", "imap.example.org");
    watching.params.protocol = MailProtocol::Imap;
    watching.params.folders = "*";
    ProgramState().SetAccount(1, watching);
    StoreFolderStates(*OpenSettings(), AccountSection(watching.params),
                      {{"INBOX", 1, 0, 0, 0, 0}, {"Práce", 4, 2, 0, 0, 0}});
    for (const char* code : {"en", "cs"}) {
        const ShippedLanguage language(code);
        QWidget* window = Open();
        EXPECT_EQ(CutTexts(window), "") << code;
        EXPECT_EQ(Label(1, "value_folders")->text(), QStringLiteral("INBOX 1\nPráce 4 (+2)"));
        EXPECT_GE(Panel(1)->height(), Panel(0)->height() + Label(1, "value_folders")->height());
        EXPECT_EQ(window->height(), Panel(0)->height() + Panel(1)->height());
        EXPECT_EQ(Panel(0)->findChild<QLabel*>(QStringLiteral("value_folders")), nullptr);
        CloseWindow();
    }
}

TEST_F(ResultsWindowTest, FailedCheckShowsTheStoredErrorInPurple) {
    const AccountEntry account = AddAccount("me@example.org", "pop.example.org");
    Write(account, "COUNT", "3");
    Write(account, "LAST_CHECK", "01/02/26 10:00:00");
    Write(account, "LAST_RESULT", "0");
    Write(account, "LAST_ERROR", "-ERR <b>no</b>~try later");
    Open();
    EXPECT_EQ(Label(0, "value_email")->text(), QStringLiteral("me@example.org"));
    EXPECT_EQ(TextColour(Label(0, "value_email")), kBlue);
    EXPECT_EQ(Label(0, "value_count")->text(), QStringLiteral("3"));
    EXPECT_EQ(Label(0, "value_last_check")->text(), QStringLiteral("01/02/26 10:00:00"));
    QLabel* status = Label(0, "value_status");
    EXPECT_EQ(status->text(), QStringLiteral("Error - -ERR <b>no</b>~try later"));
    EXPECT_EQ(status->textFormat(), Qt::PlainText);
    // The hint shows the server's text as it is, never as markup.
    EXPECT_EQ(ShownHint(status), status->text());
    EXPECT_EQ(TextColour(status), kPurple);
    EXPECT_EQ(StatusPicture(0), ImageListPicture(3).toImage());
}

TEST_F(ResultsWindowTest, NewMailShowsTheChangeUntilTheWindowCloses) {
    const AccountEntry account = AddAccount("me@example.org", "pop.example.org");
    Write(account, "COUNT", "7");
    Write(account, "LAST_INCOME", "01/02/26 11:00:00");
    ProgramState().SetLastChange(0, 2);
    Open();
    EXPECT_EQ(Label(0, "value_count")->text(), QStringLiteral("7   ( 2 )"));
    EXPECT_EQ(Label(0, "value_status")->text(), QStringLiteral("new_mail - 01/02/26 11:00:00"));
    EXPECT_EQ(TextColour(Label(0, "value_status")), kRed);
    EXPECT_EQ(StatusPicture(0), ImageListPicture(1).toImage());

    CloseWindow();
    EXPECT_EQ(ProgramState().Accounts()[0].lastChange, 0);
    EXPECT_EQ(acknowledged, 1);
    Open();
    EXPECT_EQ(Label(0, "value_count")->text(), QStringLiteral("7"));
    EXPECT_EQ(Label(0, "value_status")->text(), QStringLiteral("OK"));
    EXPECT_EQ(TextColour(Label(0, "value_status")), kGreen);
    EXPECT_EQ(StatusPicture(0), ImageListPicture(0).toImage());
}

TEST_F(ResultsWindowTest, FewerMessagesShowTheChangedTextWithTheFinePicture) {
    const AccountEntry account = AddAccount("me@example.org", "pop.example.org");
    Write(account, "COUNT", "4");
    ProgramState().SetLastChange(0, -3);
    Open();
    EXPECT_EQ(Label(0, "value_count")->text(), QStringLiteral("4   ( -3 )"));
    EXPECT_EQ(Label(0, "value_status")->text(), QStringLiteral("mail_changed - "));
    EXPECT_EQ(StatusPicture(0), ImageListPicture(0).toImage());
}

TEST_F(ResultsWindowTest, DisabledAccountIsGreyAndItsAddressIsNoLink) {
    AddAccount("off@example.org", "pop.example.org", false);
    Open();
    QLabel* email = Label(0, "value_email");
    EXPECT_EQ(TextColour(email), kGrey);
    EXPECT_EQ(Label(0, "value_status")->text(), QStringLiteral("disabled"));
    EXPECT_EQ(TextColour(Label(0, "value_status")), kGrey);
    EXPECT_EQ(StatusPicture(0), ImageListPicture(2).toImage());

    QTest::mouseClick(email, Qt::LeftButton);
    EXPECT_TRUE(ProgramState().PendingAccount().empty());
    EXPECT_FALSE(mainWindow.ReceivedCommand(WindowRequest::List));
}

TEST_F(ResultsWindowTest, ClickingAPanelOpensTheListOnItsAccount) {
    AddAccount("first@example.org", "one");
    AddAccount("second@example.org", "two", true, true);
    Open();
    EXPECT_EQ(Find<QLabel>(Panel(0), "isslpanel_0"), nullptr);
    EXPECT_NE(Find<QLabel>(Panel(1), "isslpanel_1"), nullptr);

    QTest::mouseClick(Label(1, "title_click"), Qt::LeftButton);
    EXPECT_EQ(ProgramState().PendingAccount(), "second@example.org");
    EXPECT_TRUE(mainWindow.Received(WindowRequest::List, 0));

    mainWindow.Clear();
    QTest::mouseClick(Label(0, "value_email"), Qt::LeftButton);
    EXPECT_EQ(ProgramState().PendingAccount(), "first@example.org");
    EXPECT_TRUE(mainWindow.Received(WindowRequest::List, 0));

    ProgramState().SetPendingAccount({});
    QTest::mouseClick(Find<QLabel>(Panel(1), "Ipanel_1"), Qt::LeftButton);
    EXPECT_EQ(ProgramState().PendingAccount(), "second@example.org");

    ProgramState().SetPendingAccount({});
    QTest::mouseClick(Label(0, "title_count"), Qt::LeftButton);
    EXPECT_TRUE(ProgramState().PendingAccount().empty());
}

TEST_F(ResultsWindowTest, RefreshCommandUpdatesOnlyThatPanel) {
    AddAccount("first@example.org", "one");
    AddAccount("second@example.org", "two");
    auto* window = qobject_cast<ResultsWindow*>(Open());
    Write(ProgramState().Accounts()[0], "COUNT", "12");
    Write(ProgramState().Accounts()[1], "COUNT", "99");

    window->RefreshPanel(5);
    window->RefreshPanel(-1);
    Settle();
    EXPECT_EQ(Label(0, "value_count")->text(), QStringLiteral("0"));

    ProgramState().SetPushUnused("first@example.org");  // its server is silent during IDLE
    window->RefreshPanel(0);
    Settle();
    EXPECT_EQ(Label(0, "value_count")->text(), QStringLiteral("12"));
    EXPECT_EQ(Label(1, "value_count")->text(), QStringLiteral("0"));
    EXPECT_EQ(Panel(0)->toolTip(),
              QString::fromStdString("first@example.org - POP3\n" + GetLangText("push_unused")));
    EXPECT_EQ(Panel(1)->toolTip(), QStringLiteral("second@example.org - POP3"));
    ProgramState().Reset();
}

TEST_F(ResultsWindowTest, HelpComesFromF1AndFromThePanelButton) {
    AddAccount("first@example.org", "one");
    QWidget* window = Open();
    QTest::keyClick(window, Qt::Key_F1);
    EXPECT_TRUE(mainWindow.Received(WindowRequest::Help, 100));

    mainWindow.Clear();
    QTest::mouseClick(Find<QToolButton>(Panel(0), "Hpanel_0"), Qt::LeftButton);
    EXPECT_TRUE(mainWindow.Received(WindowRequest::Help, 100));
}

TEST_F(ResultsWindowTest, OnlyOneWindowAndItsClosingIsReported) {
    QWidget* window = Open();
    EXPECT_EQ(Open(), window);
    CloseWindow();
    EXPECT_TRUE((OpenWindow(WindowKind::Results) == nullptr));
    EXPECT_TRUE(mainWindow.Received(WindowRequest::Closed, 0));

    mainWindow.Clear();
    QTest::keyClick(Open(), Qt::Key_Escape);
    Settle();
    EXPECT_TRUE((OpenWindow(WindowKind::Results) == nullptr)) << "Escape closes it";
    EXPECT_TRUE(mainWindow.Received(WindowRequest::Closed, 0));
}

TEST_F(ResultsWindowTest, ClosesEvenWhenItsWidthCannotBeStored) {
    // A folder in the settings file's place: the width cannot be written.
    std::filesystem::create_directories(folder.File("vellmoor.ini/in-the-way"));
    Open();
    OpenWindow(WindowKind::Results)->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE((OpenWindow(WindowKind::Results) == nullptr));
    // The failure itself travels on to the program's error handler.
    EXPECT_THROW(QCoreApplication::sendPostedEvents(), TarnwickError);
}

}  // namespace
