#include "app/tray_services.h"

#include <cstdio>

#include "app/desktop_events.h"
#include "check/ui/image_list.h"
#include "check/ui/notification.h"
#include "engine/mail_monitor.h"
#include "net/tls_layer.h"
#include "notify/alert_window.h"
#include "notify/tray_icon.h"
#include "notify/ui_notifier.h"
#include "platform/mail_program.h"
#include "settings/language.h"
#include "settings/text_utils.h"
#include "spam/spam_filter.h"
#include "state/app_state.h"
#include "widgets/window_registry.h"

TrayServices::TrayServices()
    : tray(new TrayIcon(this)),
      alert(std::make_unique<AlertWindow>(ImageListPicture)),
      notifier(std::make_unique<UiCheckNotifier>(*tray, *alert)),
      desktop(new DesktopEvents(ProgramState(), this)) {
    ProgramState().Reset();

    tray->SetIcons(QIcon(QStringLiteral(":/tarnwick/tray_normal.png")),
                   QIcon(QStringLiteral(":/tarnwick/tray_new_mail.png")));
    tray->SetPicture(TrayPicture::Normal);
    tray->SetHint("tray_first_hint");
    connect(tray, &TrayIcon::Clicked, this, &TrayServices::OnTrayClicked);
    connect(alert.get(), &AlertWindow::PopupClicked, this, &TrayServices::OnAlertClicked);
    connect(alert.get(), &AlertWindow::Closed, this, &TrayServices::OnAlertClosed);
    connect(alert.get(), &AlertWindow::OpenMailClicked, this, [this] {
        AcknowledgeNewMail();
        OpenMailProgram(nullptr);
    });
    SetAcknowledgeNewMailHandler([this] { AcknowledgeNewMail(); });
    static_cast<UiCheckNotifier&>(*notifier).SetAlertReplaced(
        [this] { return desktop->ShowsNotification(); });

    ProgramState().LoadFilter();
    ProgramState().tlsAvailable = SetUpTls();
}

TrayServices::~TrayServices() {
    SetAcknowledgeNewMailHandler({});
    try {
        EncipherLanguageTable();
        WriteBackLanguageTable();
    } catch (const std::exception& error) {
        std::fprintf(stderr, "tarnwick: %s\n", error.what());
    }
    tray->SetActive(false);
    ProgramState().accounts.clear();
    ProgramState().spamRules.clear();
}

void TrayServices::Follow(MailMonitor& monitor) {
    monitor_ = &monitor;
    ForwardNotifications(monitor.Scheduler(), *notifier);
    desktop->Follow(monitor);
    connect(&monitor, &MailMonitor::newMailChanged, tray, &TrayIcon::SetNewMailCount);
    connect(&monitor, &MailMonitor::accountChecked, this,
            [this](std::int32_t, const AccountSettings& account) { HintFailure(account); });
    connect(&monitor, &QObject::destroyed, this, [this] { monitor_ = nullptr; });
}

// After a failed check the hint names the error with the account.
void TrayServices::HintFailure(const AccountSettings& account) {
    const auto last = monitor_ != nullptr ? monitor_->LastCheckOf(account) : std::nullopt;
    if (!last || last->succeeded) return;
    tray->SetHint(GetLangText("check_email_last") + " " + account.email + " - " +
                  GetLangText("Error") + " - " + last->error);
}

void TrayServices::AcknowledgeNewMail() {
    tray->SetNewMailCount(0);
    if (monitor_ != nullptr) monitor_->Acknowledge();
    tray->SetPicture(TrayPicture::Normal);
    if (alert->isVisible()) alert->HideAlert();
}

QIcon TrayServices::ButtonIcon(int index) {
    return QIcon(QStringLiteral(":/tarnwick/btn/%1.png").arg(index, 2, 10, QLatin1Char('0')));
}

void TrayServices::OnTrayClicked() {
    AcknowledgeNewMail();
    Q_EMIT Requests().resultsWanted();
}

void TrayServices::OnAlertClicked() {
    Q_EMIT Requests().resultsWanted();
    AcknowledgeNewMail();
}

void TrayServices::OnAlertClosed() {
    if (HasText(ProgramState().pendingAccount))
        tray->SetHint(GetLangText("check_email_last") + " " + ProgramState().pendingAccount);
}
