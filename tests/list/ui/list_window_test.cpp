// The list window's listing against the test Dovecot: opening, progress, cancel, failures,
// closing and the stored sizes.

#include <QPlainTextEdit>
#include <QSignalSpy>
#include <cstdio>

#include "list/ui/list_window_fixture.h"

namespace {

TEST_F(ListWindowTest, PendingAccountFromAResultsClickIsListedAtOnce) {
    AddAccount("first", 1);
    const MailUser second = AddAccount("second", 3);
    ProgramState().SetPendingAccount(AccountFor(second).email);
    Open();
    ASSERT_NE(Window(), nullptr);
    EXPECT_TRUE(ProgramState().PendingAccount().empty());
    EXPECT_EQ(Control<QComboBox>("list")->currentText().toStdString(), AccountFor(second).email);
    ASSERT_EQ(Model()->rowCount(), 3);
    EXPECT_EQ(Cell(0, kSubjectColumn), "Message 3");
    EXPECT_EQ(Cell(2, kSubjectColumn), "Message 1");
    EXPECT_EQ(Status(0), AccountFor(second).email);
    EXPECT_EQ(Status(1), "   3 items_count_other");
    EXPECT_TRUE(Window()->Controller().Connected());
    EXPECT_TRUE(Window()->findChild<QTimer*>(QStringLiteral("keept"))->isActive());
    EXPECT_TRUE(Control<QProgressBar>("ProgressBar")->isHidden());
    EXPECT_FALSE(Window()->Controller().Busy());
    EXPECT_TRUE(asked.empty());

    // The open window takes the next pending account through its command.
    ProgramState().SetPendingAccount(ProgramState().Accounts()[0].params.email);
    Open();
    Settle();
    EXPECT_EQ(Model()->rowCount(), 1);
    EXPECT_EQ(Status(0), ProgramState().Accounts()[0].params.email);
}

TEST_F(ListWindowTest, AccountPendingDuringAListingIsOpenedAfterIt) {
    AddAccount("busy", 6);
    const MailUser next = AddAccount("next", 2);
    Open();
    AtProgress(1, [this, &next] {
        ProgramState().SetPendingAccount(AccountFor(next).email);
        OpenListWindow(ProgramState());
        QCoreApplication::sendPostedEvents(Window());
        EXPECT_TRUE(Window()->Controller().Busy());
    });
    Run("actHeaders");
    Settle();
    EXPECT_EQ(Status(0), AccountFor(next).email);
    EXPECT_EQ(Model()->rowCount(), 2);
    EXPECT_TRUE(ProgramState().PendingAccount().empty());
}

TEST_F(ListWindowTest, WithoutPendingAccountTheFirstIsSelectedButNotListed) {
    AddAccount("first", 2);
    AccountEntry disabled = ProgramState().Accounts()[0];
    disabled.enabled = false;
    disabled.params.email = "disabled@test.example";
    AddEntry(disabled);
    Open();
    EXPECT_EQ(Control<QComboBox>("list")->count(), 2);
    EXPECT_EQ(Control<QComboBox>("list")->currentIndex(), 0);
    EXPECT_EQ(Model()->rowCount(), 0);
    EXPECT_FALSE(Window()->Controller().Connected());
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
    WaitIdle();
    EXPECT_EQ(Model()->rowCount(), 2);
    EXPECT_EQ(Status(1), "   2 items_count_other");

    // An account added elsewhere joins the box and the menu; the shown one stays chosen.
    std::vector<AccountEntry> accounts = ProgramState().Accounts();
    accounts.insert(accounts.begin(), accounts[1]);
    accounts[0].params.email = "added@test.example";
    ProgramState().SetAccounts(std::move(accounts));
    EXPECT_EQ(Control<QComboBox>("list")->count(), 3);
    EXPECT_EQ(Control<QComboBox>("list")->currentText().toStdString(),
              ProgramState().Accounts()[1].params.email);
    EXPECT_EQ(entries->actions().size(), 3);
    EXPECT_EQ(Model()->rowCount(), 2);
}

TEST_F(ListWindowTest, EmptyMailboxShowsCountZero) {
    const MailUser user = AddAccount("empty", 0);
    QString label;
    ProgramState().SetPendingAccount(AccountFor(user).email);
    Open();
    EXPECT_EQ(Model()->rowCount(), 0);
    EXPECT_EQ(Control<QLabel>("progress_label")->text(),
              QStringLiteral("retrieve_headers_progress (0)"));
    EXPECT_EQ(Status(1), "   0 items_count_other");
    EXPECT_TRUE(Window()->Controller().Connected());
}

TEST_F(ListWindowTest, CancelAfterTheFifthKeepsTheNewestRowsAndTheSession) {
    const MailUser user = AddAccount("cancel", 20);
    Open();
    Window()->Controller().SetKeepAliveInterval(40);
    AtProgress(4, [this] { Control<QToolButton>("bcancel")->click(); });
    Run("actHeaders");
    // The headers already asked for when the cancel came still arrive: the newest rows, at
    // least the five seen.
    const int kept = Model()->rowCount();
    ASSERT_GE(kept, 5);
    for (int row = 0; row < kept; ++row)
        EXPECT_EQ(Cell(row, kSubjectColumn), "Message " + std::to_string(20 - row));
    char items[64];
    std::snprintf(items, sizeof items, "   %d items_count_other - list_cancelled", kept);
    EXPECT_EQ(Status(1), items);
    auto* keepAliveTimer_ = Window()->findChild<QTimer*>(QStringLiteral("keept"));
    EXPECT_TRUE(keepAliveTimer_->isActive());
    EXPECT_EQ(keepAliveTimer_->interval(), 40);
    // Keep-alive requests go through the session and keep it usable.
    QSignalSpy ticks(keepAliveTimer_, &QTimer::timeout);
    QTest::qWait(250);
    EXPECT_GE(ticks.count(), 2);
    EXPECT_TRUE(Window()->Controller().Connected());
    EXPECT_TRUE(keepAliveTimer_->isActive());
    SelectRow(0);
    Run("actDelete");
    EXPECT_EQ(Model()->rowCount(), kept - 1);
}

TEST_F(ListWindowTest, ClosingIsRefusedWhileListingAndTheListingStops) {
    const MailUser user = AddAccount("close", 12);
    Open();
    AtProgress(2, [this] { EXPECT_FALSE(Window()->close()); });
    Run("actHeaders");
    ASSERT_NE(Window(), nullptr);
    EXPECT_GE(Model()->rowCount(), 3);
    EXPECT_TRUE(Status(1).ends_with("list_cancelled")) << Status(1);
    EXPECT_TRUE(Window()->Controller().Connected());
    EXPECT_FALSE(mainWindow.ReceivedCommand(WindowRequest::Closed));
    QTest::keyClick(Headers(), Qt::Key_Escape);  // as the close button
    Settle();
    EXPECT_TRUE((OpenWindow(WindowKind::List) == nullptr));
    EXPECT_TRUE(mainWindow.Received(WindowRequest::Closed, 0));
}

TEST_F(ListWindowTest, LoginFailureShowsTheStoredErrorAndAnEmptyList) {
    AddAccount("login", 2);
    AccountEntry entry = ProgramState().Accounts()[0];
    const std::string password = entry.params.password;
    entry.params.password = "wrong";
    ProgramState().SetAccount(0, entry);
    ProgramState().SetPendingAccount(ProgramState().Accounts()[0].params.email);
    Open();
    EXPECT_EQ(Model()->rowCount(), 0);
    EXPECT_TRUE(asked.empty());
    const std::string error =
        Ini(AccountSection(ProgramState().Accounts()[0].params), "LAST_ERROR");
    EXPECT_FALSE(error.empty());
    EXPECT_EQ(Status(1).rfind("   last_result ", 0), 0u);
    EXPECT_NE(Status(1).find(error), std::string::npos);
    EXPECT_FALSE(Window()->Controller().Connected());
    // Once the user trusts the account's certificate, the failed listing goes on by itself.
    entry.params.password = password;
    ProgramState().SetAccount(0, entry);
    ProgramState().NotifyCertificateTrusted(ProgramState().Accounts()[0].params.email);
    WaitIdle();
    EXPECT_EQ(Model()->rowCount(), 2);
}

TEST_F(ListWindowTest, ListingAgainEndsThePreviousSessionFirst) {
    const MailUser user = AddAccount("again", 4);
    Open();
    Run("actHeaders");
    SelectRow(0);
    Run("actDelete");
    EXPECT_EQ(MailboxSize(user), 4);
    Run("actHeaders");
    EXPECT_TRUE(Window()->Controller().Connected());
    EXPECT_EQ(Model()->rowCount(), 3);
    EXPECT_EQ(MailboxSizeAfterQuit(user, 3), 3);
}

TEST_F(ListWindowTest, SizesAreWrittenAtCloseAndReadAtTheNextOpen) {
    AddAccount("layout", 0);
    Open();
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

    OpenSettings()->WriteInteger("GENERAL", "HEADERS_C_1", 100);
    OpenSettings()->WriteInteger("GENERAL", "HEADER_LIST_C_0", 100);
    OpenSettings()->WriteInteger("GENERAL", "HEADERS_C_4", 1000);  // beyond its maximum
    Open();
    EXPECT_EQ(Window()->width(), 700);
    QHeaderView* columns = Headers()->header();
    EXPECT_EQ(columns->sectionSize(1), 100);
    EXPECT_EQ(columns->sectionSize(4), 128);
    EXPECT_EQ(Control<QTreeWidget>("header_list")->header()->sectionSize(0), 100);
    const auto subjectIsTheRest = [&] {
        int others = 0;
        for (int column : {0, 1, 2, 4, 5}) others += columns->sectionSize(column);
        return columns->sectionSize(3) == Headers()->viewport()->width() - others;
    };
    EXPECT_TRUE(subjectIsTheRest());

    // A larger window gives the list, the columns' subject and the message text more room.
    Window()->show();
    Settle();
    const QSize list = Headers()->size();
    const int text = Control("memo")->width();
    Window()->resize(1270, 770);
    Settle();
    EXPECT_GE(Headers()->height(), list.height() + 100);
    EXPECT_GE(Control("memo")->width(), text + 200);
    EXPECT_TRUE(subjectIsTheRest());
}

// An account that watches several folders gets a folder box: for "*" the server's folders, asked
// for on a worker; listing, reading and deleting work in the folder chosen. Other accounts have
// no folder box.
TEST_F(ListWindowTest, TheFolderBoxListsReadsAndDeletesInTheFolderChosen) {
    AddAccount("plainbox", 1);
    const MailUser user = AddMailUser("folderbox");
    AddMessages(user, 2);
    AddFolder(user, "Práce");
    AddFolder(user, "Junk");
    Deliver(user, "Práce", MakeMessage("First in Práce", "w@test.example", "work body"));
    Deliver(user, "Práce", MakeMessage("Second in Práce", "w@test.example", "more work"));
    AccountEntry item;
    item.enabled = true;
    item.params = ImapAccountFor(user);
    item.params.folders = "*";
    std::vector<AccountEntry> accounts = ProgramState().Accounts();
    accounts.push_back(item);
    ProgramState().SetAccounts(std::move(accounts));
    ProgramState().SetPendingAccount(item.params.email);
    Open();
    auto* box = Control<QComboBox>("folder_list");
    for (int i = 0; i < 500 && box->count() < 2; ++i) QTest::qWait(10);
    ASSERT_EQ(box->count(), 2);
    EXPECT_TRUE(box->isVisible());
    EXPECT_EQ(box->itemText(1), QStringLiteral("Práce"));
    EXPECT_EQ(Model()->rowCount(), 2);  // INBOX, listed at once

    box->setCurrentIndex(1);
    Q_EMIT box->activated(1);
    Run("actHeaders");
    ASSERT_EQ(Model()->rowCount(), 2);
    EXPECT_EQ(Cell(0, kSubjectColumn), "Second in Práce");
    SelectRow(1);
    Run("actRetrieve");
    EXPECT_NE(Control<QPlainTextEdit>("memo")->toPlainText().indexOf("work body"), -1);
    SelectRow(0);
    PressOnHeaders(Qt::Key_Delete);
    EXPECT_EQ(Model()->rowCount(), 1);
    Run("actHeaders");  // the deletion took effect in that folder, and INBOX kept its two
    EXPECT_EQ(Model()->rowCount(), 1);
    EXPECT_EQ(MailboxSize(user), 2);

    auto* accountBox = Control<QComboBox>("list");
    accountBox->setCurrentIndex(0);
    Q_EMIT accountBox->activated(0);
    Settle();
    EXPECT_FALSE(box->isVisible());
}

}  // namespace
