#include "engine/mail_monitor.h"

#include <QTimer>
#include <algorithm>
#include <climits>

#include "check/certificate_trust.h"
#include "check/check_schedule.h"
#include "engine/owner_link.h"
#include "engine/push_watchers.h"
#include "list/new_mail.h"
#include "settings/counted_text.h"
#include "settings/run_state_keys.h"
#include "settings/settings.h"
#include "state/app_state.h"

namespace {

// The account's place in the list now: where the check found it, else where it went meanwhile;
// -1 when it is gone.
std::int32_t PlaceOf(const std::vector<AccountEntry>& accounts, const AccountSettings& account,
                     std::int32_t index) {
    const std::string section = AccountSection(account);
    const auto same = [&](const AccountEntry& entry) {
        return entry.params.email == account.email && AccountSection(entry.params) == section;
    };
    if (index >= 0 && static_cast<std::size_t>(index) < accounts.size() &&
        same(accounts[static_cast<std::size_t>(index)]))
        return index;
    const auto found = std::find_if(accounts.begin(), accounts.end(), same);
    return found == accounts.end() ? -1 : static_cast<std::int32_t>(found - accounts.begin());
}

}  // namespace

void NewMailTally::Add(const AccountSettings& account, int count, const NamedNewMail& named,
                       const std::vector<FolderArrival>& folders) {
    if (count <= 0) return;
    for (const FolderArrival& folder : folders) AddFolderArrival(arrivedIn[account.email], folder);
    int& sum = arrived[account.email];
    sum = count > INT_MAX - sum ? INT_MAX : sum + count;
    total = count > INT_MAX - total ? INT_MAX : total + count;
    std::vector<NewestMessage> messages;
    for (std::size_t i = 0; i < named.lines.size(); ++i) {
        const bool known = i < named.ids.size();
        const std::string folder = i < named.folders.size() ? named.folders[i] : std::string();
        messages.push_back({named.lines[i], account.email, folder,
                            known ? named.ids[i] : MessageId(),
                            known && account.protocol == MailProtocol::Imap});
    }
    newest.insert(newest.begin(), messages.begin(), messages.end());
    if (newest.size() > kNewMailLines) newest.resize(kNewMailLines);
}

std::vector<std::string> NewMailNotificationLines(const NewMailTally& tally,
                                                  const std::vector<AccountEntry>& accounts) {
    std::vector<std::string> lines;
    for (const AccountEntry& item : accounts) {
        const auto found = tally.arrived.find(item.params.email);
        if (found == tally.arrived.end()) continue;
        const auto count = static_cast<unsigned long long>(found->second);
        lines.push_back(item.params.email + ": " + std::to_string(count) + " " +
                        CountedText("notification_new", count));
        const auto folders = tally.arrivedIn.find(item.params.email);
        if (folders == tally.arrivedIn.end()) continue;
        for (std::string& line : FolderArrivalLines(folders->second))
            lines.push_back(std::move(line));
    }
    for (const NewestMessage& message : tally.newest) lines.push_back(message.line);
    return lines;
}

MailMonitor::MailMonitor(AppState& state, QObject* parent)
    : QObject(parent),
      state_(state),
      scheduler_(new CheckScheduler(this)),
      push_(new PushWatchers(this)),
      checkTimer_(new QTimer(this)) {
    checkTimer_->setObjectName(QStringLiteral("checkTimer"));
    connect(checkTimer_, &QTimer::timeout, this, &MailMonitor::OnCheckTimer);
    connect(scheduler_, &CheckScheduler::Finished, this, &MailMonitor::OnCheckFinished);
    connect(push_, &PushWatchers::CheckWanted, this, [this] { StartWantedCheck(); });
    connect(push_, &PushWatchers::PushSilent, this,
            [this](const AccountSettings& account) { state_.SetPushUnused(account.email); });
}

MailMonitor::~MailMonitor() = default;

