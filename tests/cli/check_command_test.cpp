// tarnwick-check end to end: a copy of the program in a folder of its own with a settings
// file, checking real Dovecot mailboxes.
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <nlohmann/json.hpp>

#include "settings/settings.h"
#include "support/mail_fixture.h"
#include "support/scripted_server.h"
#include "support/temp_folder.h"

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::MatchesRegex;
using ::testing::Not;
using ::testing::StartsWith;
using Json = nlohmann::json;

namespace {

struct RunResult {
    int status = -1;
    std::string output;
};

// tarnwick-check running on, its standard output read line by line.
class Running {
public:
    Running(const std::string& program, std::vector<std::string> args) {
        int out[2];
        if (::pipe(out) != 0) throw std::runtime_error("pipe");
        pid_ = ::fork();
        if (pid_ == 0) {
            ::dup2(out[1], STDOUT_FILENO);
            ::setenv("TARNWICK_WATCH_INTERVAL_MS", "100", 0);  // unless the test chose one
            std::vector<char*> argv{const_cast<char*>(program.c_str())};
            for (std::string& arg : args) argv.push_back(arg.data());
            argv.push_back(nullptr);
            ::execv(program.c_str(), argv.data());
            ::_exit(127);
        }
        ::close(out[1]);
        fd_ = out[0];
    }
    ~Running() {
        if (pid_ > 0) Stop(SIGKILL);
        ::close(fd_);
    }

    // The next line within 20 s, "(none)" when none came.
    std::string NextLine() {
        const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(20);
        for (std::size_t lf; (lf = buffer_.find('\n')) == std::string::npos;) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                end - std::chrono::steady_clock::now());
            pollfd request{fd_, POLLIN, 0};
            char chunk[4096];
            const ssize_t n = left.count() > 0 && ::poll(&request, 1, int(left.count())) > 0
                                  ? ::read(fd_, chunk, sizeof chunk)
                                  : 0;
            if (n <= 0) return "(none)";
            buffer_.append(chunk, std::size_t(n));
        }
        std::string line = buffer_.substr(0, buffer_.find('\n'));
        buffer_.erase(0, line.size() + 1);
        return line;
    }

    // Sends the signal; the exit status when it ended within 10 s, else -1.
    int Stop(int signal) {
        ::kill(pid_, signal);
        int status = 0;
        for (int i = 0; i < 1000 && ::waitpid(pid_, &status, WNOHANG) == 0; ++i) ::usleep(10000);
        if (::waitpid(pid_, &status, WNOHANG) == 0) {
            ::kill(pid_, SIGKILL);
            ::waitpid(pid_, &status, 0);
            status = -1;
        }
        pid_ = -1;
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

private:
    pid_t pid_ = -1;
    int fd_ = -1;
    std::string buffer_;
};

class CheckCommandTest : public ::testing::Test {
protected:
    void SetUp() override {
        const std::string copy = folder_.File("tarnwick-check");
        std::error_code error;
        std::filesystem::create_hard_link(TARNWICK_CHECK_BINARY, copy, error);
        if (error) std::filesystem::copy_file(TARNWICK_CHECK_BINARY, copy);
    }

    void AddAccount(AccountSettings params, bool enabled = true) {
        AccountEntry item;
        item.enabled = enabled;
        item.params = std::move(params);
        settings_.accounts.push_back(std::move(item));
    }

    RunResult Run(const std::string& args = "", bool save = true) {
        if (save) SaveSettings(settings_);
        RunResult result;
        const std::string command = folder_.File("tarnwick-check") + " " + args + " 2>&1";
        FILE* pipe = popen(command.c_str(), "r");
        char buffer[4096];
        for (std::size_t n; (n = fread(buffer, 1, sizeof buffer, pipe)) > 0;)
            result.output.append(buffer, n);
        const int status = pclose(pipe);
        result.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        return result;
    }

    Running Start(std::vector<std::string> args) {
        SaveSettings(settings_);
        return Running(folder_.File("tarnwick-check"), std::move(args));
    }

    std::string StoredRunKey(const AccountSettings& account, const std::string& key) {
        return OpenSettings()->ReadString(AccountSection(account), key, "(absent)");
    }

    TempFolder folder_{"cli"};
    SettingsValues settings_;
    ProgramFolderScope scope_{folder_.Path()};
};

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    for (std::size_t lf; (lf = text.find('\n', start)) != std::string::npos; start = lf + 1)
        lines.push_back(text.substr(start, lf - start));
    return lines;
}

}  // namespace

