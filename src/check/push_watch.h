#pragma once
// Push for an IMAP account: a session that stays in the account's folder with IDLE (and hears
// of its other folders through NOTIFY, RFC 5465, where the server has it) and reports whenever
// their messages change, so that the account is checked at once instead of on
// the next tick. A connection that dies is reopened after growing delays.

#include <chrono>
#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "session/session_options.h"
#include "settings/accounts.h"

enum class PushEvent : std::uint8_t {
    Up,           // the first session is idling in the folder: news before it went unheard
    Changed,      // a message arrived or went (EXISTS, EXPUNGE)
    Lost,         // the session failed (its error comes along); a new one follows after a delay
    Reconnected,  // idling again after a loss: news may have been missed meanwhile
    // Told before Up or Reconnected: the session hears of the first of the account's folders
    // only (its server has no NOTIFY), so the timed check must still count the others.
    FirstFolderOnly,
};

enum class PushEnd : std::uint8_t {
    Interrupted,  // the interrupt was raised
    NoIdle,       // the server does not offer IDLE: the account stays on the timed check
};

struct PushTiming {
    // IDLE is ended with DONE and begun again this often, within the 30 minutes after which
    // a server may drop an idle client (RFC 2177).
    std::chrono::milliseconds idleRefresh{std::chrono::minutes(24)};
    std::chrono::milliseconds firstDelay{std::chrono::seconds(1)};
    std::chrono::milliseconds longestDelay{std::chrono::minutes(5)};
    // A session counts as holding once it has idled this long: only then does the delay
    // after a loss start again from firstDelay.
    std::chrono::milliseconds holding{std::chrono::minutes(1)};
    // News of changes is reported at most once in this time; changes meanwhile are told
    // together at its end.
    std::chrono::milliseconds newsGap{std::chrono::seconds(3)};
};

// The wait before the `attempt`-th reopening in a row (1 for the first after a loss):
// firstDelay, doubling with every attempt, never more than longestDelay.
std::chrono::milliseconds ReconnectDelay(int attempt, const PushTiming& timing = {});

// Whether a push event calls for a check of the account: a change and the first session's
// start always do, a reconnection only when the account was not checked within kRecentCheck
// (a server that drops every session would otherwise cause a check with every one).
inline constexpr std::chrono::minutes kRecentCheck{1};
bool PushEventWantsCheck(PushEvent event,
                         std::optional<std::chrono::steady_clock::time_point> lastCheck,
                         std::chrono::steady_clock::time_point now);

// Whether the timed check may pass over an account: its push session is up and it was
// checked less than kSafetyCheckInterval ago, or kUnprovenSafetyCheckInterval while the session
// has not yet reported a change (`proven`): a server that stays silent during IDLE is found out
// sooner.
inline constexpr std::chrono::minutes kSafetyCheckInterval{15};
inline constexpr std::chrono::minutes kUnprovenSafetyCheckInterval{5};
bool PushCoversAccount(bool up, std::optional<std::chrono::steady_clock::time_point> lastCheck,
                       std::chrono::steady_clock::time_point now, bool proven = true);

// The enabled IMAP accounts among `entries`, by their section: those a push session follows.
std::map<std::string, const AccountSettings*> PushedAccounts(
    const std::vector<AccountEntry>& entries);

// The folder a push session of the account opens: the first it watches (INBOX for "*"), or
// FOLDER= (INBOX when empty) without FOLDERS=.
std::string PushedFolder(const AccountSettings& account);
// NOTIFY SET (RFC 5465) for the account's other folders besides the open one: the subscribed
// ones for "*", else those named after the first; "" when it watches one folder only.
std::string NotifyCommand(const AccountSettings& account);

// Whether a session of `a` serves `b` unchanged: everything its connection and login depend on
// is the same.
bool SameConnection(const AccountSettings& a, const AccountSettings& b);

using PushReport = std::function<void(PushEvent event, const std::string& error)>;

// Connects and logs in as the check does, EXAMINEs the account's folder (PushedFolder) and
// idles there, with NOTIFY for its other folders where the server offers it,
// reporting on the calling thread (changes at most once per timing.newsGap), until
// `options.interrupt` is raised or the server turns out not to offer IDLE. Never throws; records
// nothing in the settings file. The session has no time limit (`options.timeLimit` is not used).
PushEnd WatchFolder(const AccountSettings& account, SessionOptions options,
                    const PushReport& report, const PushTiming& timing = {});
