// The main window's commands, link colours, keys, close question, command message and error
// handler, driven on the real widgets.
#include <QAction>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QSignalSpy>
#include <QTest>
#include <QTextBrowser>
#include <QTextDocument>
#include <filesystem>

#include "app/command_link.h"
#include "app_test_support.h"
#include "check/ui/layout_checks.h"
#include "widgets/help_viewer.h"

namespace {

const QColor kRed(255, 0, 0);
const QColor kBlue(0, 0, 255);
const QColor kGrey(128, 128, 128);

class MainWindowTest : public AppTest {
protected:
    CommandLink* Link(int n) {
        return window->findChild<CommandLink*>(QStringLiteral("l%1").arg(n));
    }
    // Lets the main window take the requests made so far.
    void Deliver() { QCoreApplication::sendPostedEvents(window.get(), QEvent::MetaCall); }
};

TEST_F(MainWindowTest, WindowIsTheBorderlessPanelWithItsTitleAndCaptions) {
    WriteSettings({{.email = "a@x.example", .user = "a"}});
    Start();
    EXPECT_EQ(window->size(), QSize(442, 351));
    EXPECT_TRUE(window->windowFlags() & Qt::FramelessWindowHint);
    EXPECT_EQ(window->windowTitle(), "Tarnwick - your e-mail guard. 3.03");
    // Without a language file every text shows as its key.
    EXPECT_EQ(window->findChild<QLabel*>("title")->text(), "tray_first_hint");
    EXPECT_EQ(window->findChild<QLabel*>("subtitle")->text(), "prog_subtitle");
    EXPECT_EQ(Link(1)->text(), "continue_mm");
    EXPECT_EQ(Link(7)->text(), "spam_filter_mm");
    EXPECT_EQ(window->actHelp->toolTip(), "help_mm");
    EXPECT_TRUE(boxes.empty()) << "no first-run box with an account";
}

TEST_F(MainWindowTest, NoTextIsCutInTheShippedLanguages) {
    WriteSettings({{.email = "a@x.example", .user = "a"}});
    for (const char* code : {"en", "cs"}) {
        const ShippedLanguage language(code);
        Start();
        EXPECT_EQ(CutTexts(window.get()), "") << code;
        EXPECT_EQ(window->size(), QSize(442, 351)) << code;
        window.reset();
        services.reset();
    }
}

TEST_F(MainWindowTest, TabReachesTheLinksAndEnterOrSpaceFollowsOne) {
    WriteSettings({{.email = "a@x.example", .user = "a"}});
    Start();
    EXPECT_EQ(TabOrder(Link(1)).join(' '), "l1 l2 l3 l4 l7 l6 l5 ap_help ap_setup");
    QSignalSpy spam(window->actSpam, &QAction::triggered);
    QTest::keyClick(Link(7), Qt::Key_Return);
    QTest::keyClick(Link(7), Qt::Key_Space);
    EXPECT_EQ(spam.count(), 2);
}

TEST_F(MainWindowTest, ActionsAndLinkColoursFollowAccountsAndOpenWindows) {
    Start();
    ShowWindow();
    EXPECT_FALSE(window->actContinue->isEnabled());
    EXPECT_EQ(Link(1)->Color(), kGrey);
    EXPECT_FALSE(window->actShowList->isEnabled());
    EXPECT_EQ(Link(3)->Color(), kGrey);
    EXPECT_EQ(Link(5)->Color(), QColor(Qt::black));
    EXPECT_EQ(Link(6)->Color(), QColor(Qt::black));

    // First run: the setup window opened once; setup and filter commands are off meanwhile.
    ASSERT_TRUE(OpenWindow(WindowKind::Setup));
    EXPECT_FALSE(window->actSetup->isEnabled());
    EXPECT_EQ(Link(4)->Color(), kGrey);
    EXPECT_FALSE(window->actShowMain->isEnabled());
    delete OpenWindow(WindowKind::Setup);

    ProgramState().accounts.push_back(Item("a@x.example"));
    window->UpdateActions();
    EXPECT_EQ(Link(1)->Color(), kRed);
    EXPECT_EQ(Link(2)->Color(), kBlue);
    EXPECT_EQ(Link(3)->Color(), kBlue);
    EXPECT_EQ(Link(4)->Color(), kBlue);
    EXPECT_EQ(Link(7)->Color(), kBlue);
    EXPECT_TRUE(window->actShowMain->isEnabled());
}

TEST_F(MainWindowTest, EscapeContinuesOnlyWithAccounts) {
    Start();
    ShowWindow();
    delete OpenWindow(WindowKind::Setup);
    QTest::keyClick(window.get(), Qt::Key_Escape);
    EXPECT_TRUE(window->isVisible()) << "continue is disabled without accounts";

    ProgramState().accounts.push_back(Item("a@x.example"));
    window->UpdateActions();
    ProgramState().startedWithParameters = true;
    QTest::keyClick(window.get(), Qt::Key_Escape);
    EXPECT_FALSE(window->isVisible());
    EXPECT_FALSE(ProgramState().startedWithParameters);
    EXPECT_FALSE(window->showOnChildClose);
}

TEST_F(MainWindowTest, FirstLinkLeadsToSetupWithoutAccounts) {
    Start();
    ShowWindow();
    delete OpenWindow(WindowKind::Setup);
    window->UpdateActions();
    QTest::mouseClick(Link(1), Qt::LeftButton);
    EXPECT_TRUE(OpenWindow(WindowKind::Setup));
    EXPECT_TRUE(window->isVisible());
}

TEST_F(MainWindowTest, ASettingsFileThatCannotBeReadIsShownOnceInsteadOfTheFirstRunBox) {
    const std::string path = folder_.File("vellmoor.ini");
    std::filesystem::create_directory(path);  // unreadable for root too
    Start();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].title, "Error");
    EXPECT_EQ(boxes[0].text, "Unable to read " + path + ": Is a directory");
    EXPECT_TRUE(std::filesystem::is_directory(path));
}

