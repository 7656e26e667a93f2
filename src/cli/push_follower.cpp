#include "cli/push_follower.h"

#include <sys/eventfd.h>
#include <unistd.h>

#include <algorithm>

#include "check/push_watch.h"
#include "net/interrupt.h"
#include "settings/settings.h"

struct PushFollower::Session {
    AccountSettings account;
    std::shared_ptr<InterruptSignal> interrupt = std::make_shared<InterruptSignal>();
    std::thread thread;
    bool up = false;               // under the follower's mutex
    bool firstFolderOnly = false;  // likewise: the timed check still counts the other folders
};

PushFollower::PushFollower() : wakeFd_(::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC)) {}

PushFollower::~PushFollower() {
    for (auto& [section, session] : sessions_) session->interrupt->Raise();
    for (auto& [section, session] : sessions_) End(*session);
    if (wakeFd_ >= 0) ::close(wakeFd_);
}

void PushFollower::End(Session& session) {
    session.interrupt->Raise();
    if (session.thread.joinable()) session.thread.join();
}

void PushFollower::Follow(const std::vector<AccountEntry>& accounts,
                          const SessionOptions& options) {
    const auto wanted = PushedAccounts(accounts);
    for (auto it = sessions_.begin(); it != sessions_.end();) {
        const auto found = wanted.find(it->first);
        if (found != wanted.end() && SameConnection(*found->second, it->second->account)) {
            ++it;
            continue;
        }
        End(*it->second);
        it = sessions_.erase(it);
    }
    for (const auto& [section, account] : wanted) {
        if (sessions_.count(section) != 0) continue;
        auto session = std::make_unique<Session>();
        session->account = *account;
        SessionOptions own = options;
        own.interrupt = session->interrupt;
        Session* raw = session.get();
        session->thread = std::thread([this, raw, own] {
            WatchFolder(raw->account, own, [this, raw](PushEvent event, const std::string&) {
                const std::lock_guard lock(mutex_);
                if (event == PushEvent::FirstFolderOnly) {
                    raw->firstFolderOnly = true;
                    return;
                }
                raw->up = event != PushEvent::Lost;
                const auto checked = lastChecks_.find(AccountSection(raw->account));
                if (!PushEventWantsCheck(event,
                                         checked == lastChecks_.end()
                                             ? std::nullopt
                                             : std::optional(checked->second),
                                         std::chrono::steady_clock::now()))
                    return;
                wanted_.push_back(raw->account.email);
                const std::uint64_t one = 1;
                if (wakeFd_ >= 0) (void)!::write(wakeFd_, &one, sizeof one);
            });
            const std::lock_guard lock(mutex_);
            raw->up = false;  // ended: no IDLE on the server, or interrupted
        });
        sessions_.emplace(section, std::move(session));
    }
}

std::vector<std::string> PushFollower::TakeWanted() {
    std::uint64_t count = 0;
    if (wakeFd_ >= 0) (void)!::read(wakeFd_, &count, sizeof count);
    const std::lock_guard lock(mutex_);
    std::vector<std::string> taken;
    for (std::string& email : wanted_)
        if (std::find(taken.begin(), taken.end(), email) == taken.end())
            taken.push_back(std::move(email));
    wanted_.clear();
    return taken;
}

void PushFollower::NoteChecked(const AccountSettings& account) {
    const std::lock_guard lock(mutex_);  // the sessions' reports read it
    lastChecks_[AccountSection(account)] = std::chrono::steady_clock::now();
}

bool PushFollower::Covers(const AccountSettings& account) {
    const std::string section = AccountSection(account);
    const auto session = sessions_.find(section);
    if (session == sessions_.end()) return false;
    const auto checked = lastChecks_.find(section);
    const std::lock_guard lock(mutex_);
    return PushCoversAccount(
        session->second->up && !session->second->firstFolderOnly,
        checked == lastChecks_.end() ? std::nullopt : std::optional(checked->second),
        std::chrono::steady_clock::now());
}
