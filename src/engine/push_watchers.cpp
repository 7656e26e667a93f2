#include "engine/push_watchers.h"

#include <QDBusConnection>
#include <QNetworkInformation>
#include <QThread>
#include <QTimer>
#include <algorithm>
#include <mutex>

#include "engine/owner_link.h"
#include "engine/worker_threads.h"
#include "net/interrupt.h"
#include "settings/settings.h"

struct PushWatchers::Link : OwnerLink<PushWatchers> {};

PushWatchers::PushWatchers(QObject* parent)
    : QObject(parent),
      watcher_([](const AccountSettings& account, const SessionOptions& options,
                  const PushReport& report) { return WatchFolder(account, options, report); }),
      link_(std::make_shared<Link>()) {
    link_->owner = this;
}

PushWatchers::~PushWatchers() {
    Stop();
    const std::lock_guard lock(link_->mutex);
    link_->owner = nullptr;
}

void PushWatchers::Follow(const std::vector<AccountEntry>& entries, const SessionOptions& options) {
    if (stopped_) return;
    options_ = options;
    const auto wanted = PushedAccounts(entries);
    for (auto it = sessions_.begin(); it != sessions_.end();) {
        const auto found = wanted.find(it->first);
        if (found != wanted.end() && SameConnection(*found->second, it->second.account)) {
            ++it;
            continue;
        }
        EndSession(it->second);
        it = sessions_.erase(it);
    }
    for (const auto& [section, account] : wanted)
        if (sessions_.count(section) == 0) StartSession(*account);
}

namespace {

std::string ServerOf(const AccountSettings& account) {
    return account.host + ":" + std::to_string(account.port);
}

}  // namespace

void PushWatchers::StartSession(const AccountSettings& account) {
    Session& session = sessions_[AccountSection(account)];
    session.account = account;
    session.silent = silentServers_.count(ServerOf(account)) > 0;
    session.heard = false;
    session.upSince.reset();
    if (session.silent) return;
    session.id = nextId_++;
    session.firstFolderOnly = false;  // the new session tells again
    session.interrupt = std::make_shared<InterruptSignal>();
    SessionOptions options = options_;
    options.interrupt = session.interrupt;
    options.statusHandler = nullptr;  // its reports belong to the timed check's window
    const std::uint64_t id = session.id;
    session.thread = QThread::create([link = link_, watcher = watcher_, account, options, id] {
        const PushEnd end =
            watcher(account, options, [&link, id](PushEvent event, const std::string&) {
                link->Post([id, event](PushWatchers& owner) { owner.OnReport(id, event); });
            });
        link->Post([id, end](PushWatchers& owner) { owner.OnEnded(id, end); });
    });
    session.thread->setObjectName(QStringLiteral("push"));
    session.thread->start();
}

// The thread finishes on its own; the program's end waits for it with the other workers.
void PushWatchers::EndSession(Session& session) {
    if (session.thread == nullptr) return;
    session.interrupt->Raise();
    if (session.thread->isFinished())
        delete session.thread;
    else
        AdoptWorkerThread(session.thread, [interrupt = session.interrupt] { interrupt->Raise(); });
    session.thread = nullptr;
    session.up = false;
}

void PushWatchers::Restart(Session& session) {
    if (stopped_ || session.noIdle || session.silent) return;
    EndSession(session);
    StartSession(AccountSettings(session.account));
}

void PushWatchers::Reconnect() {
    for (auto& [section, session] : sessions_) Restart(session);
}

void PushWatchers::Reconnect(const AccountSettings& account) {
    const auto found = sessions_.find(AccountSection(account));
    if (found != sessions_.end()) Restart(found->second);
}

void PushWatchers::ReconnectIfDown(const AccountSettings& account) {
    const auto found = sessions_.find(AccountSection(account));
    if (found != sessions_.end() && found->second.lost &&
        SameConnection(found->second.account, account))
        Restart(found->second);
}

void PushWatchers::Stop() {
    stopped_ = true;
    for (auto& [section, session] : sessions_) EndSession(session);
    sessions_.clear();
}

PushWatchers::Session* PushWatchers::Find(std::uint64_t id) {
    for (auto& [section, session] : sessions_)
        if (session.id == id && session.thread != nullptr) return &session;
    return nullptr;
}

void PushWatchers::OnReport(std::uint64_t id, PushEvent event) {
    Session* session = Find(id);
    if (session == nullptr) return;  // a session ended meanwhile
    if (event == PushEvent::FirstFolderOnly) {
        session->firstFolderOnly = true;
        return;
    }
    session->up = event != PushEvent::Lost;
    session->lost = event == PushEvent::Lost;
    if (event == PushEvent::Lost) return;
    if (event == PushEvent::Changed) {
        session->heard = true;
        ++session->changes;
    } else {
        session->upSince = std::chrono::steady_clock::now();  // a new connection
        session->heard = false;
    }
    const std::string section = AccountSection(session->account);
    const auto checked = lastChecks_.find(section);
    if (!PushEventWantsCheck(
            event,
            checked == lastChecks_.end()
                ? std::nullopt
                : std::optional<std::chrono::steady_clock::time_point>(checked->second),
            std::chrono::steady_clock::now()))
        return;
    if (std::find(wanted_.begin(), wanted_.end(), section) == wanted_.end())
        wanted_.push_back(section);
    Q_EMIT CheckWanted(session->account);
}

