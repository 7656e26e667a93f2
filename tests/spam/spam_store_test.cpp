#include <gtest/gtest.h>

#include "settings/ini_file.h"
#include "settings/settings.h"
#include "spam/spam_filter.h"
#include "spam/spam_state.h"
#include "support/temp_folder.h"

namespace {

// A settings file of its own in a temporary program folder, and empty rules around each test.
class SpamStoreTest : public SpamStateTest {
protected:
    std::string Value(std::string_view section, std::string_view key) const {
        return OpenSettings()->ReadString(section, key, "<absent>");
    }

    TempFolder folder{"spam"};
    ProgramFolderScope scope{folder.Path()};
};

}  // namespace

TEST_F(SpamStoreTest, LoadTakesEveryKeyInFileOrder) {
    folder.Write("vellmoor.ini",
                 "[GENERAL_FILTER]\r\nMAX_SIZE=100\r\nMAX_RECIPIENTS=abc\r\nNO_EMPTY_SUBJECT=1\r\n"
                 "NO_RECIPIENT=1\r\n[FILTER]\r\nR7=Address: =bob\r\nA=Subject: xfoo\r\n"
                 "F0=abc\r\nzz=\r\n");
    EXPECT_TRUE(LoadFilter());
    EXPECT_EQ(spamCriteria.maxSize, 100);
    EXPECT_EQ(spamCriteria.maxRecipients, 0);
    EXPECT_TRUE(spamCriteria.noEmptySubject);
    EXPECT_FALSE(spamCriteria.noEmptyDate);
    EXPECT_TRUE(spamCriteria.noRecipient);
    ASSERT_EQ(spamRules.size(), 4u);
    EXPECT_EQ(spamRules[0]->filter.kind, RuleKind::Sender);
    EXPECT_EQ(spamRules[0]->filter.text, "bob");
    EXPECT_EQ(spamRules[1]->filter.text, "foo");
    EXPECT_EQ(spamRules[2]->filter.text, "abc");
    EXPECT_TRUE(spamRules[3]->filter.content);
    EXPECT_EQ(spamRules[3]->filter.text, "");
}

TEST_F(SpamStoreTest, SaveRenumbersTheKeys) {
    folder.Write("vellmoor.ini", "[FILTER]\r\nR7=Address: =bob\r\nA=abc\r\n");
    LoadFilter();
    EXPECT_TRUE(SaveFilter());
    const auto ini = OpenSettings();
    EXPECT_EQ(ini->ReadSection("FILTER"), (std::vector<std::string>{"F0", "F1"}));
    EXPECT_EQ(Value("FILTER", "F0"), "Address: =bob");
    EXPECT_EQ(Value("FILTER", "F1"), "Subject: %abc");
    EXPECT_EQ(ini->ReadSection("GENERAL_FILTER"),
              (std::vector<std::string>{"MAX_SIZE", "MAX_RECIPIENTS", "NO_EMPTY_SUBJECT",
                                        "NO_EMPTY_DATE", "NO_RECIPIENT"}));
    EXPECT_EQ(Value("GENERAL_FILTER", "NO_EMPTY_DATE"), "0");
}

TEST_F(SpamStoreTest, ServerCriteriaAreOnWhenAbsentAndStoredOnlyWhenOff) {
    const std::string before =
        "[GENERAL_FILTER]\r\nMAX_SIZE=0\r\nMAX_RECIPIENTS=0\r\n"
        "NO_EMPTY_SUBJECT=0\r\nNO_EMPTY_DATE=0\r\nNO_RECIPIENT=0\r\n";
    folder.Write("vellmoor.ini", before);
    LoadFilter();
    EXPECT_TRUE(spamCriteria.serverSpam && spamCriteria.unauthenticated);
    SaveFilter();
    EXPECT_EQ(folder.Read("vellmoor.ini"), before);
    spamCriteria.unauthenticated = false;
    SaveFilter();
    LoadFilter();
    EXPECT_EQ(Value("GENERAL_FILTER", "UNAUTHENTICATED") + Value("GENERAL_FILTER", "SERVER_SPAM"),
              "0<absent>");
    EXPECT_TRUE(!spamCriteria.unauthenticated && spamRules.empty());
}

TEST_F(SpamStoreTest, SaveOfFewerRulesLeavesNoStaleKeys) {
    folder.Write("vellmoor.ini", "[FILTER]\r\nF0=a1\r\nF1=a2\r\nF2=a3\r\n");
    LoadFilter();
    spamRules.pop_back();
    SaveFilter();
    EXPECT_EQ(OpenSettings()->ReadSection("FILTER"), (std::vector<std::string>{"F0", "F1"}));
}

TEST_F(SpamStoreTest, AddSpamRuleStoresSubjectRulesNormalised) {
    EXPECT_EQ(AddSpamRule(0, "Hello, World"), 0);
    EXPECT_EQ(Value("FILTER", "F0"), "Subject: %HELLO WORLD");
    EXPECT_EQ(AddSpamRule(0, "hello world"), -1);
    EXPECT_EQ(spamRules.size(), 1u);
    EXPECT_EQ(AddSpamRule(1, "hello world"), 1);
    EXPECT_EQ(Value("FILTER", "F1"), "Address: %hello world");
}

TEST_F(SpamStoreTest, AddSpamRuleOverwritesAnExistingRule) {
    folder.Write("vellmoor.ini", "[FILTER]\r\nF0=Address: =Bob@Example.org\r\n");
    LoadFilter();
    EXPECT_EQ(AddSpamRule(1, "bob@example.ORG"), -1);
    ASSERT_EQ(spamRules.size(), 1u);
    EXPECT_TRUE(spamRules[0]->filter.content);
    EXPECT_EQ(spamRules[0]->filter.text, "bob@example.ORG");
    EXPECT_EQ(Value("FILTER", "F0"), "Address: %bob@example.ORG");
}

TEST_F(SpamStoreTest, AddSpamRuleIgnoresBlankText) {
    EXPECT_EQ(AddSpamRule(0, " \t "), -1);
    EXPECT_EQ(AddSpamRule(1, ""), -1);
    EXPECT_TRUE(spamRules.empty());
    EXPECT_EQ(Value("FILTER", "F0"), "<absent>");
}
