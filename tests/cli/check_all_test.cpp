// Checking every account when the run state cannot be kept: each server still hears QUIT,
// every account is checked, and each line carries the system's reason.
#include <sys/stat.h>

#include <gtest/gtest.h>

#include <sstream>

#include "cli/commands.h"
#include "settings/settings.h"
#include "settings/settings_test_support.h"
#include "support/scripted_server.h"
#include "support/temp_folder.h"

namespace {

AccountEntry ScriptedItem(const ScriptedServer& server, const std::string& email,
                          const std::string& host) {
    AccountEntry item;
    item.enabled = true;
    item.params.email = email;
    item.params.host = host;  // its own section
    item.params.port = server.Port();
    item.params.username = "bob";
    item.params.password = "secret";
    return item;
}

}  // namespace

TEST(CheckAll, ARunStateThatCannotBeWrittenFailsEachCheckWithItsReasonAfterQuit) {
    const std::string script =
        std::string(kUserLogin) + "C: STAT\nS: +OK 2 20\nC: UIDL 2\nS: +OK 2 u2\nC: QUIT";
    ScriptedServer first(script);
    ScriptedServer second(script);
    TempFolder folder("cli", SystemTempRoot());
    ProgramFolderScope scope(folder.Path());
    SettingsValues values;
    values.accounts = {ScriptedItem(first, "one@test.example", "127.0.0.1"),
                       ScriptedItem(second, "two@test.example", "localhost")};
    SaveSettings(values);
    const std::string path = OpenSettings()->Path();
    // A shared folder (others may write in it, but not replace root's file): the program
    // keeps its files there and reads them, but cannot replace the settings file.
    ::chmod(path.c_str(), 0644);
    ::chmod(folder.Path().c_str(), 01777);
    const std::string reason = "Unable to write to " + path + ": Permission denied";  // its lock
    const std::string expected =
        "one@test.example\t-\t0\t" + reason + "\n" + "two@test.example\t-\t0\t" + reason + "\n";
    // Root replaces any file: check as an ordinary user in a child process.
    const bool failedAsExpected = AsOrdinaryUser([&] {
        std::ostringstream out;
        const int status = CheckAllAccounts(out);
        if (out.str() != expected) std::fprintf(stderr, "printed:\n%s", out.str().c_str());
        return status == kExitFailed && out.str() == expected;
    });
    ::chmod(folder.Path().c_str(), 0755);
    EXPECT_TRUE(failedAsExpected);
    EXPECT_EQ(first.Problems(), "");
    EXPECT_EQ(second.Problems(), "");
    EXPECT_EQ(first.Connections(), 1);
    EXPECT_EQ(second.Connections(), 1);
}
