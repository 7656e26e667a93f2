// The run state of one check reaches the settings file with one replacement of the file, on
// success and on failure alike.
#include <sys/inotify.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "check/check_cycle.h"
#include "check/check_fixture.h"

namespace {

// Counts the files renamed into a folder under the name `name`.
class ReplacementCounter {
public:
    ReplacementCounter(const std::string& folder, std::string name)
        : fd_(::inotify_init1(IN_NONBLOCK | IN_CLOEXEC)), name_(std::move(name)) {
        ::inotify_add_watch(fd_, folder.c_str(), IN_MOVED_TO);
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
        std::string(kUserLogin) + "C: STAT\nS: +OK 3 300\nC: UIDL 3\nS: +OK 3 c3\nC: QUIT",
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
    EXPECT_EQ(StoredRunKey(account, "LAST_UIDL"), "c3");
    EXPECT_NE(StoredRunKey(account, "LAST_INCOME"), "(absent)");
    EXPECT_EQ(StoredRunKey(account, "LAST_RESULT"), "0");
    EXPECT_EQ(StoredRunKey(account, "LAST_ERROR"), "no such user~");
}