TEST_F(MainWindowTest, CloseAsksOnlyWhenAccountsExist) {
    Start();
    QSignalSpy closed(window.get(), &MainWindow::closing);
    window->actClose->trigger();
    EXPECT_EQ(closed.count(), 1);
    EXPECT_EQ(boxes.size(), 1u) << "only the first-run box";

    WriteSettings({{.email = "a@x.example", .user = "a"}});
    window.reset();
    boxes.clear();
    Start();
    QSignalSpy closedAgain(window.get(), &MainWindow::closing);
    window->actContinue->trigger();
    ASSERT_FALSE(window->isVisible());
    boxAnswer = QMessageBox::No;
    window->actClose->trigger();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].title, "close_main_dialog_title");
    EXPECT_EQ(boxes[0].text, "close_main_dialog");
    EXPECT_EQ(closedAgain.count(), 0);
    EXPECT_TRUE(window->isVisible()) << "the question brings the window up";

    // A close that is not the close command (a session ending) never asks.
    window->close();
    EXPECT_EQ(boxes.size(), 1u);
    EXPECT_EQ(closedAgain.count(), 1);
}

TEST_F(MainWindowTest, CloseWithYesEnds) {
    WriteSettings({{.email = "a@x.example", .user = "a"}});
    Start();
    QSignalSpy closed(window.get(), &MainWindow::closing);
    boxAnswer = QMessageBox::Yes;
    window->actClose->trigger();
    EXPECT_EQ(boxes.size(), 1u);
    EXPECT_EQ(closed.count(), 1);
}

TEST_F(MainWindowTest, RequestsOfTheOtherWindows) {
    WriteSettings({{.email = "a@x.example", .user = "a"}});
    Start();
    ShowWindow();
    window->actContinue->trigger();
    ASSERT_FALSE(window->isVisible());

    EXPECT_FALSE(OpenWindow(WindowKind::Results));

    Q_EMIT Requests().resultsWanted();
    EXPECT_FALSE(OpenWindow(WindowKind::Results)) << "taken from the event loop";
    Deliver();
    EXPECT_TRUE(OpenWindow(WindowKind::Results)) << "a tray click opens the results window";
    Q_EMIT Requests().mainWindowWanted();
    Deliver();
    EXPECT_FALSE(window->isVisible()) << "show-main does nothing while a child window is open";
    delete OpenWindow(WindowKind::Results);
    Deliver();
    EXPECT_FALSE(window->isVisible()) << "the user sent the window away";

    Q_EMIT Requests().mainWindowWanted();
    Deliver();
    EXPECT_TRUE(window->isVisible());
    EXPECT_TRUE(window->showOnChildClose);
}

TEST_F(MainWindowTest, ClosingAChildShowsTheWindowWhileShowOnChildClose) {
    WriteSettings({{.email = "a@x.example", .user = "a"}});
    Start();
    ShowWindow();
    window->hide();  // hidden without the continue command: showOnChildClose stays true
    Q_EMIT Requests().windowClosed();
    Deliver();
    EXPECT_TRUE(window->isVisible());
}

