// The list window's listing against the test Dovecot: opening, progress, cancel, failures,
// closing and the stored sizes.

#include <QSignalSpy>
#include <cstdio>

#include "list/ui/list_window_fixture.h"

namespace {

TEST_F(ListWindowTest, PendingAccountFromAResultsClickIsListedAtOnce) {
    AddAccount("first", 1);
    const MailUser second = AddAccount("second", 3);
    PendingAccount = AccountFor(second).email;
    OpenListWindow();
    ASSERT_NE(Window(), nullptr);
    EXPECT_TRUE(PendingAccount.empty());
    EXPECT_EQ(Control<QComboBox>("list")->currentText().toStdString(), AccountFor(second).email);
    ASSERT_EQ(Model()->rowCount(), 3);
    EXPECT_EQ(Cell(0, kSubjectColumn), "Message 3");
    EXPECT_EQ(Cell(2, kSubjectColumn), "Message 1");
    EXPECT_EQ(Status(0), AccountFor(second).email);
    EXPECT_EQ(Status(1), "   3 items_count_other");
    ASSERT_NE(Window()->CurrentSession(), nullptr);
    EXPECT_TRUE(Window()->CurrentSession()->IsConnected());
    EXPECT_TRUE(Window()->findChild<QTimer*>(QStringLiteral("keept"))->isActive());
    EXPECT_TRUE(Control<QProgressBar>("ProgressBar")->isHidden());
    EXPECT_FALSE(ListBusy);
    EXPECT_TRUE(asked.empty());

    // The open window takes the next pending account through its command.
    PendingAccount = accounts[0].params.email;
    OpenListWindow();
    Settle();
    EXPECT_EQ(Model()->rowCount(), 1);
    EXPECT_EQ(Status(0), accounts[0].params.email);
}

TEST_F(ListWindowTest, AccountPendingDuringAListingIsOpenedAfterIt) {
    AddAccount("busy", 6);
    const MailUser next = AddAccount("next", 2);
    OpenListWindow();
    AtProgress(1, [this, &next] {
        PendingAccount = AccountFor(next).email;
        OpenListWindow();
        QCoreApplication::sendPostedEvents(Window());
        EXPECT_TRUE(ListBusy);
    });
    Action("actHeaders")->trigger();
    Settle();
    EXPECT_EQ(Status(0), AccountFor(next).email);
    EXPECT_EQ(Model()->rowCount(), 2);
    EXPECT_TRUE(PendingAccount.empty());
}

TEST_F(ListWindowTest, WithoutPendingAccountTheFirstIsSelectedButNotListed) {
    AddAccount("first", 2);
    accounts.push_back(accounts[0]);
    accounts[1].enabled = false;
    accounts[1].params.email = "disabled@test.example";
    OpenListWindow();
    EXPECT_EQ(Control<QComboBox>("list")->count(), 2);
    EXPECT_EQ(Control<QComboBox>("list")->currentIndex(), 0);
    EXPECT_EQ(Model()->rowCount(), 0);
    EXPECT_EQ(Window()->CurrentSession(), nullptr);
    EXPECT_EQ(Status(1).rfind("   last_result ", 0), 0u);
    EXPECT_TRUE(Action("actHeaders")->isEnabled());
    EXPECT_FALSE(Action("actDelete")->isEnabled());
    EXPECT_FALSE(Action("actDeleteSpam")->isEnabled());
    EXPECT_FALSE(Action("actSaveMessage")->isEnabled());

    // An account's entry under the list menu's "retrieve headers" selects and lists it.
    auto* entries = Window()->findChild<QMenu*>(QStringLiteral("retrieve_headers_mm"));
    ASSERT_EQ(entries->actions().size(), 2);
    EXPECT_EQ(entries->actions()[1]->text(), QStringLiteral("disabled@test.example"));
    entries->actions()[0]->trigger();
    EXPECT_EQ(Model()->rowCount(), 2);
    EXPECT_EQ(Status(1), "   2 items_count_other");
}

TEST_F(ListWindowTest, EmptyMailboxShowsCountZero) {
    const MailUser user = AddAccount("empty", 0);
    QString label;
    PendingAccount = AccountFor(user).email;
    OpenListWindow();
    EXPECT_EQ(Model()->rowCount(), 0);
    EXPECT_EQ(Control<QLabel>("progress_label")->text(),
              QStringLiteral("retrieve_headers_progress (0)"));
    EXPECT_EQ(Status(1), "   0 items_count_other");
    EXPECT_TRUE(Window()->CurrentSession()->IsConnected());
}

TEST_F(ListWindowTest, CancelAfterTheFifthKeepsTheNewestRowsAndTheSession) {
    const MailUser user = AddAccount("cancel", 20);
    OpenListWindow();
    Window()->SetKeepAliveInterval(40);
    AtProgress(4, [this] { Control<QToolButton>("bcancel")->click(); });
    Action("actHeaders")->trigger();
    // The headers already asked for when the cancel came still arrive: the newest rows, at
    // least the five seen.
    const int kept = Model()->rowCount();
    ASSERT_GE(kept, 5);
    for (int row = 0; row < kept; ++row)
        EXPECT_EQ(Cell(row, kSubjectColumn), "Message " + std::to_string(20 - row));
    char items[64];
    std::snprintf(items, sizeof items, "   %d items_count_other - list_cancelled", kept);
    EXPECT_EQ(Status(1), items);
    Pop3Client* session = Window()->CurrentSession();
    ASSERT_NE(session, nullptr);
    auto* keepAliveTimer_ = Window()->findChild<QTimer*>(QStringLiteral("keept"));
    EXPECT_TRUE(keepAliveTimer_->isActive());
    EXPECT_EQ(keepAliveTimer_->interval(), 40);
    // Keep-alive requests go through the session and keep it usable.
    QSignalSpy ticks(keepAliveTimer_, &QTimer::timeout);
    QTest::qWait(250);
    EXPECT_GE(ticks.count(), 2);
    EXPECT_TRUE(session->IsConnected());
    EXPECT_TRUE(session->LastReply().ok);
    EXPECT_TRUE(keepAliveTimer_->isActive());
}

TEST_F(ListWindowTest, ClosingIsRefusedWhileListingAndTheListingStops) {
    const MailUser user = AddAccount("close", 12);
    OpenListWindow();
    AtProgress(2, [this] { EXPECT_FALSE(Window()->close()); });
    Action("actHeaders")->trigger();
    ASSERT_NE(Window(), nullptr);
    EXPECT_GE(Model()->rowCount(), 3);
    EXPECT_TRUE(Window()->CurrentSession()->IsConnected());
    EXPECT_FALSE(mainWindow.ReceivedCommand(PopCommand::ChildClosed));
    EXPECT_TRUE(Window()->close());
    Settle();
    EXPECT_TRUE(ListWindowHandle.isNull());
    EXPECT_TRUE(mainWindow.Received(PopCommand::ChildClosed, 0));
}

TEST_F(ListWindowTest, LoginFailureShowsTheStoredErrorAndAnEmptyList) {
    AddAccount("login", 2);
    accounts[0].params.password = "wrong";
    PendingAccount = accounts[0].params.email;
    OpenListWindow();
    EXPECT_EQ(Model()->rowCount(), 0);
    EXPECT_TRUE(asked.empty());
    const std::string error = Ini(AccountSection(accounts[0].params), "LAST_ERROR");
    EXPECT_FALSE(error.empty());
    EXPECT_EQ(Status(1).rfind("   last_result ", 0), 0u);
    EXPECT_NE(Status(1).find(error), std::string::npos);
    EXPECT_EQ(Window()->CurrentSession(), nullptr);
}

TEST_F(ListWindowTest, SessionDroppingMidListingGivesTheErrorBoxAndAnEmptyList) {
    AddAccount("drop", 10);
    OpenListWindow();
    AtProgress(3, [this] { Window()->AccountCheck(0)->session->AbortConnection(); });
    Action("actHeaders")->trigger();
    ASSERT_EQ(asked.size(), 1u);
    EXPECT_EQ(asked[0], accounts[0].params.email + " - error");
    EXPECT_EQ(Model()->rowCount(), 0);
    EXPECT_EQ(Window()->CurrentSession(), nullptr);
    EXPECT_TRUE(Control<QProgressBar>("ProgressBar")->isHidden());
    EXPECT_FALSE(ListBusy);
}

TEST_F(ListWindowTest, ListingAgainEndsThePreviousSessionFirst) {
    const MailUser user = AddAccount("again", 4);
    OpenListWindow();
    Action("actHeaders")->trigger();
    Pop3Client* first = Window()->CurrentSession();
    SelectRow(0);
    Action("actDelete")->trigger();
    EXPECT_EQ(MailboxSize(user), 4);
    Action("actHeaders")->trigger();
    EXPECT_NE(Window()->CurrentSession(), nullptr);
    EXPECT_EQ(Model()->rowCount(), 3);
    EXPECT_EQ(MailboxSizeAfterQuit(user, 3), 3);
    (void)first;
}

TEST_F(ListWindowTest, SizesAreWrittenAtCloseAndReadAtTheNextOpen) {
    AddAccount("layout", 0);
    OpenListWindow();
    Window()->resize(700, 520);
    Control<QTreeView>("headers")->header()->resizeSection(2, 200);
    Settle();
    Window()->close();
    Settle();
    EXPECT_EQ(Ini("GENERAL", "POPLISTWINDOW_WIDTH"), "700");
    EXPECT_EQ(Ini("GENERAL", "POPLISTWINDOW_HEIGHT"), "520");
    EXPECT_EQ(Ini("GENERAL", "HEADERS_C_0"), "18");
    EXPECT_EQ(Ini("GENERAL", "HEADERS_C_2"), "200");
    EXPECT_EQ(Ini("GENERAL", "HEADER_LIST_C_1"), "512");
    EXPECT_FALSE(Ini("GENERAL", "HEADERS_HEIGHT").empty());
    EXPECT_FALSE(Ini("GENERAL", "MEMO_WIDTH").empty());

    OpenSettings()->WriteInteger("GENERAL", "HEADERS_C_3", 300);
    OpenSettings()->WriteInteger("GENERAL", "HEADER_LIST_C_0", 100);
    OpenSettings()->WriteInteger("GENERAL", "HEADERS_C_4", 1000);  // beyond its maximum
    OpenListWindow();
    EXPECT_EQ(Window()->width(), 700);
    EXPECT_EQ(Control<QTreeView>("headers")->header()->sectionSize(3), 300);
    EXPECT_EQ(Control<QTreeView>("headers")->header()->sectionSize(4), 128);
    EXPECT_EQ(Control<QTreeWidget>("header_list")->header()->sectionSize(0), 100);
}

}  // namespace
