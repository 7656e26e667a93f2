// The filter editor's plain decisions: which typed rule repeats a listed one, which rule a row
// may still act on.

#include <gtest/gtest.h>

#include <memory>

#include "spam/filter_editing.h"

namespace {

TEST(FilterEditing, DuplicatesIgnoreCaseAndForSubjectsPunctuation) {
    const SpamRule subject{0, true, "HELLO WORLD"};
    EXPECT_TRUE(IsDuplicateOf(subject, 0, " hello,   world. "));
    EXPECT_FALSE(IsDuplicateOf(subject, 1, "hello world"));
    EXPECT_FALSE(IsDuplicateOf(subject, 0, "hello worlds"));
    const SpamRule sender{1, false, "Bob@Example.org"};
    EXPECT_TRUE(IsDuplicateOf(sender, 1, "bob@example.ORG"));
    EXPECT_FALSE(IsDuplicateOf(sender, 1, "bob example org")) << "sender texts are plain";
}

TEST(FilterEditing, OnlyRulesStillInTheListAreLive) {
    SpamRules rules;
    rules.push_back(std::make_unique<SpamRuleEntry>());
    rules.push_back(std::make_unique<SpamRuleEntry>());
    const SpamRuleEntry* second = rules[1].get();
    EXPECT_TRUE(IsLiveRule(second, rules));
    const SpamRuleEntry elsewhere;
    EXPECT_FALSE(IsLiveRule(&elsewhere, rules));
    EXPECT_FALSE(IsLiveRule(nullptr, rules));
    const auto kept = std::move(rules[1]);
    rules.erase(rules.begin() + 1);
    EXPECT_FALSE(IsLiveRule(second, rules));
}

}  // namespace
