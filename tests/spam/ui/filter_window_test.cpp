// The filter editor as a window: what it shows when it opens, its keys, help, the criteria and
// how it closes.

#include <QApplication>
#include <QHeaderView>
#include <QLabel>
#include <limits>

#include "spam/ui/filter_window_fixture.h"

namespace {

TEST_F(FilterWindowTest, OpensWithEveryRuleAndTheCriteria) {
    Store({"Subject: %CHEAP", "Address: =bob", "plain"});
    ProgramState().SetCriteria({.maxSize = 512,
                                .maxRecipients = 9,
                                .noEmptySubject = true,
                                .noEmptyDate = false,
                                .noRecipient = true});
    Open();
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window));
    EXPECT_EQ(window->windowTitle(), QStringLiteral("  set_filter_window"));
    EXPECT_EQ(window->size(), QSize(572, 330));
    EXPECT_EQ(List()->headerItem()->text(2), QStringLiteral("filter_value"));
    ASSERT_EQ(List()->topLevelItemCount(), 3);
    EXPECT_EQ(Row(0), "filter_subject|filter_content|CHEAP");
    EXPECT_EQ(Row(1), "filter_address|filter_equ|bob");
    EXPECT_EQ(Row(2), "filter_subject|filter_content|plain");
    EXPECT_EQ(SelectedRow(), -1);
    EXPECT_TRUE(Radio("rSubj")->isChecked());
    EXPECT_TRUE(Radio("rContent")->isChecked());
    EXPECT_TRUE(Box("cEmpty")->isChecked());
    EXPECT_FALSE(Box("cdateempty")->isChecked());
    EXPECT_TRUE(Box("cnorecipient")->isChecked());
    EXPECT_TRUE(Box("cServerSpam")->isChecked() && Box("cUnauthenticated")->isChecked());
    EXPECT_EQ(Spin("eRecpt")->value(), 9);
    EXPECT_EQ(Spin("eLen")->value(), 512);
    EXPECT_EQ(QApplication::focusWidget(), TextField());
    EXPECT_TRUE(RuleButtonsEnabled(false, false, false));
    EXPECT_EQ(TextField()->maxLength(), 255);
}

TEST_F(FilterWindowTest, TabOrderEndsWithTheNoRecipientBoxThenHelpAndClose) {
    Open();
    EXPECT_EQ(TabOrder(Control("ListBox")).join(' '),
              "ListBox rSubj rAddr eText rContent rStart cEmpty cdateempty eRecpt eLen "
              "cnorecipient cServerSpam cUnauthenticated bhelp bclse");
    for (const char* name : {"badd", "bedit", "bdele"})
        EXPECT_EQ(Button(name)->focusPolicy(), Qt::NoFocus) << name;
}

TEST_F(FilterWindowTest, NoTextIsCutAndTheTableTakesWhatTheWindowGrowsBy) {
    Store({"Subject: =a", "Address: %b"});
    for (const char* code : {"en", "cs"}) {
        const ShippedLanguage language(code);
        Open();
        EXPECT_EQ(CutTexts(window), "") << code;
        QHeaderView* header = List()->header();
        for (int column : {0, 1})
            EXPECT_GE(header->sectionSize(column), header->sectionSizeHint(column))
                << code << ": column " << column << " shows its title and words whole";
        const QSize table = List()->size();
        window->resize(window->size() + QSize(300, 200));
        QCoreApplication::processEvents();
        EXPECT_EQ(List()->size(), table + QSize(300, 200)) << code;
        delete window;
        Settle();
    }
}

TEST_F(FilterWindowTest, EveryControlTellsAScreenReaderWhatItIs) {
    Open();
    for (const char* name :
         {"ListBox", "rSubj", "rAddr", "eText", "rContent", "rStart", "cEmpty", "cdateempty",
          "cnorecipient", "cServerSpam", "cUnauthenticated", "eRecpt", "eLen", "badd", "bedit",
          "bdele", "bclse", "bhelp", "help_label"})
        EXPECT_FALSE(Control(name)->accessibleName().isEmpty()) << name;
    EXPECT_EQ(Button("badd")->accessibleName(), QStringLiteral("new_filter_item"));
    EXPECT_EQ(Box("cnorecipient")->accessibleName(), QStringLiteral("has_no recipient"));
    EXPECT_EQ(Box("cUnauthenticated")->accessibleName(),
              QStringLiteral("sender_not_authenticated"));
    EXPECT_EQ(Spin("eLen")->accessibleName(), QStringLiteral("has_bigger_than"));
    EXPECT_EQ(TextField()->accessibleName(), QStringLiteral("filter_text"));
}

