#include "cli/watch.h"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <limits>
#include <map>
#include <ostream>

#include "check/check_cycle.h"
#include "check/check_schedule.h"
#include "cli/account_report.h"
#include "cli/push_follower.h"
#include "net/interrupt.h"
#include "net/tls_layer.h"
#include "settings/settings.h"

namespace {

InterruptSignal* stopSignal = nullptr;  // the watch's, while it runs

extern "C" void OnStopSignal(int) {
    const int saved = errno;
    if (stopSignal != nullptr) stopSignal->Raise();  // an atomic and a write: safe here
    errno = saved;
}

// SIGTERM and SIGINT, while it lives, raise the interrupt of the watch's sessions instead of
// ending the process: a wait between checks or a check under way ends at once.
class StopSignals {
public:
    StopSignals() : interrupt_(std::make_shared<InterruptSignal>()) {
        stopSignal = interrupt_.get();
        struct sigaction action {};
        action.sa_handler = OnStopSignal;
        sigemptyset(&action.sa_mask);
        ::sigaction(SIGTERM, &action, &oldTerm_);
        ::sigaction(SIGINT, &action, &oldInt_);
    }
    ~StopSignals() {
        ::sigaction(SIGTERM, &oldTerm_, nullptr);
        ::sigaction(SIGINT, &oldInt_, nullptr);
        stopSignal = nullptr;
    }
    StopSignals(const StopSignals&) = delete;
    StopSignals& operator=(const StopSignals&) = delete;

    const std::shared_ptr<InterruptSignal>& Interrupt() const { return interrupt_; }
    bool Requested() const { return interrupt_->Raised(); }

private:
    std::shared_ptr<InterruptSignal> interrupt_;
    struct sigaction oldTerm_ {};
    struct sigaction oldInt_ {};
};

class Watch {
public:
    Watch(const WatchOptions& options, std::ostream& out) : options_(options), out_(out) {
        session_.tlsAvailable = SetUpTls();
        session_.interrupt = stop_.Interrupt();  // a stop signal ends the check under way
    }

    int Run() {
        LoadSettings(settings_);
        push_.Follow(settings_.accounts, session_);
        for (AccountEntry& item : settings_.accounts)
            if (item.enabled && !Check(item)) return kExitOk;
        if (!PrintSummary(true)) return kExitFailed;
        auto nextTick = std::chrono::steady_clock::now() + Interval();
        for (std::size_t tick = 0;;) {
            // Until the tick, a stop signal or news from a push session.
            const InterruptSignal::Wake wake =
                stop_.Interrupt()->WaitUntil(nextTick, push_.WakeFd());
            if (wake == InterruptSignal::Wake::Raised) break;
            LoadSettings(settings_);
            push_.Follow(settings_.accounts, session_);
            if (wake == InterruptSignal::Wake::Readable) {
                if (!CheckWanted()) return kExitOk;
            } else {
                nextTick = std::chrono::steady_clock::now() + Interval();
                std::vector<AccountEntry*> enabled;
                for (AccountEntry& item : settings_.accounts)
                    if (item.enabled) enabled.push_back(&item);
                // An account whose push session is up is checked on its news, and now and then.
                AccountEntry* due = enabled.empty() ? nullptr : enabled[tick++ % enabled.size()];
                if (due != nullptr && !push_.Covers(due->params) && !Check(*due)) return kExitOk;
            }
            if (!PrintSummary(false)) return kExitFailed;
        }
        return out_ ? kExitOk : kExitFailed;
    }

private:
    std::chrono::milliseconds Interval() const {
        if (options_.interval.count() > 0) return options_.interval;
        const auto enabled = std::count_if(settings_.accounts.begin(), settings_.accounts.end(),
                                           [](const AccountEntry& item) { return item.enabled; });
        return std::chrono::milliseconds(CheckIntervalMs(static_cast<std::size_t>(enabled)));
    }

    // Checks the account and prints its line when it changed; false when a stop signal ended
    // the check (nothing found, nothing printed).
    bool Check(AccountEntry& item) {
        const auto known = latest_.find(item.params.email);
        if (known != latest_.end()) item.lastChange = known->second.lastChange;
        AccountReport report = CheckReport(item, session_, false, notifier_);
        if (stop_.Requested()) return false;
        const bool changed = known == latest_.end() || known->second.count != report.count ||
                             known->second.ok != report.ok || known->second.error != report.error;
        if (changed && options_.format == OutputFormat::Json) out_ << JsonLine(report) << std::endl;
        latest_[item.params.email] = std::move(report);
        push_.NoteChecked(item.params);
        return true;
    }

    // The accounts whose push sessions told of news; false when a stop signal ended a check.
    bool CheckWanted() {
        for (const std::string& email : push_.TakeWanted())
            for (AccountEntry& item : settings_.accounts)
                if (item.enabled && item.params.email == email && !Check(item)) return false;
        return true;
    }

    // The status bar summary when it differs from the last one printed (or `always`).
    bool PrintSummary(bool always) {
        if (options_.format != OutputFormat::Waybar) return static_cast<bool>(out_);
        std::vector<AccountReport> reports;
        for (const AccountEntry& item : settings_.accounts) {
            const auto known = latest_.find(item.params.email);
            if (item.enabled && known != latest_.end()) reports.push_back(known->second);
        }
        std::string line = WaybarLine(reports);
        if (always || line != printed_) out_ << line << std::endl;
        printed_ = std::move(line);
        return static_cast<bool>(out_);
    }

    const WatchOptions& options_;
    std::ostream& out_;
    StopSignals stop_;
    SessionOptions session_;
    NoCheckNotifier notifier_;
    SettingsValues settings_;
    std::map<std::string, AccountReport> latest_;  // by e-mail address
    std::string printed_;
    PushFollower push_;
};

}  // namespace

std::chrono::milliseconds WatchIntervalFromEnvironment() {
    const char* text = std::getenv("TARNWICK_WATCH_INTERVAL_MS");
    if (text == nullptr) return std::chrono::milliseconds(0);
    char* end = nullptr;
    const long value = std::strtol(text, &end, 10);
    if (end == text || *end != '\0' || value <= 0) return std::chrono::milliseconds(0);
    return std::chrono::milliseconds(std::min<long>(value, std::numeric_limits<int>::max()));
}

int WatchAccounts(const WatchOptions& options, std::ostream& out) {
    Watch watch(options, out);
    return watch.Run();
}