TEST_F(CheckCommandTest, ChecksPlainTlsApopAndImapAccountsAndSkipsDisabledOnes) {
    TrustFixtureAuthority();
    const MailUser plain = AddMailUser("cliplain");
    const MailUser secure = AddMailUser("clitls");
    const MailUser apop = AddMailUser("cliapop");
    AddMessages(plain, 2);
    AddMessages(secure, 1);
    AddMessages(apop, 3);
    AddAccount(AccountFor(plain));
    AddAccount(AccountFor(secure, Listener::Tls));
    AddAccount(AccountFor(apop, Listener::Plain, true));
    AccountSettings off = AccountFor(AddMailUser("clioff"));
    AddAccount(off, false);
    const MailUser imap = AddMailUser("cliimap");
    AddMessages(imap, 4);
    AddAccount(ImapAccountFor(imap, Listener::Tls));

    RunResult first = Run();
    EXPECT_EQ(first.status, 0) << first.output;
    EXPECT_THAT(
        Lines(first.output),
        ElementsAre(AccountFor(plain).email + "\t2\t2\tOK", AccountFor(secure).email + "\t1\t1\tOK",
                    AccountFor(apop).email + "\t3\t3\tOK", off.email + "\t-\t0\tdisabled",
                    AccountFor(imap).email + "\t4\t4\tOK"));
    EXPECT_EQ(StoredRunKey(AccountFor(plain), "COUNT"), "2");
    EXPECT_NE(StoredRunKey(AccountFor(plain), "LAST_INCOME"), "(absent)");
    EXPECT_EQ(StoredRunKey(off, "LAST_CHECK"), "(absent)");

    AddMessages(plain, 1);
    RunResult second = Run();
    EXPECT_THAT(Lines(second.output)[0], AccountFor(plain).email + "\t3\t1\tOK");
    EXPECT_THAT(Lines(second.output)[1], AccountFor(secure).email + "\t1\t0\tOK");
}

// The second check of each account remembers what the first learnt: POP3 sends its login in one
// flight; IMAP always does. No password appears, whatever the protocol and TLS.
TEST_F(CheckCommandTest, VerboseWritesEverySessionWithItsSecretsMasked) {
    TrustFixtureAuthority();
    const MailUser pop3 = AddMailUser("clilog", "Pw-of-pop3");
    const MailUser imap = AddMailUser("clilogi", "Pw-of-imap");
    AddMessages(pop3, 2);
    AddAccount(AccountFor(pop3, Listener::StartTls));
    AddAccount(ImapAccountFor(imap, Listener::Tls));
    Run("--verbose");
    const RunResult result = Run("--verbose", false);
    EXPECT_EQ(result.status, 0) << result.output;
    const std::string pop3Name = AccountFor(pop3).email;
    EXPECT_THAT(result.output, HasSubstr(pop3Name + " C: STLS"));
    EXPECT_THAT(result.output, HasSubstr(pop3Name + " -- TLSv1.3 "));
    EXPECT_THAT(result.output, HasSubstr(pop3Name + " C: PASS ***\n"));
    EXPECT_THAT(result.output, HasSubstr(" C: a1 AUTHENTICATE PLAIN ***\n"));
    EXPECT_THAT(result.output, Not(HasSubstr("Pw-of-")));
    EXPECT_THAT(result.output, Not(HasSubstr(" C: CAPA")));  // remembered from the first check
}

TEST_F(CheckCommandTest, AFailedCheckPrintsTheStoredErrorAndExitsWithOne) {
    const MailUser user = AddMailUser("clifail");
    AddMessages(user, 1);
    AccountSettings refused = AccountFor(user);
    refused.password = "wrong";
    AddAccount(refused);
    const MailUser good = AddMailUser("cligood");
    AddAccount(AccountFor(good));

    RunResult result = Run();
    EXPECT_EQ(result.status, 1);
    EXPECT_THAT(Lines(result.output),
                ElementsAre(refused.email + "\t-\t0\t[AUTH] Authentication failed.~",
                            AccountFor(good).email + "\t0\t0\tOK"));
    EXPECT_EQ(StoredRunKey(refused, "LAST_RESULT"), "0");
}

TEST_F(CheckCommandTest, HelpAndBadUsage) {
    RunResult help = Run("--help");
    EXPECT_EQ(help.status, 0);
    EXPECT_THAT(help.output, StartsWith("Usage: tarnwick-check"));
    RunResult bad = Run("--frobnicate");
    EXPECT_EQ(bad.status, 2);
    EXPECT_THAT(bad.output, HasSubstr("Usage:"));
}

TEST_F(CheckCommandTest, ASettingsFileThatCannotBeReadFailsWithItsReason) {
    const std::string path = folder_.File("vellmoor.ini");
    std::filesystem::create_directory(path);  // unreadable for root too
    for (const std::string args : {"", "--list a@x"}) {
        RunResult result = Run(args, false);
        EXPECT_EQ(result.status, 1) << args;
        EXPECT_EQ(result.output, "tarnwick-check: Unable to read " + path + ": Is a directory\n")
            << args;
    }
}

TEST_F(CheckCommandTest, NoSettingsFileMeansNothingToCheck) {
    RunResult result = Run();
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.output, "");
}