TEST_F(FilterWindowTest, OneWindowBroughtToTheFrontAndClosingTellsTheMainWindow) {
    Open();
    ShowFilterWindow(ProgramState());
    EXPECT_EQ(OpenWindow(WindowKind::Filter), window);
    EXPECT_EQ(QApplication::topLevelWidgets().count(window), 1);
    EXPECT_FALSE(mainWindow.ReceivedCommand(WindowRequest::Closed));

    window->close();
    Settle();
    EXPECT_TRUE((OpenWindow(WindowKind::Filter) == nullptr));
    EXPECT_TRUE(mainWindow.Received(WindowRequest::Closed, 0));
    Open();
    EXPECT_NE(window, nullptr);
}

TEST_F(FilterWindowTest, EnterMovesOnAndAddsNothing) {
    Open();
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window));
    TextField()->setFocus();
    QTest::keyClicks(TextField(), QStringLiteral("viagra"));
    QTest::keyClick(TextField(), Qt::Key_Return);
    EXPECT_NE(QApplication::focusWidget(), TextField());
    EXPECT_EQ(QApplication::focusWidget(), Radio("rContent"));
    EXPECT_EQ(List()->topLevelItemCount(), 0);
    EXPECT_TRUE(ProgramState().Rules().empty());
    EXPECT_EQ(TextField()->text(), QStringLiteral("viagra"));

    Spin("eRecpt")->setFocus();
    QTest::keyClick(Spin("eRecpt"), Qt::Key_Enter);
    EXPECT_EQ(QApplication::focusWidget(), Spin("eLen"));
}

TEST_F(FilterWindowTest, F1AndBothHelpControlsOpenTopic400) {
    Open();
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window));
    Spin("eLen")->setFocus();
    QTest::keyClick(Spin("eLen"), Qt::Key_F1);
    EXPECT_TRUE(mainWindow.Received(WindowRequest::Help, 400));
    mainWindow.Clear();
    Click(Button("bhelp"));
    EXPECT_TRUE(mainWindow.Received(WindowRequest::Help, 400));
    mainWindow.Clear();
    QTest::mouseClick(Control<QLabel>("help_label"), Qt::LeftButton);
    EXPECT_TRUE(mainWindow.Received(WindowRequest::Help, 400));
}

TEST_F(FilterWindowTest, TitleBarCloseWritesNothingEscapeClosesAsTheCloseButtonDoes) {
    Store({"Subject: %CHEAP"});
    ProgramState().SaveFilter();
    const std::string before = FileBytes();
    Open();
    Click(Box("cdateempty"));
    Spin("eRecpt")->setValue(4);
    window->close();
    Settle();
    EXPECT_EQ(FileBytes(), before);
    EXPECT_FALSE(ProgramState().Criteria().noEmptyDate);

    Open();
    EXPECT_FALSE(Box("cdateempty")->isChecked());
    Click(Box("cdateempty"));
    Click(Box("cUnauthenticated"));
    Spin("eRecpt")->setValue(4);
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window));
    QTest::keyClick(Spin("eRecpt"), Qt::Key_Escape);
    Settle();
    EXPECT_TRUE((OpenWindow(WindowKind::Filter) == nullptr));
    const IniFile ini(folder.File("vellmoor.ini"));
    EXPECT_EQ(ini.ReadString("GENERAL_FILTER", "NO_EMPTY_DATE", ""), "1");
    EXPECT_EQ(ini.ReadString("GENERAL_FILTER", "MAX_RECIPIENTS", ""), "4");
    EXPECT_EQ(ini.ReadString("GENERAL_FILTER", "UNAUTHENTICATED", ""), "0");
    EXPECT_EQ(ini.ReadString("GENERAL_FILTER", "SERVER_SPAM", "absent"), "absent");
    EXPECT_TRUE(ProgramState().Criteria().noEmptyDate);
    EXPECT_EQ(ProgramState().Criteria().maxRecipients, 4);
    EXPECT_EQ(StoredRules(), std::vector<std::string>{"Subject: %CHEAP"});
}

TEST_F(FilterWindowTest, StoredCriteriaAtTheEndsOfTheIntRangeSurviveARoundTrip) {
    constexpr int kMost = std::numeric_limits<int>::max();
    constexpr int kLeast = std::numeric_limits<int>::min();
    ProgramState().SetCriteria({.maxSize = kMost, .maxRecipients = kLeast});
    Open();
    EXPECT_EQ(Spin("eLen")->value(), kMost);
    EXPECT_EQ(Spin("eRecpt")->value(), kLeast);
    Click(Button("bclse"));
    const IniFile ini(folder.File("vellmoor.ini"));
    EXPECT_EQ(ini.ReadInteger("GENERAL_FILTER", "MAX_SIZE", 0), kMost);
    EXPECT_EQ(ini.ReadInteger("GENERAL_FILTER", "MAX_RECIPIENTS", 0), kLeast);
}

}  // namespace