void MailMonitor::SetAccountChecker(AccountChecker checker) {
    scheduler_->SetRunner([checker = std::move(checker)](const AccountSettings& account,
                                                         const SessionOptions&, bool,
                                                         CheckNotifier&, int) {
        return CheckResult{checker(account), false, std::nullopt, {}, {}};
    });
}

void MailMonitor::StartPush() {
    const auto follow = [this] { push_->Follow(state_.Accounts(), state_.SessionOptionsNow()); };
    connect(&state_, &AppState::accountsChanged, push_, follow);
    follow();
    push_->FollowSystemEvents();
}

bool MailMonitor::MayCheck(const AccountSettings& account) const {
    return !gate_ || gate_(account);
}

void MailMonitor::SetPaused(bool paused) {
    paused_ = paused;
    if (paused) {
        if (checkTimer_->isActive()) SetTimer(*checkTimer_, 0, false);
    } else if (!checkTimer_->isActive() && !scheduler_->Busy()) {
        // While a check runs the timer waits for its end.
        SetTimer(*checkTimer_, kFirstCheckMs, true);
    }
}

// The timer stays off while a check runs; the next tick comes that long after its end.
void MailMonitor::OnCheckTimer() {
    checkTimer_->stop();
    if (!CheckNextAccount()) RearmCheckTimer();
}

void MailMonitor::RearmCheckTimer() {
    SetTimer(*checkTimer_, CheckIntervalMs(state_.Accounts().size()), true);
}

CheckRequest MailMonitor::RequestFor(std::int32_t index, const AccountSettings& account) const {
    CheckRequest request;
    request.index = index;
    request.account = account;
    request.alertDue = state_.PlayWave();
    request.options = state_.SessionOptionsNow();
    if (readers_) request.readNewMail = readers_(account);
    return request;
}

bool MailMonitor::CheckNextAccount() {
    if (paused_ || state_.Accounts().empty() || scheduler_->Busy()) return false;
    if (StartRequestedCheck() || StartWantedCheck()) return true;
    const std::int32_t index = AccountToCheck(checkIndex_, state_.Accounts().size());
    const AccountEntry& entry = state_.Accounts()[static_cast<std::size_t>(index)];
    checkIndex_ = index + 1;
    // An account whose push session is up is checked when it tells of news, and now and then.
    if (entry.enabled && !push_->Covers(entry.params) && MayCheck(entry.params)) {
        if (StartCheck(index, entry.params)) return true;
    }
    // A panel shows what the settings file holds of it, also when it was not checked.
    Q_EMIT accountChecked(index, entry.params);
    return false;
}

// Pushed news is checked on the same terms as the timer's accounts, as soon as they allow.
bool MailMonitor::StartWantedCheck() {
    if (paused_ || scheduler_->Busy()) return false;
    while (const auto account = push_->NextWanted()) {
        const std::int32_t index = PlaceOf(state_.Accounts(), *account, -1);
        if (index < 0) continue;
        if (!MayCheck(*account)) {
            push_->CheckDone(*account, false);
            continue;
        }
        return StartCheck(index, *account);
    }
    return false;
}

void MailMonitor::CheckAllNow() {
    const auto now = std::chrono::steady_clock::now();
    for (const AccountEntry& item : state_.Accounts()) {
        if (!item.enabled) continue;
        const std::string section = AccountSection(item.params);
        const auto last = results_.find(section);
        if (last != results_.end() && now - last->second.when < kRecheckPause) continue;
        if (section == underWay_ ||
            std::find(requested_.begin(), requested_.end(), section) != requested_.end())
            continue;
        requested_.push_back(section);
    }
    StartRequestedCheck();
}

// The accounts asked for by CheckAllNow go first, whether the timer runs or not; one under way
// or just checked is not checked again (the request joins it).
bool MailMonitor::StartRequestedCheck() {
    while (!requested_.empty() && !scheduler_->Busy()) {
        const std::string section = requested_.front();
        requested_.erase(requested_.begin());
        const auto found = std::find_if(
            state_.Accounts().begin(), state_.Accounts().end(),
            [&](const AccountEntry& e) { return AccountSection(e.params) == section; });
        if (found == state_.Accounts().end() || !found->enabled || !MayCheck(found->params))
            continue;
        const auto index = static_cast<std::int32_t>(found - state_.Accounts().begin());
        if (StartCheck(index, found->params)) return true;
        requested_.clear();  // the program is ending
    }
    return false;
}

