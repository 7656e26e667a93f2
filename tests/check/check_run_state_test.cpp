// The run state of one check reaches the settings file with one replacement of the file, on
// success and on failure alike, and never at the cost of what another writer stored.
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <functional>

#include "check/check_cycle.h"
#include "check/check_fixture.h"
#include "spam/spam_filter.h"
#include "support/replacement_counter.h"

namespace {

class CheckRunState : public SettingsTest {};

}  // namespace

TEST_F(CheckRunState, OneCheckReplacesTheSettingsFileOnce) {
    // New mail (result, time, count and income), then a refused login (result, time, error).
    const std::string scripts[] = {std::string(kUserLogin) + "C: STAT\nS: +OK 3 300\nC: QUIT",
                                   "S: +OK ready\nC: USER bob\nS: -ERR no such user\nC: QUIT"};
    AccountSettings account;  // both in the same section: same server address and user
    for (const std::string& script : scripts) {
        ScriptedServer server(script);
        account = ScriptedAccount(server);
        SetRunState(account, "EMAIL", account.email);
        ReplacementCounter replacements(folder_.Path(), "vellmoor.ini");
        NoCheckNotifier notifier;
        CheckAccount(account, {}, false, notifier);
        EXPECT_EQ(replacements.Count(), 1) << script;
        EXPECT_EQ(server.Problems(), "") << script;
    }
    EXPECT_EQ(StoredRunKey(account, "COUNT"), "3");
    EXPECT_NE(StoredRunKey(account, "LAST_INCOME"), "(absent)");
    EXPECT_EQ(StoredRunKey(account, "LAST_RESULT"), "0");
    EXPECT_EQ(StoredRunKey(account, "LAST_ERROR"), "no such user~");
}

// Checks keeping their run state and the filter editor adding rules, in two processes at once
// on one large file: every run-state key and every rule is there at the end.
TEST_F(CheckRunState, ChecksAndRuleSavesInTwoProcessesLoseNothing) {
    constexpr int kRounds = 25;
    std::string servers = "[SERVERLIST]\r\n";
    for (int i = 0; i < 5000; ++i) servers += "S" + std::to_string(i) + "=pop.example.com\r\n";
    folder_.Write("vellmoor.ini", servers);
    const auto inChild = [](const std::function<void()>& body) {
        const pid_t child = ::fork();
        if (child != 0) return child;
        try {
            body();
        } catch (const std::exception& error) {
            std::fprintf(stderr, "%s\n", error.what());
            ::_exit(1);
        }
        ::_exit(0);
    };
    const pid_t checks = inChild([] {
        for (int i = 0; i < kRounds; ++i) {
            RunState runState;
            runState.Write("EML_A", "K" + std::to_string(i), "1");
            runState.Store();
        }
    });
    const pid_t editor = inChild([] {
        SpamRules rules;
        SpamCriteria criteria;
        for (int i = 0; i < kRounds; ++i)
            AddSpamRule(rules, criteria, 1, "spam" + std::to_string(i) + "@x");
    });
    for (const pid_t child : {checks, editor}) {
        int status = -1;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }
    const auto ini = OpenSettings();
    EXPECT_EQ(ini->ReadSection("EML_A").size(), std::size_t{kRounds});
    EXPECT_EQ(ini->ReadSection("FILTER").size(), std::size_t{kRounds});
    EXPECT_EQ(ini->ReadSection("SERVERLIST").size(), 5000u);
}