void PushWatchers::OnEnded(std::uint64_t id, PushEnd end) {
    Session* session = Find(id);
    if (session == nullptr) return;
    session->up = false;
    session->noIdle = end == PushEnd::NoIdle;  // kept, so that Follow does not start it again
    // It has reported its end: a moment at most.
    if (session->thread->wait(QDeadlineTimer(100)))
        delete session->thread;
    else
        AdoptWorkerThread(session->thread, {});
    session->thread = nullptr;
}

bool PushWatchers::IsUp(const AccountSettings& account) const {
    const auto found = sessions_.find(AccountSection(account));
    return found != sessions_.end() && found->second.up;
}

bool PushWatchers::Covers(const AccountSettings& account) const {
    const auto checked = lastChecks_.find(AccountSection(account));
    const auto found = sessions_.find(AccountSection(account));
    if (found == sessions_.end() || found->second.firstFolderOnly) return false;
    return PushCoversAccount(
        IsUp(account),
        checked == lastChecks_.end()
            ? std::nullopt
            : std::optional<std::chrono::steady_clock::time_point>(checked->second),
        std::chrono::steady_clock::now(), found->second.heard);
}

bool PushWatchers::Silent(const AccountSettings& account) const {
    const auto found = sessions_.find(AccountSection(account));
    return found != sessions_.end() && found->second.silent;
}

void PushWatchers::SuspectSilence(
    Session& session, std::optional<std::chrono::steady_clock::time_point> checkBefore) {
    // Only a session that was listening all the time since the check before could have told.
    if (!session.up || session.firstFolderOnly || !session.upSince || !checkBefore ||
        *session.upSince > *checkBefore)
        return;
    QTimer::singleShot(silenceGrace, this, [this, id = session.id, changes = session.changes] {
        const Session* now = Find(id);
        if (now != nullptr && now->up && now->changes == changes) FoundSilent(id);
    });
}

void PushWatchers::FoundSilent(std::uint64_t id) {
    Session* found = Find(id);
    if (found == nullptr) return;
    const std::string server = ServerOf(found->account);
    silentServers_.insert(server);
    for (auto& [section, session] : sessions_) {
        if (ServerOf(session.account) != server || session.silent) continue;
        EndSession(session);
        session.silent = true;
        Q_EMIT PushSilent(session.account);
    }
}

std::optional<AccountSettings> PushWatchers::NextWanted() {
    while (!wanted_.empty()) {
        const std::string section = wanted_.front();
        wanted_.pop_front();
        const auto found = sessions_.find(section);
        if (found == sessions_.end()) continue;  // the account went meanwhile
        underWay_ = section;
        return found->second.account;
    }
    return std::nullopt;
}

bool PushWatchers::CheckDone(const AccountSettings& account, bool changed) {
    const std::string section = AccountSection(account);
    const auto before = lastChecks_.find(section);
    const auto checkBefore =
        before == lastChecks_.end()
            ? std::nullopt
            : std::optional<std::chrono::steady_clock::time_point>(before->second);
    lastChecks_[section] = std::chrono::steady_clock::now();
    const auto found = sessions_.find(section);
    if (section != underWay_) {
        if (changed && found != sessions_.end()) SuspectSilence(found->second, checkBefore);
        return false;
    }
    underWay_.clear();
    return true;
}

int PushWatchers::Running() const {
    int running = 0;
    for (const auto& [section, session] : sessions_) running += session.thread != nullptr ? 1 : 0;
    return running;
}

void PushWatchers::FollowSystemEvents() {
    QDBusConnection::systemBus().connect(
        QStringLiteral("org.freedesktop.login1"), QStringLiteral("/org/freedesktop/login1"),
        QStringLiteral("org.freedesktop.login1.Manager"), QStringLiteral("PrepareForSleep"), this,
        SLOT(onPrepareForSleep(bool)));
    if (!QNetworkInformation::loadBackendByFeatures(QNetworkInformation::Feature::Reachability))
        return;
    connect(QNetworkInformation::instance(), &QNetworkInformation::reachabilityChanged, this,
            [this](QNetworkInformation::Reachability reachability) {
                const bool online = reachability == QNetworkInformation::Reachability::Online;
                if (online && offline_) Reconnect();
                offline_ = !online;
            });
}

void PushWatchers::onPrepareForSleep(bool sleeping) {
    if (!sleeping) Reconnect();
}
