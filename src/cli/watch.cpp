#include "cli/watch.h"

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

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
#include "net/anti_freeze.h"
#include "net/tls_layer.h"
#include "settings/settings.h"

namespace {

int stopPipe[2] = {-1, -1};

extern "C" void OnStopSignal(int) {
    const int saved = errno;
    [[maybe_unused]] const ssize_t written = ::write(stopPipe[1], "x", 1);
    errno = saved;
}

// Thrown out of a check that a stop signal interrupts; not a TarnwickError, so no session
// records it as the account's error.
struct WatchStopped {};

// SIGTERM and SIGINT, while it lives, wake its waits instead of ending the process.
class StopSignals {
public:
    StopSignals() {
        if (::pipe2(stopPipe, O_CLOEXEC | O_NONBLOCK) != 0) stopPipe[0] = stopPipe[1] = -1;
        struct sigaction action {};
        action.sa_handler = OnStopSignal;
        sigemptyset(&action.sa_mask);
        ::sigaction(SIGTERM, &action, &oldTerm_);
        ::sigaction(SIGINT, &action, &oldInt_);
    }
    ~StopSignals() {
        ::sigaction(SIGTERM, &oldTerm_, nullptr);
        ::sigaction(SIGINT, &oldInt_, nullptr);
        for (int& fd : stopPipe) {
            if (fd >= 0) ::close(fd);
            fd = -1;
        }
    }
    StopSignals(const StopSignals&) = delete;
    StopSignals& operator=(const StopSignals&) = delete;

    // Waits at most `wait`; true when a stop signal came (before or during the wait).
    bool Sleep(std::chrono::milliseconds wait) const {
        const auto end = std::chrono::steady_clock::now() + wait;
        for (;;) {
            if (Requested()) return true;
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                end - std::chrono::steady_clock::now());
            if (left.count() <= 0) return false;
            pollfd request{stopPipe[0], POLLIN, 0};
            ::poll(&request, 1, static_cast<int>(std::min<long long>(left.count(), 60000)));
        }
    }
    bool Requested() const {
        pollfd request{stopPipe[0], POLLIN, 0};
        return ::poll(&request, 1, 0) > 0;
    }

private:
    struct sigaction oldTerm_ {};
    struct sigaction oldInt_ {};
};

class Watch {
public:
    Watch(const WatchOptions& options, std::ostream& out) : options_(options), out_(out) {
        // The check's network waits look at the stop signal between their slices.
        pump_.Install([this] {
            if (stopThrown_ || !stop_.Requested()) return;
            stopThrown_ = true;  // once: ending the session afterwards must not throw again
            throw WatchStopped{};
        });
        pump_.SetActive(true);
        session_.tlsAvailable = SetUpTls();
        session_.pump = &pump_;
    }

    int Run() {
        try {
            LoadSettings(settings_);
            for (AccountEntry& item : settings_.accounts)
                if (item.enabled) Check(item);
            if (!PrintSummary(true)) return kExitFailed;
            for (std::size_t tick = 0; !stop_.Sleep(Interval()); ++tick) {
                LoadSettings(settings_);
                std::vector<AccountEntry*> enabled;
                for (AccountEntry& item : settings_.accounts)
                    if (item.enabled) enabled.push_back(&item);
                if (!enabled.empty()) Check(*enabled[tick % enabled.size()]);
                if (!PrintSummary(false)) return kExitFailed;
            }
        } catch (const WatchStopped&) {
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

    void Check(AccountEntry& item) {
        const auto known = latest_.find(item.params.email);
        if (known != latest_.end()) item.lastChange = known->second.lastChange;
        AccountReport report = CheckReport(item, session_, false, notifier_);
        const bool changed = known == latest_.end() || known->second.count != report.count ||
                             known->second.ok != report.ok || known->second.error != report.error;
        if (changed && options_.format == OutputFormat::Json) out_ << JsonLine(report) << std::endl;
        latest_[item.params.email] = std::move(report);
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
    T_AntiFreeze pump_;
    bool stopThrown_ = false;
    SessionOptions session_;
    NoCheckNotifier notifier_;
    SettingsValues settings_;
    std::map<std::string, AccountReport> latest_;  // by e-mail address
    std::string printed_;
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