TEST_F(CheckCommandTest, JsonLinesCarryTheSameDataAsTheTabLines) {
    const MailUser user = AddMailUser("clijson");
    AddMessages(user, 2);
    AddAccount(AccountFor(user));
    AccountSettings refused = AccountFor(AddMailUser("clijsonno"));
    refused.password = "wrong";
    AddAccount(refused);
    AccountSettings off = AccountFor(AddMailUser("clijsonoff"));
    AddAccount(off, false);
    const MailUser foldersUser = AddMailUser("clijsonfolders");
    AddFolder(foldersUser, "Work");
    Deliver(foldersUser, "Work", MakeMessage("Work", "a@test.example", "body"));
    AccountSettings folders = ImapAccountFor(foldersUser);
    folders.folders = "INBOX, Work";
    AddAccount(folders);

    RunResult result = Run("--json");
    EXPECT_EQ(result.status, 1);
    std::vector<Json> lines;
    for (const std::string& line : Lines(result.output)) lines.push_back(Json::parse(line));
    ASSERT_EQ(lines.size(), 4u) << result.output;
    EXPECT_FALSE(lines[0].contains("folders"));
    EXPECT_EQ(lines[3]["folders"], Json::parse(R"([{"name":"INBOX","count":0,"change":0,)"
                                               R"("unseen":0},{"name":"Work","count":1,)"
                                               R"("change":1,"unseen":1}])"));
    EXPECT_EQ(lines[0]["email"], AccountFor(user).email);
    EXPECT_EQ(lines[0]["count"], 2);
    EXPECT_EQ(lines[0]["change"], 2);
    EXPECT_EQ(lines[0]["ok"], true);
    EXPECT_EQ(lines[0]["error"], "");
    EXPECT_THAT(
        lines[0]["checked"].get<std::string>(),
        MatchesRegex("[0-9]{4}-[0-9]{2}-[0-9]{2}T[0-9]{2}:[0-9]{2}:[0-9]{2}[+-][0-9]{2}:[0-9]{2}"));
    EXPECT_TRUE(lines[1]["count"].is_null());
    EXPECT_EQ(lines[1]["ok"], false);
    EXPECT_EQ(lines[1]["error"], "[AUTH] Authentication failed.\n");  // the file keeps "~"
    EXPECT_EQ(lines[2], Json::parse(R"({"email":")" + off.email +
                                    R"(","count":null,"change":0,"ok":false,)"
                                    R"("error":"disabled","checked":null})"));
}

TEST_F(CheckCommandTest, WatchPrintsChangesOnlyAndEndsCleanlyOnSigterm) {
    const MailUser user = AddMailUser("cliwatch");
    AddMessages(user, 1);
    AddAccount(AccountFor(user));
    Running json = Start({"--watch"});
    Json first = Json::parse(json.NextLine());
    EXPECT_EQ(first["count"], 1);
    AddMessages(user, 2);
    Json second = Json::parse(json.NextLine());  // checks without change print nothing
    EXPECT_EQ(second["count"], 3);
    EXPECT_EQ(second["change"], 2);
    EXPECT_EQ(json.Stop(SIGTERM), 0);

    Running waybar = Start({"--watch", "--format", "waybar"});
    EXPECT_EQ(Json::parse(waybar.NextLine()),
              Json::parse(R"({"text":"3","tooltip":")" + AccountFor(user).email +
                          R"(: 3","class":"none"})"));
    AddMessages(user, 1);
    Json arrived = Json::parse(waybar.NextLine());
    EXPECT_EQ(arrived["text"], "4");
    EXPECT_EQ(arrived["class"], "new");
    EXPECT_EQ(arrived["tooltip"], AccountFor(user).email + ": 4 (+1)");
    EXPECT_EQ(waybar.Stop(SIGINT), 0);
}

TEST_F(CheckCommandTest, WatchFollowsImapAccountsByPushBetweenItsChecks) {
    const MailUser user = AddMailUser("clipush");
    AddAccount(ImapAccountFor(user));
    ::setenv("TARNWICK_WATCH_INTERVAL_MS", "600000", 1);  // no timed check during the test
    Running watch = Start({"--watch"});
    ::unsetenv("TARNWICK_WATCH_INTERVAL_MS");
    EXPECT_EQ(Json::parse(watch.NextLine())["count"], 0);
    AddMessages(user, 1);
    const Json pushed = Json::parse(watch.NextLine());
    EXPECT_EQ(pushed["count"], 1);
    EXPECT_EQ(pushed["change"], 1);
    EXPECT_EQ(watch.Stop(SIGTERM), 0);
}

TEST_F(CheckCommandTest, AStopSignalEndsTheWatchDuringACheckWithoutRecordingAnError) {
    ScriptedServer silent("S:<silence>");
    AccountSettings account;
    account.email = "silent@test.example";
    account.host = "127.0.0.1";
    account.port = silent.Port();
    account.username = "bob";
    AddAccount(account);
    Running watch = Start({"--watch", "--format", "waybar"});
    for (int i = 0; i < 500 && silent.Connections() == 0; ++i) ::usleep(10000);
    ASSERT_EQ(silent.Connections(), 1);
    EXPECT_EQ(watch.Stop(SIGINT), 0);
    EXPECT_EQ(StoredRunKey(account, "LAST_CHECK"), "(absent)");
}
