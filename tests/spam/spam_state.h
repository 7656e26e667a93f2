#pragma once
// Tests that change the program-wide spam rules and criteria start and end with them empty.

#include <gtest/gtest.h>

#include "settings/program_state.h"

class SpamStateTest : public ::testing::Test {
protected:
    void SetUp() override { ResetSpamState(); }
    void TearDown() override { ResetSpamState(); }
    static void ResetSpamState() {
        spamRules.clear();
        spamCriteria = {};
    }
};
