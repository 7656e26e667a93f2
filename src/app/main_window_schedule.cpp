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
#include "check/ui/results_window.h"
#include "engine/mail_monitor.h"
#include "engine/owner_link.h"
#include "engine/push_watchers.h"
#include "list/ui/list_window.h"
#include "notify/tray_icon.h"
#include "settings/language.h"
#include "settings/settings.h"
#include "settings/text_utils.h"
#include "state/app_state.h"
#include "widgets/message_box.h"
#include "widgets/ui_text.h"
#include "widgets/window_registry.h"

namespace {

bool EditingWindowOpen() {
    return OpenWindow(WindowKind::Setup) || OpenWindow(WindowKind::List) ||
           OpenWindow(WindowKind::Filter);
}

}  // namespace

void MainWindow::OnIdle() {
    // A message box waiting for an answer runs its own loop, which is no idle time.
    if (QApplication::activeModalWidget() != nullptr) return;
    if (IsShownToUser()) {
        advert_->StartAnimation();
        services_.Tray().SetActive(false);
        monitor_.SetPaused(true);
        ArmAutoContinue();
    } else {
        advert_->StopAnimation();
        services_.Tray().SetActive(true);
        monitor_.SetPaused(false);
    }
    // A question put off by another one is asked from the event loop, not from this handler.
    if (state_.TrustQuestionWaits()) QTimer::singleShot(0, this, [this] { AskTrustQuestion(); });
}

bool MainWindow::AskTrustQuestion() {
    if (!state_.TrustQuestionWaits() || QApplication::activeModalWidget() != nullptr) return false;
    const TrustRequest request = std::move(*state_.TakeTrustQuestion());
    // The settings may have changed since the check (the same certificate asked already).
    const TrustQuestion kind = TrustQuestionFor(request.account, request.problem);
    if (kind == TrustQuestion::None) return false;
    const bool trusted = AskYesNo(IsShownToUser() ? this : nullptr,
                                  ToQt(GetLangText("certificate_untrusted_dialog_title")),
                                  ToQt(TrustQuestionText(request.account, request.problem, kind)));
    AnswerTrustQuestion(request, trusted);
    if (trusted) {
        // The account's push session may be waiting minutes before it tries the server again.
        monitor_.Push().Reconnect(request.account);
        state_.NotifyCertificateTrusted(request.account.email);
    }
    return true;
}

void MainWindow::ArmAutoContinue() {
    if (state_.Accounts().empty() || EditingWindowOpen()) return;
    SetTimer(*continueTimer_, state_.StartedWithParameters() ? kQuickContinueMs : kContinueMs,
             true);
    continueVeto_ = false;
}

void MainWindow::onContinueTimer() {
    SetTimer(*continueTimer_, 0, false);
    if (!continueVeto_) actContinue->trigger();
}

bool MainWindow::MayCheck(const AccountSettings& account) const {
    if (OpenWindow(WindowKind::Setup) || OpenWindow(WindowKind::Filter)) return false;
    return !ListWindowHolds(account);
}

void MainWindow::FollowMonitor() {
    monitor_.SetGate([this](const AccountSettings& account) { return MayCheck(account); });
    monitor_.SetNewMailReaders([this](const AccountSettings& account) {
        return services_.Desktop().NewMailReaderFor(account);
    });
    connect(&monitor_, &MailMonitor::accountChecked, this, [](std::int32_t index) {
        if (auto* results = qobject_cast<ResultsWindow*>(OpenWindow(WindowKind::Results)))
            results->RefreshPanel(index);
    });
    // The panel's hint says at once that push is not used for the account.
    connect(&monitor_.Push(), &PushWatchers::PushSilent, this,
            [this](const AccountSettings& account) {
                auto* results = qobject_cast<ResultsWindow*>(OpenWindow(WindowKind::Results));
                const auto& accounts = state_.Accounts();
                for (std::size_t i = 0; results != nullptr && i < accounts.size(); ++i)
                    if (accounts[i].params.email == account.email)
                        results->RefreshPanel(static_cast<int>(i));
            });
    connect(&monitor_, &MailMonitor::checkError, this,
            [](const std::string& message) { ReportUnhandledError(message); });
    // Asked from the event loop, not inside the handler of the window or check that found it.
    connect(&state_, &AppState::trustQuestionWaiting, this, &MainWindow::AskTrustQuestion,
            Qt::QueuedConnection);
}

void MainWindow::ShowUnhandledError(const std::string& message) {
    if (auto* list = qobject_cast<MailboxWindow*>(OpenWindow(WindowKind::List))) {
        list->ShowError(ToQt(message));
    } else if (IsShownToUser()) {
        ShowMessageBox(this, ToQt(GetLangText("Error")), ToQt(message), QMessageBox::Critical);
    } else {
        services_.Tray().SetHint(message);
    }
    picture_->setToolTip(LiteralToolTip(
        ToQt(DateTimeText(std::time(nullptr)) + ": " + GetLangText("Error") + " - " + message)));
}
