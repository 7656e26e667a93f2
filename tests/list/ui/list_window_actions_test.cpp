// Deleting, spam marks and rules, keys and help of the list window.

#include <QToolBar>
#include "check/ui/accessible_names.h"
#include "list/ui/list_window_fixture.h"
#include "support/scripted_server.h"

namespace {

std::vector<std::string> Subjects(HeaderListModel* model) {
    std::vector<std::string> subjects;
    for (const auto& row : model->Rows()) subjects.push_back(row.subjectText);
    return subjects;
}

TEST_F(ListWindowTest, DeletingOneMessageTakesEffectWhenTheAccountChanges) {
    const MailUser user = AddAccount("delete", 4);
    const MailUser other = AddAccount("other", 1);
    ProgramState().SetPendingAccount(ProgramState().Accounts()[0].params.email);
    Open();
    SelectRow(1);
    answer = QMessageBox::No;
    PressOnHeaders(Qt::Key_Delete);
    EXPECT_EQ(Model()->rowCount(), 4);
    answer = QMessageBox::Yes;
    PressOnHeaders(Qt::Key_Delete);
    EXPECT_EQ(asked,
              (std::vector<std::string>{"delete_mail_dialog_title", "delete_mail_dialog_title"}));
    EXPECT_EQ(Subjects(Model()), (std::vector<std::string>{"Message 4", "Message 2", "Message 1"}));
    EXPECT_EQ(Status(1), "   3 items_count_other");
    EXPECT_EQ(Ini(AccountSection(ProgramState().Accounts()[0].params), "COUNT"), "3");
    EXPECT_TRUE(Control<QPlainTextEdit>("memo")->toPlainText().isEmpty());
    EXPECT_EQ(Control<QTreeWidget>("header_list")->topLevelItemCount(), 0);
    EXPECT_FALSE(Headers()->currentIndex().isValid());  // no row marked over the empty views
    EXPECT_EQ(MailboxSize(user), 4);                    // until QUIT

    auto* box = Control<QComboBox>("list");
    box->setCurrentIndex(1);
    Q_EMIT box->activated(1);
    Settle();
    EXPECT_EQ(MailboxSizeAfterQuit(user, 3), 3);
    EXPECT_EQ(Model()->rowCount(), 0);
    EXPECT_EQ(Status(0), ProgramState().Accounts()[1].params.email);
    EXPECT_FALSE(Window()->Controller().Connected());
    (void)other;
}

TEST_F(ListWindowTest, DeleteAllSpamGoesBottomUpAndCountsTheRest) {
    const MailUser user = AddAccount("spam", 10);
    ProgramState().SetPendingAccount(ProgramState().Accounts()[0].params.email);
    Open();
    for (int row : {1, 4, 7}) {
        SelectRow(row);
        PressOnHeaders(row == 4 ? Qt::Key_Insert : Qt::Key_Return);
    }
    SelectRow(4);
    PressOnHeaders(Qt::Key_Return);  // a second toggle unmarks
    EXPECT_FALSE(Model()->Rows()[4].spam);
    PressOnHeaders(Qt::Key_Return);
    EXPECT_TRUE(Model()->Rows()[4].spam);

    answer = QMessageBox::No;
    Run("actDeleteSpam");
    EXPECT_EQ(askedText.back(), "delete_all_spam_dialog\r\ncount_spam_dialog 3");
    EXPECT_EQ(Model()->rowCount(), 10);
    EXPECT_EQ(Ini(AccountSection(ProgramState().Accounts()[0].params), "COUNT"), "10");
    EXPECT_TRUE(Control<QPlainTextEdit>("memo")->toPlainText().isEmpty());
    EXPECT_EQ(Control<QTreeWidget>("header_list")->topLevelItemCount(), 0);

    answer = QMessageBox::Yes;
    Run("actDeleteSpam");
    EXPECT_EQ(Model()->rowCount(), 7);
    const std::vector<std::string> left = Subjects(Model());
    for (const char* gone : {"Message 9", "Message 6", "Message 3"})
        EXPECT_EQ(std::count(left.begin(), left.end(), gone), 0) << gone;
    EXPECT_EQ(Ini(AccountSection(ProgramState().Accounts()[0].params), "COUNT"), "7");
    EXPECT_EQ(Status(1), "   7 items_count_other");
    EXPECT_EQ(MailboxSize(user), 10);
    Window()->close();
    Settle();
    EXPECT_EQ(MailboxSizeAfterQuit(user, 7), 7);
}

TEST_F(ListWindowTest, DeleteAllSpamWithoutMarksOnlyInforms) {
    AddAccount("nospam", 2);
    ProgramState().SetPendingAccount(ProgramState().Accounts()[0].params.email);
    Open();
    Run("actDeleteSpam");
    EXPECT_EQ(asked, std::vector<std::string>{"no_spam_dialog_title"});
    EXPECT_EQ(Model()->rowCount(), 2);
    EXPECT_EQ(Ini(AccountSection(ProgramState().Accounts()[0].params), "COUNT"), "");

    Action("actToggleAllSpam")->trigger();
    EXPECT_EQ(CountSpamRows(Model()->Rows()), 2u);
    Action("actToggleNoSpam")->trigger();
    EXPECT_EQ(CountSpamRows(Model()->Rows()), 0u);
}

TEST_F(ListWindowTest, RefusedDeletionStopsTheCommandAndShowsItsError) {
    ScriptedServer server(R"(
        S: +OK ready
        C: CAPA
        S: -ERR unknown command
        C: USER bob
        S: +OK
        C: PASS secret
        S: +OK logged in
        C: STAT
        S: +OK 3 300
        C: STAT
        S: +OK 3 300
        C: LIST
        S: +OK
        S: 1 100
        S: 2 100
        S: 3 100
        S: .
        C: TOP 3 0
        S: +OK
        S: Subject: three
        S: Date: Wed, 09 Dec 2026 08:00:00 +0000
        S:
        S: .
        C: TOP 2 0
        S: +OK
        S: Subject: two
        S: Date: Tue, 08 Dec 2026 08:00:00 +0000
        S:
        S: .
        C: TOP 1 0
        S: +OK
        S: Subject: one
        S: Date: Mon, 07 Dec 2026 08:00:00 +0000
        S:
        S: .
        C: UIDL
        S: -ERR unknown command
        C: DELE 1
        S: +OK
        C: DELE 2
        S: -ERR message 2 is locked
        C: QUIT
        S: +OK
    )");
    AccountEntry item;
    item.enabled = true;
    item.params.email = "bob@scripted.example";
    item.params.host = "127.0.0.1";
    item.params.port = server.Port();
    item.params.username = "bob";
    item.params.password = "secret";
    AddEntry(item);
    ProgramState().SetPendingAccount(item.params.email);
    Open();
    ASSERT_EQ(Subjects(Model()), (std::vector<std::string>{"three", "two", "one"}));
    Action("actToggleAllSpam")->trigger();
    Run("actDeleteSpam");
    Settle();
    EXPECT_EQ(Subjects(Model()), (std::vector<std::string>{"three", "two"}));
    EXPECT_NE(Status(1).find("message 2 is locked"), std::string::npos);
    EXPECT_EQ(Status(1).find_first_of("\r\n"), std::string::npos);  // one line
    EXPECT_EQ(Ini(AccountSection(item.params), "COUNT"), "");
    Window()->close();
    Settle();
    EXPECT_EQ(server.Problems(), "");
}

TEST_F(ListWindowTest, RulesFromARowAreStoredAndMarkIt) {
    AddAccount("rules", 2);
    ProgramState().SetPendingAccount(ProgramState().Accounts()[0].params.email);
    Open();
    SelectRow(0);
    Action("actSpamSubject")->trigger();
    EXPECT_TRUE(Model()->Rows()[0].spam);
    EXPECT_FALSE(Model()->Rows()[1].spam);  // not judged again until the next listing
    EXPECT_EQ(Ini("FILTER", "F0"), "Subject: %MESSAGE 2");

    SelectRow(1);
    Action("actSpamSender")->trigger();
    EXPECT_TRUE(Model()->Rows()[1].spam);
    EXPECT_EQ(Ini("FILTER", "F1"), "Address: %sender@test.example");

    // The same sender again: the rule is rewritten, the row keeps its mark as it was.
    PressOnHeaders(Qt::Key_Return);
    Action("actSpamSender")->trigger();
    EXPECT_FALSE(Model()->Rows()[1].spam);
    EXPECT_EQ(Ini("FILTER", "F2"), "");

    // The next listing judges every row by the new rules.
    Run("actHeaders");
    EXPECT_EQ(CountSpamRows(Model()->Rows()), 2u);
}

TEST_F(ListWindowTest, HelpKeysAndMenusAskForTheirTopics) {
    AddAccount("keys", 3);
    ProgramState().SetPendingAccount(ProgramState().Accounts()[0].params.email);
    Open();
    SelectRow(0);
    PressOnHeaders(Qt::Key_F1);
    EXPECT_TRUE(mainWindow.Received(WindowRequest::Help, 200));
    QTest::keyClick(Control<QTreeWidget>("header_list"), Qt::Key_F1);
    EXPECT_TRUE(mainWindow.Received(WindowRequest::Help, 203));
    mainWindow.Clear();
    QTest::keyClick(Control<QPlainTextEdit>("memo"), Qt::Key_F1);
    EXPECT_TRUE(mainWindow.Received(WindowRequest::Help, 200));  // the pane shows a header
    mainWindow.Clear();
    QTest::keyClick(Control<QComboBox>("list"), Qt::Key_F1);
    EXPECT_TRUE(mainWindow.Received(WindowRequest::Help, 200));

    PressOnHeaders(Qt::Key_F10);
    auto* menu = Window()->findChild<QMenu*>(QStringLiteral("popupm"));
    EXPECT_TRUE(menu->isVisible());
    const QComboBox* box = Control<QComboBox>("list");
    EXPECT_EQ(menu->pos(), box->mapToGlobal(QPoint(box->width(), box->height())));
    menu->close();

    // The text pane's "what is it" entry: 203 for a header, 204 for a message.
    mainWindow.Clear();
    Window()->findChild<QMenu*>(QStringLiteral("popupmemo"))->actions()[0]->trigger();
    EXPECT_TRUE(mainWindow.Received(WindowRequest::Help, 203));
    Window()->findChild<QMenu*>(QStringLiteral("popuph"))->actions()[0]->trigger();
    EXPECT_TRUE(mainWindow.Received(WindowRequest::Help, 203));
    Run("actRetrieve");
    mainWindow.Clear();
    Window()->findChild<QMenu*>(QStringLiteral("popupmemo"))->actions()[0]->trigger();
    EXPECT_TRUE(mainWindow.Received(WindowRequest::Help, 204));
    QTest::keyClick(Control<QPlainTextEdit>("memo"), Qt::Key_F1);
    EXPECT_TRUE(mainWindow.Received(WindowRequest::Help, 201));

    // While a retrieval runs every command but cancel is off.
    bool checked = false;
    AtProgress(1, [this, &checked] {
        checked = true;
        EXPECT_FALSE(Action("actDelete")->isEnabled());
        EXPECT_FALSE(Action("actHeaders")->isEnabled());
        EXPECT_FALSE(Control<QComboBox>("list")->isEnabled());
        EXPECT_TRUE(Action("actCancel")->isEnabled());
        PressOnHeaders(Qt::Key_Delete);
    });
    asked.clear();
    Run("actHeaders");
    EXPECT_TRUE(checked);
    EXPECT_TRUE(asked.empty());
    EXPECT_EQ(Model()->rowCount(), 3);

    // The list menu's last entry closes the window as the close box does.
    EXPECT_EQ(Action("Zavt1")->text(), QStringLiteral("close_list_window"));
    Action("Zavt1")->trigger();
    Settle();
    EXPECT_TRUE((OpenWindow(WindowKind::List) == nullptr));
}

}  // namespace

