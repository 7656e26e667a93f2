// The main window's idle handling, the auto-continue pause, the timed checks and the
// unhandled-error handler.
#include <QApplication>
#include <QLabel>
#include <QTimer>
#include <algorithm>
#include <ctime>

#include "app/advert_panel.h"
#include "app/application.h"
#include "app/desktop_events.h"
#include "app/main_window.h"
#include "app/tray_services.h"
#include "check/check_schedule.h"
#include "check/ui/check_scheduler.h"
#include "check/ui/push_watchers.h"
#include "check/ui/tray_icon.h"
#include "platform/message_box.h"
#include "platform/pop_command.h"
#include "platform/program_state.h"
#include "platform/ui_text.h"
#include "settings/language.h"
#include "settings/settings.h"
#include "settings/text_utils.h"

namespace {

// Gives the timer an interval and a state; a timer that already has both keeps its countdown.
void SetTimer(QTimer& timer, int interval, bool enabled) {
    if (timer.interval() == interval && timer.isActive() == enabled) return;
    timer.stop();
    timer.setInterval(interval);
    if (enabled) timer.start();
}

bool EditingWindowOpen() {
    return SetupWindowHandle || ListWindowHandle || FilterWindowHandle;
}

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

void MainWindow::OnIdle() {
    // A message box waiting for an answer runs its own loop, which is no idle time.
    if (QApplication::activeModalWidget() != nullptr) return;
    if (IsShownToUser()) {
        advert_->StartAnimation();
        services_.Tray().SetActive(false);
        if (checkTimer_->isActive()) SetTimer(*checkTimer_, 0, false);
        ArmAutoContinue();
    } else {
        advert_->StopAnimation();
        services_.Tray().SetActive(true);
        // While a check runs the timer waits for its end.
        if (!checkTimer_->isActive() && !scheduler_->Busy())
            SetTimer(*checkTimer_, kFirstCheckMs, true);
    }
    // A question put off by another one is asked from the event loop, not from this handler.
    if (state_.pendingTrustQuestion) QTimer::singleShot(0, this, [this] { AskTrustQuestion(); });
}

bool MainWindow::AskTrustQuestion() {
    if (!state_.pendingTrustQuestion || QApplication::activeModalWidget() != nullptr) return false;
    const TrustRequest request = std::move(*state_.pendingTrustQuestion);
    state_.pendingTrustQuestion.reset();
    // The settings may have changed since the check (the same certificate asked already).
    const TrustQuestion kind = TrustQuestionFor(request.account, request.problem);
    if (kind == TrustQuestion::None) return false;
    const bool trusted = AskYesNo(IsShownToUser() ? this : nullptr,
                                  ToQt(GetLangText("certificate_untrusted_dialog_title")),
                                  ToQt(TrustQuestionText(request.account, request.problem, kind)));
    AnswerTrustQuestion(request, trusted);
    if (trusted) {
        // The account's push session may be waiting minutes before it tries the server again.
        push_->Reconnect(request.account);
        state_.NotifyCertificateTrusted(request.account.email);
    }
    return true;
}

void MainWindow::ArmAutoContinue() {
    if (state_.accounts.empty() || EditingWindowOpen()) return;
    SetTimer(*continueTimer_, state_.startedWithParameters ? kQuickContinueMs : kContinueMs, true);
    continueVeto_ = false;
}

void MainWindow::onContinueTimer() {
    SetTimer(*continueTimer_, 0, false);
    if (!continueVeto_) actContinue->trigger();
}

void MainWindow::SetAccountChecker(AccountChecker checker) {
    scheduler_->SetRunner([checker = std::move(checker)](const AccountSettings& account,
                                                         const SessionOptions&, bool,
                                                         CheckNotifier&, int) {
        return CheckResult{checker(account), false, std::nullopt, {}};
    });
}

// The timer stays off while a check runs; the next tick comes that long after its end.
void MainWindow::onCheckTimer() {
    checkTimer_->stop();
    if (!CheckNextAccount()) RearmCheckTimer();
}

void MainWindow::RearmCheckTimer() {
    SetTimer(*checkTimer_, CheckIntervalMs(state_.accounts.size()), true);
}

CheckRequest MainWindow::RequestFor(std::int32_t index, const AccountSettings& account) {
    CheckRequest request;
    request.index = index;
    request.account = account;
    request.alertDue = state_.playWave;
    request.options = state_.SessionOptionsNow();
    request.readNewMail = services_.Desktop().NewMailReaderFor(account);
    return request;
}

bool MainWindow::CheckNextAccount() {
    if (IsShownToUser() || EditingWindowOpen() || state_.accounts.empty() || scheduler_->Busy())
        return false;
    if (StartWantedCheck()) return true;
    const std::int32_t index = AccountToCheck(checkIndex, state_.accounts.size());
    const AccountEntry& entry = state_.accounts[static_cast<std::size_t>(index)];
    // An account whose push session is up is checked when it tells of news, and now and then.
    if (entry.enabled && !push_->Covers(entry.params)) {
        if (scheduler_->Start(RequestFor(index, entry.params))) return true;
    }
    PostPopCommand(ResultsWindowHandle, PopCommand::ResultsRefresh, index);
    checkIndex = index + 1;
    return false;
}

void MainWindow::StartPush() {
    const auto follow = [this] { push_->Follow(state_.accounts, state_.SessionOptionsNow()); };
    push_ = new PushWatchers(this);
    connect(push_, &PushWatchers::CheckWanted, this, [this] { StartWantedCheck(); });
    connect(&state_, &AppState::accountsChanged, push_, follow);
    follow();
    push_->FollowSystemEvents();
}

// Pushed news is checked on the same terms as the timer's accounts, as soon as they allow.
bool MainWindow::StartWantedCheck() {
    if (IsShownToUser() || EditingWindowOpen() || scheduler_->Busy()) return false;
    while (const auto account = push_->NextWanted()) {
        const std::int32_t index = PlaceOf(state_.accounts, *account, -1);
        if (index < 0) continue;
        return scheduler_->Start(RequestFor(index, *account));
    }
    return false;
}

void MainWindow::onCheckFinished(const CheckOutcome& outcome) {
    const bool pushed = push_->CheckDone(outcome.account);
    if (outcome.cancelled) return;
    RearmCheckTimer();
    const std::int32_t index = PlaceOf(state_.accounts, outcome.account, outcome.index);
    const int change = outcome.result.change;
    if (change != 0 && index >= 0)
        state_.accounts[static_cast<std::size_t>(index)].lastChange = change;
    if (outcome.result.becomesPending) state_.pendingAccount = outcome.account.email;
    PostPopCommand(ResultsWindowHandle, PopCommand::ResultsRefresh, outcome.index);
    if (!pushed) checkIndex = outcome.index + 1;
    // The news that came during this check waits no longer than its end.
    QTimer::singleShot(0, this, [this] { StartWantedCheck(); });
    if (!outcome.error.empty()) {
        ReportUnhandledError(outcome.error);
        return;
    }
    if (auto request = TrustRequestFor(outcome.account, outcome.result.certificateFailure)) {
        state_.pendingTrustQuestion = std::move(request);
        AskTrustQuestion();
    }
}

bool MainWindow::StopChecks(std::chrono::milliseconds wait) {
    checkTimer_->stop();
    push_->Stop();  // its threads end with the other workers
    return scheduler_->Stop(wait);
}

void MainWindow::ShowUnhandledError(const std::string& message) {
    if (ListWindowHandle) {
        PostPopCommand(ListWindowHandle, PopCommand::ListShowError, ToQt(message));
    } else if (IsShownToUser()) {
        ShowMessageBox(this, ToQt(GetLangText("Error")), ToQt(message), QMessageBox::Critical);
    } else {
        services_.Tray().SetHint(message);
    }
    picture_->setToolTip(LiteralToolTip(
        ToQt(DateTimeText(std::time(nullptr)) + ": " + GetLangText("Error") + " - " + message)));
}
