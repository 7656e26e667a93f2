// The main window's idle handling, the auto-continue pause, the timed checks and the
// unhandled-error handler.
#include <QApplication>
#include <QLabel>
#include <QTimer>
#include <ctime>

#include "app/advert_panel.h"
#include "app/main_window.h"
#include "app/tray_services.h"
#include "check/check_schedule.h"
#include "check/ui/tray_icon.h"
#include "platform/message_box.h"
#include "platform/pop_command.h"
#include "platform/program_state.h"
#include "platform/ui_text.h"
#include "settings/language.h"
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

// Restores `flag` when the scope ends, however it ends.
class FlagScope {
public:
    explicit FlagScope(bool& flag) : flag_(flag) { flag_ = true; }
    ~FlagScope() { flag_ = false; }
    FlagScope(const FlagScope&) = delete;
    FlagScope& operator=(const FlagScope&) = delete;

private:
    bool& flag_;
};

}  // namespace

void MainWindow::appIdle() {
    // A message box waiting for an answer runs its own loop, which is no idle time.
    if (inIdle || QApplication::activeModalWidget() != nullptr) return;
    FlagScope idle(inIdle);
    if (IsShownToUser()) {
        ap->StartAnimation();
        dm.Tray().SetActive(false);
        if (checkTimer_->isActive()) SetTimer(*checkTimer_, 0, false);
        ArmAutoContinue();
    } else {
        ap->StopAnimation();
        dm.Tray().SetActive(true);
        if (!checkTimer_->isActive() && !inTick) SetTimer(*checkTimer_, kFirstCheckMs, true);
    }
    // Asked from the event loop, not from inside this handler; it asks nothing when the loop
    // that runs it turns out to be a network wait's.
    if (PendingTrustQuestion && !trustQuestionDue) {
        trustQuestionDue = true;
        QTimer::singleShot(0, this, [this] {
            trustQuestionDue = false;
            AskTrustQuestion();
        });
    }
}

bool MainWindow::AskTrustQuestion() {
    if (!PendingTrustQuestion || inTick || QApplication::activeModalWidget() != nullptr)
        return false;
    const TrustRequest request = std::move(*PendingTrustQuestion);
    PendingTrustQuestion.reset();
    // The settings may have changed since the check (the same certificate asked already).
    const TrustQuestion kind = TrustQuestionFor(request.account, request.problem);
    if (kind == TrustQuestion::None) return false;
    const bool trusted = AskYesNo(IsShownToUser() ? this : nullptr,
                                  ToQt(GetLangText("certificate_untrusted_dialog_title")),
                                  ToQt(TrustQuestionText(request.account, request.problem, kind)));
    AnswerTrustQuestion(request, trusted);
    return true;
}

void MainWindow::ArmAutoContinue() {
    if (accounts.empty() || EditingWindowOpen()) return;
    SetTimer(*continueTimer_, StartedWithParameters ? kQuickContinueMs : kContinueMs, true);
    continueVeto_ = false;
}

void MainWindow::onContinueTimer() {
    SetTimer(*continueTimer_, 0, false);
    if (!continueVeto_) actContinue->trigger();
}

void MainWindow::onCheckTimer() {
    if (inTick) return;
    FlagScope tick(inTick);
    checkTimer_->stop();
    struct Rearm {
        QTimer& timer;
        ~Rearm() { SetTimer(timer, CheckIntervalMs(accounts.size()), true); }
    } rearm{*checkTimer_};
    CheckNextAccount();
}

void MainWindow::CheckNextAccount() {
    if (IsShownToUser() || EditingWindowOpen() || accounts.empty()) return;
    const std::int32_t index = AccountToCheck(checkIndex, accounts.size());
    if (accounts[static_cast<std::size_t>(index)].enabled) {
        // Copied: the account list may change while the check waits on the network.
        const AccountSettings params = accounts[static_cast<std::size_t>(index)].params;
        const int change = checkAccount ? checkAccount(params) : 0;
        if (change != 0 && index < static_cast<std::int32_t>(accounts.size()))
            accounts[static_cast<std::size_t>(index)].lastChange = change;
    }
    PostPopCommand(ResultsWindowHandle, PopCommand::ResultsRefresh, index);
    checkIndex = index + 1;
}

void MainWindow::appException(const std::string& message) {
    if (ListWindowHandle) {
        PostPopCommand(ListWindowHandle, PopCommand::ListShowError, ToQt(message));
    } else if (IsShownToUser()) {
        ShowMessageBox(this, ToQt(GetLangText("Error")), ToQt(message), QMessageBox::Critical);
    } else {
        dm.Tray().SetHint(message);
    }
    Image1->setToolTip(LiteralToolTip(
        ToQt(DateTimeText(std::time(nullptr)) + ": " + GetLangText("Error") + " - " + message)));
}