TEST_F(MainWindowTest, HelpKeyAndCommandsOpenOneViewerAtTheirTopic) {
    std::filesystem::create_directories(folder_.File("help"));
    folder_.Write("help/800.htm", "<html><body>Main help</body></html>");
    folder_.Write("help/305.htm", "<html><body>User and password</body></html>");
    Start();
    QTest::keyClick(window.get(), Qt::Key_F1);
    auto viewers = [] {
        QList<HelpViewer*> found;
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* viewer = qobject_cast<HelpViewer*>(w); viewer && viewer->isVisible())
                found.append(viewer);
        return found;
    };
    ASSERT_EQ(viewers().size(), 1);
    EXPECT_EQ(viewers()[0]->windowTitle(), "Tarnwick - your e-mail guard.");
    EXPECT_TRUE(viewers()[0]->Browser()->source().toLocalFile().endsWith("help/800.htm"));

    ShowHelpTopic(305);
    EXPECT_EQ(viewers().size(), 1) << "posted, not yet handled";
    Deliver();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    ASSERT_EQ(viewers().size(), 1) << "the old viewer closed";
    EXPECT_TRUE(viewers()[0]->Browser()->toPlainText().contains("User and password"));
}

TEST_F(MainWindowTest, ExitClosesTheHelpViewerByTheTranslatedTitle) {
    folder_.Write("vellmoar.lng",
                  "help_window_title_bar=Tarnwick - your e-mail guard.\r\n"
                  "help_page_missing=Diese Hilfeseite fehlt:\r\n");
    Start();
    OpenHelp(400);
    QPointer<QWidget> viewer;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (qobject_cast<HelpViewer*>(w) != nullptr) viewer = w;
    ASSERT_TRUE(viewer);
    const QString note = qobject_cast<HelpViewer*>(viewer.data())->Browser()->toPlainText();
    EXPECT_TRUE(note.startsWith("Diese Hilfeseite fehlt:\n")) << "a translated note";
    EXPECT_TRUE(note.contains("help/400.htm")) << "a missing page says which one";
    window.reset();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_FALSE(viewer);
}

TEST_F(MainWindowTest, UnhandledErrorGoesToABoxWhileVisibleElseToTheTrayHint) {
    WriteSettings({{.email = "a@x.example", .user = "a"}});
    Start();
    ShowWindow();
    QTimer::singleShot(0, [] { throw std::runtime_error("Socket Error # 10061"); });
    RunFor(20);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].title, "Error");
    EXPECT_EQ(boxes[0].text, "Socket Error # 10061");
    const QString pictureHint = window->findChild<QLabel*>("picture")->toolTip();
    EXPECT_TRUE(pictureHint.endsWith(": Error - Socket Error # 10061"))
        << pictureHint.toStdString();

    QTimer::singleShot(0, [] { throw std::runtime_error("-ERR <img src=\"x.png\"> <b>no</b>"); });
    RunFor(20);
    QTextDocument shown;
    shown.setHtml(window->findChild<QLabel*>("picture")->toolTip());
    EXPECT_TRUE(shown.toPlainText().endsWith(": Error - -ERR <img src=\"x.png\"> <b>no</b>"))
        << "the picture's hint shows the message as it is";
    boxes.clear();

    window->actContinue->trigger();
    QTimer::singleShot(0, [] { throw std::runtime_error("Unable to write to /x/vellmoor.ini"); });
    RunFor(20);
    EXPECT_TRUE(boxes.empty()) << "no box while only the tray icon is there";
    EXPECT_EQ(services->Tray().Hint(), "Unable to write to /x/vellmoor.ini");
}

TEST_F(MainWindowTest, PopupMenuHoldsTheCommandsAndAcknowledgesNewMail) {
    WriteSettings({{.email = "a@x.example", .user = "a"}});
    Start();
    QStringList names;
    for (QAction* action : window->trayMenu_->actions()) {
        names << (action->isSeparator() ? QStringLiteral("-") : action->objectName());
        EXPECT_TRUE(action->isSeparator() || !action->icon().isNull()) << "an icon for every item";
    }
    EXPECT_EQ(names.join(' '),
              "actShowMain - actShowList actShowResults actOpenMail - actSetup actSpam - "
              "actHelp actClose");
    services->Tray().SetPicture(TrayPicture::NewMail);
    Q_EMIT window->trayMenu_->aboutToShow();
    EXPECT_EQ(services->Tray().Picture(), TrayPicture::Normal);
}

}  // namespace
