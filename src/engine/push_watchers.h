#pragma once
// Push for the program: one IDLE session per enabled IMAP account, each on a thread of its
// own, following the account list as it changes. A change in an account's folder, or its
// session coming up (first or after a loss), asks for that account's check at once; while an
// account's session is up the timed check passes over it, but for a safety check now and then. The
// user-interface thread never waits: a session that ends is interrupted and its thread handed
// over (AdoptWorkerThread) to finish on its own or at the program's end.
//
// Some servers never tell of new mail during IDLE (they answer only after DONE). When a check
// that push did not ask for finds a change while the account's session was up since before the
// check before it, and the session reports no change within kSilenceGrace after, the server is
// taken as silent: its accounts' sessions end and they go back to the timed check.

#include <QObject>
#include <QPointer>
#include <chrono>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "check/push_watch.h"
#include "session/session_options.h"
#include "settings/accounts.h"

class InterruptSignal;
class QThread;

class PushWatchers : public QObject {
    Q_OBJECT
public:
    // What a session thread runs: WatchFolder unless a test replaces it.
    using Watcher =
        std::function<PushEnd(const AccountSettings&, const SessionOptions&, const PushReport&)>;

    explicit PushWatchers(QObject* parent = nullptr);
    ~PushWatchers() override;  // Stop()

    void SetWatcher(Watcher watcher) { watcher_ = std::move(watcher); }
    // Starts a session for every enabled IMAP account of `entries` that has none, and ends
    // those of accounts that went, were switched off or changed (a changed account gets a new
    // one). Nothing starts after Stop.
    void Follow(const std::vector<AccountEntry>& entries, const SessionOptions& options);
    // Ends every session and starts them afresh (a resume from suspend, a network change).
    void Reconnect();
    // The same for the account's session alone, at once instead of after its growing delay
    // (its certificate was trusted just now).
    void Reconnect(const AccountSettings& account);
    // Reconnects the account's session at once when it failed and waits out its delay: a check of
    // the same server has just succeeded.
    void ReconnectIfDown(const AccountSettings& account);
    // Interrupts every session; their threads finish on their own (EndWorkerThreads waits).
    void Stop();

    // The account's session is idling in its folder.
    bool IsUp(const AccountSettings& account) const;
    // The timed check may pass over the account (see PushCoversAccount): never while its
    // session hears of only the first of its folders.
    bool Covers(const AccountSettings& account) const;
    // The next account whose check was asked for (CheckWanted) and has not begun, now taken
    // as the one under way; none when none waits.
    std::optional<AccountSettings> NextWanted();
    // The account's check has ended, finding a change of its count (`changed`): true when it
    // was the one NextWanted gave.
    bool CheckDone(const AccountSettings& account, bool changed);
    // Sessions running (their server's lack of IDLE not yet known or not lacking).
    int Running() const;
    // Push is not used for the account: its server stays silent during IDLE.
    bool Silent(const AccountSettings& account) const;
    // How long a session may take to tell of a change that a check found.
    std::chrono::milliseconds silenceGrace{std::chrono::seconds(10)};

    // Reconnects whenever the system resumes from suspend (logind's PrepareForSleep) or the
    // network comes back (QNetworkInformation), where these can be heard.
    void FollowSystemEvents();

Q_SIGNALS:
    // Check the account now: its mail changed, or its session came up (news that came before
    // was heard by nobody).
    void CheckWanted(const AccountSettings& account);
    // The account's server stays silent during IDLE: push is not used for it any more.
    void PushSilent(const AccountSettings& account);

private:
    struct Link;
    struct Session {
        AccountSettings account;
        QThread* thread = nullptr;
        std::shared_ptr<InterruptSignal> interrupt;
        std::uint64_t id = 0;
        bool up = false;
        bool lost = false;  // failed, and waiting out its delay before the next try
        bool noIdle = false;
        bool firstFolderOnly = false;  // the timed check still counts its other folders
        bool silent = false;           // its server tells nothing during IDLE: not started again
        bool heard = false;            // a change was reported on this connection
        std::uint64_t changes = 0;     // changes reported, all connections
        std::optional<std::chrono::steady_clock::time_point> upSince;  // this connection's
    };

    void StartSession(const AccountSettings& account);
    void EndSession(Session& session);
    void Restart(Session& session);
    void OnReport(std::uint64_t id, PushEvent event);
    void OnEnded(std::uint64_t id, PushEnd end);
    // A check push did not ask for found a change: silence is suspected (see the class).
    void SuspectSilence(Session& session,
                        std::optional<std::chrono::steady_clock::time_point> checkBefore);
    void FoundSilent(std::uint64_t id);
    Session* Find(std::uint64_t id);
    Q_SLOT void onPrepareForSleep(bool sleeping);

    Watcher watcher_;
    SessionOptions options_;
    std::map<std::string, Session> sessions_;  // by account section
    std::map<std::string, std::chrono::steady_clock::time_point> lastChecks_;
    std::set<std::string> silentServers_;  // "host:port"
    std::deque<std::string> wanted_;       // sections, each at most once
    std::string underWay_;                 // the section NextWanted gave last
    std::shared_ptr<Link> link_;
    std::uint64_t nextId_ = 1;
    bool stopped_ = false;
    bool offline_ = false;
};
