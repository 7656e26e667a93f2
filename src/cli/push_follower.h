#pragma once
// Push for tarnwick-check --watch: one IDLE session per enabled IMAP account, each on a
// thread of its own, following the account list as the watch rereads it. News (a change in
// the folder, a session up, first or after a loss) is collected for the watch's thread, which a
// descriptor wakes.

#include <chrono>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "session/session_options.h"
#include "settings/accounts.h"

class InterruptSignal;

class PushFollower {
public:
    PushFollower();
    // Ends every session and waits for its thread.
    ~PushFollower();
    PushFollower(const PushFollower&) = delete;
    PushFollower& operator=(const PushFollower&) = delete;

    // Starts a session for every enabled IMAP account that has none; ends those of accounts
    // that went, were switched off or changed.
    void Follow(const std::vector<AccountEntry>& accounts, const SessionOptions& options);
    // Readable while news waits (for poll).
    int WakeFd() const { return wakeFd_; }
    // The e-mail addresses whose check the sessions asked for since the last call.
    std::vector<std::string> TakeWanted();
    // The account was checked now.
    void NoteChecked(const AccountSettings& account);
    // The timed check may pass over the account (PushCoversAccount).
    bool Covers(const AccountSettings& account);

private:
    struct Session;
    void End(Session& session);

    int wakeFd_ = -1;
    std::mutex mutex_;  // guards what the session threads touch: wanted_, the up flags and
                        // lastChecks_ (written under it, read without by this thread)
    std::vector<std::string> wanted_;
    std::map<std::string, std::unique_ptr<Session>> sessions_;  // by account section
    std::map<std::string, std::chrono::steady_clock::time_point> lastChecks_;
};
