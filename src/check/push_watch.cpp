#include "check/push_watch.h"

#include <algorithm>
#include <memory>

#include "auth/oauth_token.h"
#include "check/server_folders.h"
#include "imap/imap_client.h"
#include "net/interrupt.h"
#include "session/folder_count.h"
#include "session/imap_session.h"
#include "settings/errors.h"
#include "settings/settings.h"

namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

// Reports changes as they come, but at most once per timing.newsGap: a change within the
// gap waits for its end, together with the changes after it.
class NewsGate {
public:
    NewsGate(const PushReport& report, Clock::duration gap) : report_(report), gap_(gap) {}

    void Changed() {
        if (Clock::now() - lastReport_ >= gap_)
            Report();
        else
            pending_ = true;
    }
    // When the wait for news must end to report what is pending: `until` or earlier.
    Clock::time_point WaitUntil(Clock::time_point until) const {
        return pending_ ? std::min(until, lastReport_ + gap_) : until;
    }
    // Reports what is pending once the gap has passed.
    void Tick() {
        if (pending_ && Clock::now() - lastReport_ >= gap_) Report();
    }
    // Reports what is pending at once: the session ends.
    void Flush() {
        if (pending_) Report();
    }

private:
    void Report() {
        pending_ = false;
        lastReport_ = Clock::now();
        report_(PushEvent::Changed, {});
    }

    const PushReport& report_;
    Clock::duration gap_;
    Clock::time_point lastReport_{};
    bool pending_ = false;
};

// When an OAuth2 session ends itself: a minute before its access token expires, so that the
// next one logs in with a fresh token. None for a password account.
std::optional<Clock::time_point> TokenRenewal(const AccountSettings& account) {
    if (!account.UsesOAuth()) return std::nullopt;
    const auto expires = SharedTokenCache().Expiry(AccountSection(account));
    if (!expires) return std::nullopt;
    const auto left = *expires - TokenCache::Clock::now() - std::chrono::minutes(1);
    return Clock::now() + std::chrono::duration_cast<Clock::duration>(left);
}

// NOTIFY for the account's other folders where it watches several: true when the session hears
// of all of them (one folder, or NOTIFY taken).
bool HearAllFolders(const AccountSettings& account, ImapClient& client) {
    const std::string notify = NotifyCommand(account);
    if (notify.empty()) return true;
    if (!client.HasCapability("NOTIFY")) return false;
    try {
        client.Run(notify);
        return true;
    } catch (const TarnwickError&) {
        if (!client.IsConnected()) throw;
        return false;  // refused (a folder gone, too many): the timed check counts the others
    }
}

// Opens the folder the session idles in; a name the server refuses is looked for in its folder
// list as the count looks for it (Courier's "INBOX.Work" for "Work").
void OpenPushedFolder(const AccountSettings& account, ImapClient& client) {
    const std::string name = PushedFolder(account);
    try {
        client.Examine(name);
        return;
    } catch (const TarnwickError&) {
        if (!client.IsConnected()) throw;
        std::vector<std::string> names;
        for (const ListedMailbox& mailbox : client.ListMailboxes())
            if (mailbox.selectable) names.push_back(mailbox.name);
        const auto found = MatchFolderName(name, names);
        if (!found || names[*found] == name) throw;
        client.Examine(names[*found]);
    }
}

// Sessions: log in, open the folder, idle until the connection fails (or, for an OAuth2 account,
// until its token is due for renewal: then the next session follows at once). Returns only when
// the server has no IDLE; throws the failure otherwise.
void Idle(const AccountSettings& account, const SessionOptions& options, const PushTiming& timing,
          const std::function<void()>& onUp, const PushReport& report) {
    for (bool renewed = false;; renewed = true) {
        std::unique_ptr<ImapClient> client = NewImapClient(account, options);
        client->keepAlive = true;  // a dead connection fails within minutes, not at the renewal
        NewsGate news(report, timing.newsGap);
        try {
            TakeCredential(account, *client);
            client->ConnectAndLogIn();
            if (!client->HasCapability("IDLE")) {
                EndImapSession(client);
                return;
            }
            OpenPushedFolder(account, *client);
            if (!HearAllFolders(account, *client)) report(PushEvent::FirstFolderOnly, {});
            if (renewed)
                news.Changed();  // whatever came between the sessions
            else
                onUp();
            const auto renewal = TokenRenewal(account);
            while (!renewal || Clock::now() < *renewal) {
                if (client->Idle()) news.Changed();
                auto until = Clock::now() + timing.idleRefresh;
                if (renewal) until = std::min(until, *renewal);
                while (Clock::now() < until) {
                    if (client->WaitIdle(news.WaitUntil(until))) news.Changed();
                    news.Tick();
                }
                if (client->EndIdle()) news.Changed();
            }
            news.Flush();
            client->LogoutAndClose();
        } catch (...) {
            if (client->IsConnected()) client->LogoutAndClose();
            news.Flush();
            throw;
        }
    }
}

}  // namespace

