// Adding, changing and deleting rules in the filter editor, and rules that change behind it.

#include "spam/ui/filter_window_fixture.h"

namespace {

using Rules = std::vector<std::string>;

TEST_F(FilterWindowTest, RuleButtonsNeedTextEvenWithARowSelected) {
    Store({"Subject: %CHEAP", "Subject: %"});
    Open();
    ClickRow(0);
    EXPECT_EQ(SelectedRow(), 0);
    EXPECT_EQ(TextField()->text(), QStringLiteral("CHEAP"));
    EXPECT_TRUE(RuleButtonsEnabled(true, true, true));
    TextField()->setText(QStringLiteral(" \t "));
    EXPECT_TRUE(RuleButtonsEnabled(false, false, false));
    EXPECT_EQ(SelectedRow(), 0);

    // A blank rule (only a hand-edited file makes one) can be selected, not saved or deleted.
    ClickRow(1);
    EXPECT_EQ(SelectedRow(), 1);
    EXPECT_TRUE(TextField()->text().isEmpty());
    EXPECT_TRUE(RuleButtonsEnabled(false, false, false));
    Click(Button("bedit"));
    Click(Button("bdele"));
    EXPECT_TRUE(questions.empty());
    ASSERT_EQ(ProgramState().Rules().size(), 2u);
    EXPECT_EQ(ProgramState().Rules()[0]->filter.text, "CHEAP");
}

TEST_F(FilterWindowTest, SelectingARuleLoadsItWholeIntoTheControls) {
    const std::string longText(300, 'x');
    Store({"Address: =bob", "Subject: %" + longText});
    Open();
    ClickRow(0);
    EXPECT_TRUE(Radio("rAddr")->isChecked());
    EXPECT_TRUE(Radio("rStart")->isChecked());
    ClickRow(1);
    EXPECT_TRUE(Radio("rSubj")->isChecked());
    EXPECT_TRUE(Radio("rContent")->isChecked());
    EXPECT_EQ(TextField()->text().size(), 300) << "a longer stored text is not cut";
    Click(Radio("rStart"));
    Click(Button("bedit"));
    EXPECT_EQ(StoredRules(), (Rules{"Address: =bob", "Subject: =" + longText}));
    EXPECT_EQ(TextField()->maxLength(), 255) << "typing is limited again";
}

TEST_F(FilterWindowTest, SameSubjectUpToCaseAndPunctuationUpdatesTheRule) {
    Store({"Subject: %HELLO WORLD"});
    Open();
    Enter("hello, World?", "rSubj", "rStart");
    Click(Button("badd"));
    ASSERT_EQ(ProgramState().Rules().size(), 1u);
    EXPECT_FALSE(ProgramState().Rules()[0]->filter.content);
    EXPECT_EQ(ProgramState().Rules()[0]->filter.text, "hello, World?");
    EXPECT_EQ(Row(0), "filter_subject|filter_equ|hello, World?");
    EXPECT_EQ(StoredRules(), Rules{"Subject: =hello, World?"});
    EXPECT_TRUE(TextField()->text().isEmpty());

    Enter("hello, World?", "rAddr", "rContent");
    Click(Button("badd"));
    ASSERT_EQ(ProgramState().Rules().size(), 2u);
    EXPECT_EQ(Row(1), "filter_address|filter_content|hello, World?");
    EXPECT_EQ(SelectedRow(), -1) << "the fields are empty: no row offers Save and Delete";
    EXPECT_TRUE(RuleButtonsEnabled(false, false, false));
    EXPECT_EQ(StoredRules(), (Rules{"Subject: =hello, World?", "Address: %hello, World?"}));
}

TEST_F(FilterWindowTest, AddSaveAndDeleteEmptyTheTextAndStoreTheListInOrder) {
    Open();
    Enter("one");
    Click(Button("badd"));
    EXPECT_TRUE(TextField()->text().isEmpty());
    Enter("two@example.org", "rAddr", "rStart");
    Click(Button("badd"));
    Enter("three");
    Click(Button("badd"));
    EXPECT_EQ(StoredRules(),
              (Rules{"Subject: %one", "Address: =two@example.org", "Subject: %three"}));

    ClickRow(1);
    TextField()->setText(QStringLiteral("deux"));
    Click(Radio("rSubj"));
    Click(Button("bedit"));
    EXPECT_TRUE(TextField()->text().isEmpty());
    EXPECT_EQ(SelectedRow(), -1);
    EXPECT_EQ(Row(1), "filter_subject|filter_equ|deux");
    EXPECT_EQ(StoredRules(), (Rules{"Subject: %one", "Subject: =deux", "Subject: %three"}));

    ClickRow(0);
    answer = QMessageBox::No;
    Click(Button("bdele"));
    EXPECT_EQ(questions, std::vector<std::string>{"delete_filter_dialog_title"});
    EXPECT_EQ(ProgramState().Rules().size(), 3u);
    EXPECT_EQ(TextField()->text(), QStringLiteral("one"));
    answer = QMessageBox::Yes;
    Click(Button("bdele"));
    EXPECT_TRUE(TextField()->text().isEmpty());
    EXPECT_EQ(List()->topLevelItemCount(), 2);
    EXPECT_EQ(SelectedRow(), -1);
    EXPECT_EQ(StoredRules(), (Rules{"Subject: =deux", "Subject: %three"}));
    EXPECT_TRUE(RuleButtonsEnabled(false, false, false));
}

TEST_F(FilterWindowTest, RulesAddedFromTheListWindowGetNoRowButKeepTheirPlace) {
    Store({"Subject: %FIRST"});
    Open();
    EXPECT_EQ(ProgramState().AddSpamRule(RuleKind::Subject, "Cheap pills?"), 1);
    EXPECT_EQ(List()->topLevelItemCount(), 1);

    Enter("later");
    Click(Button("badd"));
    EXPECT_EQ(List()->topLevelItemCount(), 2);
    EXPECT_EQ(Row(1), "filter_subject|filter_content|later");
    EXPECT_EQ(StoredRules(),
              (Rules{"Subject: %FIRST", "Subject: %CHEAP PILLS", "Subject: %later"}));

    // A rule of the same text from the list window is changed in place: its row follows at
    // once, the editor being in the background.
    QWidget listWindow;
    listWindow.show();
    listWindow.activateWindow();
    EXPECT_EQ(ProgramState().AddSpamRule(RuleKind::Subject, "later"), -1);
    EXPECT_EQ(Row(1), "filter_subject|filter_content|LATER");
    ClickRow(1);
    EXPECT_EQ(Row(1), "filter_subject|filter_content|LATER");
    EXPECT_EQ(TextField()->text(), QStringLiteral("LATER"));
}

TEST_F(FilterWindowTest, RowsWhoseRuleWasRemovedElsewhereGoAway) {
    Store({"Subject: %A", "Subject: %B", "Subject: %C"});
    Open();
    ClickRow(1);
    ProgramState().RemoveRule(ProgramState().Rules()[1]->Id());
    Click(Button("bedit"));
    EXPECT_EQ(List()->topLevelItemCount(), 2);
    EXPECT_EQ(Row(1), "filter_subject|filter_content|C");
    EXPECT_EQ(StoredRules(), (Rules{"Subject: %A", "Subject: %B", "Subject: %C"}))
        << "nothing was saved";

    // The rules reloaded from the file are other rules: their rows go.
    ProgramState().LoadFilter();
    Enter("A");
    Click(Button("badd"));
    EXPECT_EQ(List()->topLevelItemCount(), 1);
    ASSERT_EQ(ProgramState().Rules().size(), 4u);
    EXPECT_EQ(ProgramState().Rules().back()->filter.text, "A");
    ClickRow(0);
    EXPECT_EQ(TextField()->text(), QStringLiteral("A"));
}

TEST_F(FilterWindowTest, DeleteConfirmedAfterTheRuleWentElsewhereRemovesNothingElse) {
    Store({"Subject: %A", "Subject: %B"});
    Open();
    ClickRow(0);
    SetMessageBoxHook([](const QString&, const QString&) {
        ProgramState().RemoveRule(ProgramState().Rules()[0]->Id());
        return QMessageBox::Yes;
    });
    Click(Button("bdele"));
    ASSERT_EQ(ProgramState().Rules().size(), 1u);
    EXPECT_EQ(ProgramState().Rules()[0]->filter.text, "B");
    EXPECT_EQ(List()->topLevelItemCount(), 1);
    EXPECT_EQ(Row(0), "filter_subject|filter_content|B");
}

}  // namespace