namespace {

TEST_F(ListWindowTest, EveryControlHasAnAccessibleName) {
    AddAccount("names", 1);
    Open();
    // The account box is named by its label.
    QAccessibleInterface* box = QAccessible::queryAccessibleInterface(Control("list"));
    const auto labels = box->relations(QAccessible::Label);
    ASSERT_EQ(labels.size(), 1);
    EXPECT_EQ(labels[0].first->text(QAccessible::Name).toStdString(), "select_your_email");
    EXPECT_EQ(AccessibleName(Control("bhelp")), "help_btn");
    EXPECT_EQ(AccessibleName(Control("bhelp2")), "help_btn");
    EXPECT_EQ(AccessibleName(Control("bmenu1")), "list_menu");
    EXPECT_EQ(AccessibleName(Control("bcancel")), "cancel_operation");
    EXPECT_EQ(AccessibleName(Control("headers")), "date, from, subject, size, message_no");
    EXPECT_EQ(AccessibleName(Control("header_list")), "message_header");
    EXPECT_EQ(AccessibleName(Control("memo")), "message_text");
    EXPECT_EQ(AccessibleName(Control("ProgressBar")), "progress_bar");
    // Every picture button of the tool bars is named by its hint.
    for (QToolBar* bar : Window()->findChildren<QToolBar*>()) {
        for (QAction* action : bar->actions()) {
            QWidget* button = bar->widgetForAction(action);
            if (button == nullptr || action->isSeparator()) continue;
            EXPECT_FALSE(AccessibleName(button).empty()) << action->objectName().toStdString();
            if (!action->toolTip().isEmpty() && action->objectName().startsWith("act")) {
                EXPECT_EQ(AccessibleName(button), action->toolTip().toStdString());
            }
        }
    }
    QAccessibleInterface* list = QAccessible::queryAccessibleInterface(Headers());
    ASSERT_NE(list, nullptr);
    ASSERT_NE(list->tableInterface(), nullptr);
    EXPECT_EQ(list->tableInterface()->columnCount(), 6);
}

}  // namespace
