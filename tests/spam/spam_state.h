#pragma once
// Tests of the spam rules: a rule list and criteria of the test's own, and the filter calls on
// them under their usual names.

#include <gtest/gtest.h>

#include "spam/spam_filter.h"

class SpamStateTest : public ::testing::Test {
protected:
    bool LoadFilter() { return ::LoadFilter(spamRules, spamCriteria); }
    bool SaveFilter() const { return ::SaveFilter(spamRules, spamCriteria); }
    std::int32_t AddSpamRule(std::int32_t kind, std::string_view text) {
        return ::AddSpamRule(spamRules, spamCriteria, static_cast<RuleKind>(kind), text);
    }

    SpamRules spamRules;
    SpamCriteria spamCriteria;
};
