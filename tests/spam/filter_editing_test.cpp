// The filter editor's plain decisions: which typed rule repeats a listed one, which rule an id
// still names.

#include <gtest/gtest.h>

#include <memory>

#include "spam/filter_editing.h"

namespace {

TEST(FilterEditing, DuplicatesIgnoreCaseAndForSubjectsPunctuation) {
    constexpr RuleKind kSubject = RuleKind::Subject;
    constexpr RuleKind kSender = RuleKind::Sender;
    const SpamRule subject{kSubject, true, "HELLO WORLD"};
    EXPECT_TRUE(IsDuplicateOf(subject, kSubject, " hello,   world. "));
    EXPECT_FALSE(IsDuplicateOf(subject, kSender, "hello world"));
    EXPECT_FALSE(IsDuplicateOf(subject, kSubject, "hello worlds"));
    const SpamRule sender{kSender, false, "Bob@Example.org"};
    EXPECT_TRUE(IsDuplicateOf(sender, kSender, "bob@example.ORG"));
    EXPECT_FALSE(IsDuplicateOf(sender, kSender, "bob example org")) << "sender texts are plain";
}

TEST(FilterEditing, AnIdNamesItsRuleUntilTheRuleIsGone) {
    SpamRules rules;
    rules.push_back(std::make_unique<SpamRuleEntry>());
    rules.push_back(std::make_unique<SpamRuleEntry>());
    const std::uint64_t second = rules[1]->Id();
    EXPECT_NE(rules[0]->Id(), second);
    EXPECT_EQ(FindRule(rules, second), rules[1].get());
    const SpamRuleEntry elsewhere;
    EXPECT_EQ(FindRule(rules, elsewhere.Id()), nullptr);
    rules.erase(rules.begin() + 1);
    // A new rule in the same place is another rule.
    rules.push_back(std::make_unique<SpamRuleEntry>());
    EXPECT_EQ(FindRule(rules, second), nullptr);
}

}  // namespace