milliseconds ReconnectDelay(int attempt, const PushTiming& timing) {
    milliseconds delay = timing.firstDelay;
    for (int i = 1; i < attempt && delay < timing.longestDelay; ++i) delay *= 2;
    return std::min(delay, timing.longestDelay);
}

bool PushEventWantsCheck(PushEvent event, std::optional<Clock::time_point> lastCheck,
                         Clock::time_point now) {
    if (event == PushEvent::Lost || event == PushEvent::FirstFolderOnly) return false;
    if (event != PushEvent::Reconnected) return true;
    return !lastCheck || now - *lastCheck >= kRecentCheck;
}

bool PushCoversAccount(bool up, std::optional<std::chrono::steady_clock::time_point> lastCheck,
                       std::chrono::steady_clock::time_point now, bool proven) {
    const std::chrono::minutes interval =
        proven ? kSafetyCheckInterval : kUnprovenSafetyCheckInterval;
    return up && lastCheck && now - *lastCheck < interval;
}

PushEnd WatchFolder(const AccountSettings& account, SessionOptions options,
                    const PushReport& report, const PushTiming& timing) {
    if (!options.interrupt) options.interrupt = std::make_shared<InterruptSignal>();
    options.timeLimit = milliseconds(0);
    bool everUp = false;
    int attempt = 0;
    for (;;) {
        std::optional<Clock::time_point> upSince;
        try {
            Idle(
                account, options, timing,
                [&] {
                    report(everUp ? PushEvent::Reconnected : PushEvent::Up, {});
                    everUp = true;
                    upSince = Clock::now();
                },
                report);
            return PushEnd::NoIdle;
        } catch (const Cancelled&) {
            return PushEnd::Interrupted;
        } catch (const std::exception& error) {
            if (options.interrupt->Raised()) return PushEnd::Interrupted;
            report(PushEvent::Lost, error.what());
        }
        // A session that held starts the delays afresh; one dropped at once makes them grow.
        if (upSince && Clock::now() - *upSince >= timing.holding) attempt = 0;
        const auto resume = Clock::now() + ReconnectDelay(++attempt, timing);
        if (options.interrupt->WaitUntil(resume) == InterruptSignal::Wake::Raised)
            return PushEnd::Interrupted;
    }
}

std::map<std::string, const AccountSettings*> PushedAccounts(
    const std::vector<AccountEntry>& entries) {
    std::map<std::string, const AccountSettings*> pushed;
    for (const AccountEntry& entry : entries)
        if (entry.enabled && entry.params.protocol == MailProtocol::Imap)
            pushed.emplace(AccountSection(entry.params), &entry.params);
    return pushed;
}

std::string PushedFolder(const AccountSettings& account) {
    if (!WatchesFolders(account)) return account.Folder();
    const FolderChoice choice = ParseFolderChoice(account.folders);
    return choice.allSubscribed ? std::string("INBOX") : choice.names.front();
}

std::string NotifyCommand(const AccountSettings& account) {
    if (!WatchesFolders(account)) return {};
    const FolderChoice choice = ParseFolderChoice(account.folders);
    constexpr const char* kEvents = "(MessageNew MessageExpunge)";
    std::string others;
    if (choice.allSubscribed) {
        others = "subscribed";
    } else {
        for (std::size_t i = 1; i < choice.names.size(); ++i)
            others += (others.empty() ? "mailboxes (" : " ") + MailboxArgument(choice.names[i]);
        if (others.empty()) return {};
        others += ")";
    }
    return std::string("NOTIFY SET (selected ") + kEvents + ") (" + others + " " + kEvents + ")";
}

bool SameConnection(const AccountSettings& a, const AccountSettings& b) {
    return a.email == b.email && a.host == b.host && a.port == b.port && a.username == b.username &&
           a.password == b.password && a.ssl == b.ssl && a.startTls == b.startTls &&
           a.protocol == b.protocol && a.Folder() == b.Folder() && a.folders == b.folders &&
           a.passwordStore == b.passwordStore && a.auth == b.auth &&
           a.oauthProvider == b.oauthProvider && a.onlineAccount == b.onlineAccount;
}
