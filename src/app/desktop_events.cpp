#include "app/desktop_events.h"

#include <QThread>
#include <map>

#include "check/ui/notification.h"
#include "check/ui/results_window.h"
#include "list/new_mail.h"
#include "notify/tray_icon.h"
#include "platform/desktop_notification.h"
#include "platform/mail_program.h"
#include "platform/new_mail_command.h"
#include "session/imap_session.h"
#include "settings/language.h"
#include "settings/settings.h"
#include "state/app_state.h"
#include "widgets/ui_text.h"
#include "widgets/window_registry.h"

namespace {

void RefreshPanelOf(const AppState& state, const std::string& email) {
    auto* results = qobject_cast<ResultsWindow*>(OpenWindow(WindowKind::Results));
    if (results == nullptr) return;
    for (std::size_t i = 0; i < state.Accounts().size(); ++i) {
        if (state.Accounts()[i].params.email == email) results->RefreshPanel(static_cast<int>(i));
    }
}

void NoteCommandFailure(AppState& state, const std::string& email, const std::string& reason) {
    state.SetCommandFailure(email, GetLangText("new_mail_command_failed") + " (" + reason + ")");
    RefreshPanelOf(state, email);
}

}  // namespace

DesktopEvents::DesktopEvents(AppState& state, QObject* parent)
    : QObject(parent), state_(state), notifier_(new DesktopNotifier(this)) {
    connect(notifier_, &DesktopNotifier::MarkReadInvoked, this, &DesktopEvents::MarkNamedRead);
    connect(notifier_, &DesktopNotifier::DefaultInvoked, this, &DesktopEvents::OpenFirstNewMailbox);
    connect(notifier_, &DesktopNotifier::OpenMailInvoked, this, [] {
        AcknowledgeNewMail();
        OpenMailProgram(nullptr);
    });
}

void DesktopEvents::Follow(MailMonitor& monitor) {
    monitor_ = &monitor;
    connect(&monitor, &MailMonitor::mailChanged, this, &DesktopEvents::OnMailChanged);
    connect(&monitor, &MailMonitor::newMailChanged, this, &DesktopEvents::OnNewMailChanged);
    connect(&monitor, &QObject::destroyed, this, [this] { monitor_ = nullptr; });
}

DesktopEvents::~DesktopEvents() {
    markInterrupt_->Raise();
    for (const QPointer<QThread>& worker : markWorkers_)
        if (worker) worker->wait(static_cast<unsigned long>(kMarkReadStopWait.count()));
}

bool DesktopEvents::ShowsNotification() const {
    return (state_.DesktopNotification() || !TrayAreaAvailable()) && notifier_->Usable();
}

void DesktopEvents::Notify(const NewMailTally& tally) {
    QStringList lines;
    for (const std::string& line : NewMailNotificationLines(tally, state_.Accounts()))
        lines << ToQt(line);
    bool flaggable = false;
    for (const NewestMessage& message : tally.newest) flaggable = flaggable || message.flaggable;
    notifier_->Show(ToQt(GetLangText("new_mail_notification")), lines, flaggable);
}

void DesktopEvents::MarkNamedRead() {
    // By account, the UIDs in each folder (UIDs count in their folder only).
    std::map<std::string, std::map<std::string, std::vector<MessageId>>> uidsOf;
    if (monitor_ != nullptr)
        for (const NewestMessage& message : monitor_->NewMail().newest)
            if (message.flaggable) uidsOf[message.email][message.folder].push_back(message.id);
    AcknowledgeNewMail();
    std::erase_if(markWorkers_, [](const QPointer<QThread>& worker) { return worker.isNull(); });
    for (const AccountEntry& item : state_.Accounts()) {
        const auto found = uidsOf.find(item.params.email);
        if (found == uidsOf.end() || item.params.protocol != MailProtocol::Imap) continue;
        SessionOptions options = state_.SessionOptionsNow();
        options.interrupt = markInterrupt_;
        options.timeLimit = kMarkReadTimeLimit;
        // What fails here shows at the next check: the messages are still counted unread.
        QThread* worker =
            QThread::create([account = item.params, folders = found->second, options] {
                for (const auto& [folder, uids] : folders) {
                    AccountSettings inFolder = account;
                    if (!folder.empty()) inFolder.folder = folder;
                    try {
                        MarkImapMessagesSeen(inFolder, uids, options);
                    } catch (const std::exception&) {
                    }
                }
            });
        connect(worker, &QThread::finished, worker, &QObject::deleteLater);
        markWorkers_.emplace_back(worker);
        worker->start();
    }
}

void DesktopEvents::OpenFirstNewMailbox() {
    if (monitor_ != nullptr) {
        for (const AccountEntry& item : state_.Accounts()) {
            if (monitor_->NewMail().arrived.count(item.params.email) == 0) continue;
            state_.SetPendingAccount(item.params.email);
            Q_EMIT Requests().listWanted();
            break;
        }
    }
    AcknowledgeNewMail();
}

NewMailReader DesktopEvents::NewMailReaderFor(const AccountSettings& account) const {
    if (!state_.PlayWave() || !ShowsNotification()) return {};
    return [owner = SpamAccount(account),
            filter = state_.Filter()](const std::vector<NewMessageHeader>& headers) {
        return NewMailLines(headers, owner, *filter);
    };
}

void DesktopEvents::OnMailChanged(const AccountSettings& account, int count, int change,
                                  int arrived) {
    if (arrived > 0) {
        const std::string email = account.email;
        if (state_.ClearCommandFailure(email)) RefreshPanelOf(state_, email);
        RunNewMailCommand(ReadGeneralText("NEW_MAIL_COMMAND"), email, count, change,
                          [&state = state_, email](const std::string& reason) {
                              NoteCommandFailure(state, email, reason);
                          });
    }
    Q_EMIT MailChanged(ToQt(account.email), count, change);
}

void DesktopEvents::OnNewMailChanged(int total) {
    if (total == 0) {
        notifier_->Close();
    } else if (monitor_ != nullptr && state_.PlayWave() && ShowsNotification()) {
        Notify(monitor_->NewMail());
    }
}
