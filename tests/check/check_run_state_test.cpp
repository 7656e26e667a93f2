// The run state of one check reaches the settings file with one replacement of the file, on
// success and on failure alike.
#include <sys/inotify.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "check/check_cycle.h"
#include "check/check_fixture.h"
#include "check/folder_tally.h"
#include "session/run_state.h"
#include "spam/spam_filter.h"

namespace {

// Counts the files renamed into a folder under the name `name`.
class ReplacementCounter {
public:
    ReplacementCounter(const std::string& folder, std::string name)
        : fd_(::inotify_init1(IN_NONBLOCK | IN_CLOEXEC)), name_(std::move(name)) {
        // Moves away too, or the kernel folds unread renames onto the file into one event.
        ::inotify_add_watch(fd_, folder.c_str(), IN_MOVED_TO | IN_MOVED_FROM);
    }
    ~ReplacementCounter() { ::close(fd_); }

    int Count() {
        alignas(inotify_event) char buffer[4096];
        for (ssize_t n; (n = ::read(fd_, buffer, sizeof buffer)) > 0;) {
            for (ssize_t at = 0; at < n;) {
                const auto* event = reinterpret_cast<const inotify_event*>(buffer + at);
                if (event->len > 0 && name_ == event->name) ++count_;
                at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
            }
        }
        return count_;
    }

private:
    int fd_;
    std::string name_;
    int count_ = 0;
};

class CheckRunState : public SettingsTest {};

}  // namespace

TEST_F(CheckRunState, OneCheckReplacesTheSettingsFileOnce) {
    // New mail (result, time, count, income, last id), then a refused login (result, time, error).
    const std::string scripts[] = {
        std::string(kCheckLogin) + "C: STAT\nS: +OK 3 300\nC: UIDL 3\nS: +OK 3 c3\nC: QUIT",
        "S: +OK ready\nC: CAPA\nS: -ERR\nC: USER bob\nS: -ERR no such user\nC: QUIT"};
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
    EXPECT_EQ(StoredRunKey(account, "LAST_UIDL"), "c3");
    EXPECT_NE(StoredRunKey(account, "LAST_INCOME"), "(absent)");
    EXPECT_EQ(StoredRunKey(account, "LAST_RESULT"), "0");
    EXPECT_EQ(StoredRunKey(account, "LAST_ERROR"), "no such user~");
}

// Checks keeping their run state and the filter editor adding rules, in two processes at once
// on a large file: each save replaces the file once, and no key is lost.
TEST_F(CheckRunState, ChecksAndRuleSavesInTwoProcessesLoseNothing) {
    constexpr int kRounds = 20;
    folder_.Write("vellmoor.ini", "[SERVERLIST]\r\nS=" + std::string(1 << 20, 's') + "\r\n");
    ReplacementCounter replacements(folder_.Path(), "vellmoor.ini");
    const auto inChild = [](auto save) {  // a save that throws kills the child
        const pid_t child = ::fork();
        for (int i = 0; child == 0 && i < kRounds; ++i) save(std::to_string(i));
        if (child == 0) ::_exit(0);
        return child;
    };
    SpamRules rules;
    SpamCriteria criteria;
    const pid_t children[] = {inChild([](const std::string& i) {
                                  RunState runState;
                                  runState.Write("EML_A", "K" + i, "1");
                                  runState.Store();
                              }),
                              inChild([&](const std::string& i) {
                                  AddSpamRule(rules, criteria, RuleKind::Sender, "spam" + i + "@x");
                              })};
    for (const pid_t child : children) {
        int status = -1;
        EXPECT_TRUE(::waitpid(child, &status, 0) == child && status == 0);
    }
    EXPECT_EQ(replacements.Count(), 2 * kRounds);
    EXPECT_EQ(OpenSettings()->ReadSection("EML_A").size(), std::size_t{kRounds});
    EXPECT_EQ(OpenSettings()->ReadSection("FILTER").size(), std::size_t{kRounds});
}

// What the windows, the notification and D-Bus show of an account's folders, and what the list
// window's deletions in one folder leave in the run state.
TEST_F(CheckRunState, FoldersAreShownFromTheirRunStateAndDeletionsInOneFolderKeepTheSum) {
    AccountSettings plain;
    plain.email = "a@x.example";
    plain.host = "a";
    plain.protocol = MailProtocol::Imap;
    plain.folder = "Archive";
    SetRunState(plain, "COUNT", "7");
    const std::vector<FolderRunState> one = ShownFolderStates(plain, *OpenSettings(), -2);
    ASSERT_EQ(one.size(), 1u);
    EXPECT_EQ(FolderCountsText(one), "Archive 7 (-2)");

    AccountSettings watching = plain;
    watching.host = "b";
    watching.folders = "INBOX, Work";
    EXPECT_EQ(FolderCountsText(ShownFolderStates(watching, *OpenSettings(), 0)), "INBOX 0\nWork 0");
    StoreFolderStates(*OpenSettings(), AccountSection(watching),
                      {{"INBOX", 3, 0, 1, 10, 5}, {"Work", 5, 2, 2, 20, 6}});
    SetRunState(watching, "COUNT", "8");
    EXPECT_EQ(FolderCountsText(ShownFolderStates(watching, *OpenSettings(), 2)),
              "INBOX 3\nWork 5 (+2)");
    std::vector<FolderArrival> arrivals =
        FolderArrivals(StoredFolderStates(*OpenSettings(), AccountSection(watching)));
    AddFolderArrival(arrivals, {"Work", 1});
    AddFolderArrival(arrivals, {"Lists/dev", 1});
    AddFolderArrival(arrivals, {"INBOX", 0});
    EXPECT_EQ(FolderArrivalLines(arrivals),
              (std::vector<std::string>{"Work: 3 notification_new_other",
                                        "Lists/dev: 1 notification_new_one"}));

    watching.folder = "Work";  // the list window deleted two of Work's five messages
    StoreShownMailbox(watching, {3, "", 25});
    const std::vector<FolderRunState> after =
        StoredFolderStates(*OpenSettings(), AccountSection(watching));
    EXPECT_EQ(after[0].count, 3);
    EXPECT_EQ(after[1].count, 3);
    EXPECT_EQ(after[1].uidNext, 26u);
    EXPECT_EQ(StoredRunKey(watching, "COUNT"), "6");
    EXPECT_EQ(StoredRunKey(watching, "UIDNEXT"), "(absent)");
}