bool MailMonitor::StartCheck(std::int32_t index, const AccountSettings& account) {
    if (!scheduler_->Start(RequestFor(index, account))) return false;
    underWay_ = AccountSection(account);
    return true;
}

void MailMonitor::OnCheckFinished(const CheckOutcome& outcome) {
    underWay_.clear();
    const bool pushed = push_->CheckDone(outcome.account, outcome.result.change != 0);
    if (outcome.cancelled) return;
    if (!paused_) RearmCheckTimer();
    const std::int32_t index = PlaceOf(state_.Accounts(), outcome.account, outcome.index);
    const int change = outcome.result.change;
    if (change != 0 && index >= 0) state_.SetLastChange(static_cast<std::size_t>(index), change);
    if (outcome.result.becomesPending) state_.SetPendingAccount(outcome.account.email);
    const std::string section = AccountSection(outcome.account);
    const auto settings = OpenSettings();
    LastCheck& last = results_[section];
    last.when = std::chrono::steady_clock::now();
    last.change = change;
    last.succeeded =
        outcome.error.empty() && settings->ReadBool(section, run_state::kLastResult, true);
    last.error = !outcome.error.empty()
                     ? outcome.error
                     : (last.succeeded ? std::string()
                                       : settings->ReadString(section, run_state::kLastError, ""));
    if (!pushed) checkIndex_ = outcome.index + 1;
    // A push session waiting out its back-off after a failure tries again at once when a
    // check of the same server has just succeeded.
    if (last.succeeded && outcome.account.protocol == MailProtocol::Imap)
        push_->ReconnectIfDown(outcome.account);
    if (index >= 0) Q_EMIT accountChecked(index, outcome.account);
    // The news that came during this check, and the checks asked for, wait no longer than its end.
    QTimer::singleShot(0, this, [this] {
        if (!StartRequestedCheck()) StartWantedCheck();
    });
    if (!outcome.error.empty()) {
        Q_EMIT checkError(outcome.error);
        return;
    }
    Record(outcome.account, settings->ReadInteger(section, run_state::kCount, 0), change,
           ArrivedMessages(outcome.result), outcome.newMail,
           FolderArrivals(outcome.result.folders));
    if (auto request = TrustRequestFor(outcome.account, outcome.result.certificateFailure))
        state_.SetTrustQuestion(std::move(*request));
}

void MailMonitor::RecordCheck(const AccountSettings& account, int change, int arrived,
                              const NamedNewMail& newMail,
                              const std::vector<FolderArrival>& folders) {
    if (change == 0 && arrived <= 0) return;
    Record(account, OpenSettings()->ReadInteger(AccountSection(account), run_state::kCount, 0),
           change, arrived, newMail, folders);
}

void MailMonitor::Record(const AccountSettings& account, int count, int change, int arrived,
                         const NamedNewMail& newMail, const std::vector<FolderArrival>& folders) {
    if (change == 0 && arrived <= 0) return;
    Q_EMIT mailChanged(account, count, change, arrived);
    if (arrived <= 0) return;
    tally_.Add(account, arrived, newMail, folders);
    Q_EMIT newMailChanged(tally_.total);
}

void MailMonitor::Acknowledge() {
    const bool had = tally_.total != 0 || !tally_.newest.empty();
    tally_ = {};
    if (had) Q_EMIT newMailChanged(0);
}

std::optional<LastCheck> MailMonitor::LastCheckOf(const AccountSettings& account) const {
    const auto found = results_.find(AccountSection(account));
    if (found == results_.end()) return std::nullopt;
    return found->second;
}

bool MailMonitor::StopChecks(std::chrono::milliseconds wait) {
    checkTimer_->stop();
    requested_.clear();
    push_->Stop();  // its threads end with the other workers
    return scheduler_->Stop(wait);
}
