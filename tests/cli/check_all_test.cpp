// Checking every account when the run state cannot be kept: each server still hears QUIT,
// every account is checked, and each line carries the system's reason.
#include <sys/stat.h>

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <sstream>

#include "cli/account_report.h"
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
        std::string(kCheckLogin) + "C: STAT\nS: +OK 2 20\nC: UIDL 2\nS: +OK 2 u2\nC: QUIT";
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

TEST(CheckAll, JsonTextsStayValidWhateverBytesAServerSends) {
    const std::string nul(1, '\0');
    const std::string bad = "\xEF\xBF\xBD";  // U+FFFD
    const std::pair<std::string, std::string> cases[] = {
        {"quote \" back \\ tab \t cr \r lf \n nul " + nul + " del \x7f",
         "quote \" back \\ tab \t cr \r lf \n nul " + nul + " del \x7f"},
        {"P\xC5\x99\xC3\xADli\xC5\xA1 \xF0\x9F\x93\xAC",
         "P\xC5\x99\xC3\xADli\xC5\xA1 \xF0\x9F\x93\xAC"},
        {"latin1 \xE9t\xE9", "latin1 " + bad + "t" + bad},
        {"overlong \xC0\xAF surrogate \xED\xA0\x80 cut \xE2\x82",
         "overlong " + bad + bad + " surrogate " + bad + bad + bad + " cut " + bad + bad},
    };
    for (const auto& [bytes, expected] : cases) {
        const std::string json = JsonString(bytes);
        EXPECT_EQ(nlohmann::json::parse(json).get<std::string>(), expected) << json;
        EXPECT_EQ(json.find_first_of("\r\n"), std::string::npos);
    }
}

TEST(CheckAll, TheStatusBarClassPutsNewMailBeforeErrors) {
    const auto report = [](std::string email, std::optional<int> count, int lastChange) {
        AccountReport r;
        r.email = std::move(email);
        r.ok = count.has_value();
        r.count = count;
        r.error = r.ok ? "" : "refused";
        r.lastChange = lastChange;
        return r;
    };
    const AccountReport quiet = report("a@x", 2, 0);
    const AccountReport failed = report("b@x", std::nullopt, 0);
    const AccountReport arrived = report("c@x", 5, 3);
    const AccountReport removed = report("d@x", 1, -1);
    EXPECT_EQ(SummaryOf({quiet, removed}), SummaryClass::None);
    EXPECT_EQ(SummaryOf({quiet, failed}), SummaryClass::Error);
    EXPECT_EQ(SummaryOf({failed, arrived}), SummaryClass::New);
    const std::string expected =
        "{\"text\":\"7\",\"tooltip\":\"a@x: 2\\nb@x: refused\\nc@x: 5 (+3)\",\"class\":\"new\"}";
    EXPECT_EQ(WaybarLine({quiet, failed, arrived}), expected);
    EXPECT_EQ(WaybarLine({}), R"({"text":"0","tooltip":"","class":"none"})");
}
