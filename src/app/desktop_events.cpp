#include "app/desktop_events.h"

#include <QThread>
#include <climits>
#include <map>

#include "check/imap_session.h"
#include "check/ui/notification.h"
#include "check/ui/tray_icon.h"
#include "list/new_mail.h"
#include "platform/desktop_notification.h"
#include "platform/mail_program.h"
#include "platform/new_mail_command.h"
#include "platform/pop_command.h"
#include "platform/program_state.h"
#include "platform/ui_text.h"
#include "settings/counted_text.h"
#include "settings/language.h"
#include "settings/settings.h"

namespace {

void RefreshPanelOf(const AppState& state, const std::string& email) {
    for (std::size_t i = 0; i < state.accounts.size(); ++i) {
        if (state.accounts[i].params.email == email)
            PostPopCommand(ResultsWindowHandle, PopCommand::ResultsRefresh,
                           static_cast<long long>(i));
    }
}

void NoteCommandFailure(AppState& state, const std::string& email, const std::string& reason) {
    state.commandFailures[email] = GetLangText("new_mail_command_failed") + " (" + reason + ")";
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

DesktopEvents::~DesktopEvents() {
    markInterrupt_->Raise();
    for (const QPointer<QThread>& worker : markWorkers_)
        if (worker) worker->wait(static_cast<unsigned long>(kMarkReadStopWait.count()));
}

bool DesktopEvents::ShowsNotification() const {
    return (state_.desktopNotification || !TrayAreaAvailable()) && notifier_->Usable();
}

void DesktopEvents::Notify() {
    QStringList lines;
    for (const AccountEntry& item : state_.accounts) {
        const auto found = arrived_.find(item.params.email);
        if (found != arrived_.end())
            lines << ToQt(
                item.params.email + ": " + std::to_string(found->second) + " " +
                CountedText("notification_new", static_cast<unsigned long long>(found->second)));
    }
    bool flaggable = false;
    for (const NamedMessage& message : newestMail_) {
        lines << ToQt(message.line);
        flaggable = flaggable || message.flaggable;
    }
    notifier_->Show(ToQt(GetLangText("new_mail_notification")), lines, flaggable);
}

void DesktopEvents::MarkNamedRead() {
    std::map<std::string, std::vector<std::uint32_t>> uidsOf;
    for (const NamedMessage& message : newestMail_)
        if (message.flaggable) uidsOf[message.email].push_back(message.uid);
    AcknowledgeNewMail();
    std::erase_if(markWorkers_, [](const QPointer<QThread>& worker) { return worker.isNull(); });
    for (const AccountEntry& item : state_.accounts) {
        const auto found = uidsOf.find(item.params.email);
        if (found == uidsOf.end() || item.params.protocol != MailProtocol::Imap) continue;
        SessionOptions options = state_.SessionOptionsNow();
        options.interrupt = markInterrupt_;
        options.timeLimit = kMarkReadTimeLimit;
        // What fails here shows at the next check: the messages are still counted unread.
        QThread* worker = QThread::create([account = item.params, uids = found->second, options] {
            try {
                MarkImapMessagesSeen(account, uids, options);
            } catch (const std::exception&) {
            }
        });
        connect(worker, &QThread::finished, worker, &QObject::deleteLater);
        markWorkers_.emplace_back(worker);
        worker->start();
    }
}

void DesktopEvents::OpenFirstNewMailbox() {
    for (const AccountEntry& item : state_.accounts) {
        if (arrived_.count(item.params.email) == 0) continue;
        state_.pendingAccount = item.params.email;
        PostPopCommand(MainForm(), PopCommand::OpenList);
        break;
    }
    AcknowledgeNewMail();
}

NewMailReader DesktopEvents::NewMailReaderFor(const AccountSettings& account) const {
    if (!state_.playWave || !ShowsNotification()) return {};
    return [owner = SpamAccount(account),
            filter = state_.Filter()](const std::vector<NewMessageHeader>& headers) {
        return NewMailLines(headers, owner, *filter);
    };
}

void DesktopEvents::AccountChecked(const AccountSettings& account, int change, int arrived,
                                   const NamedNewMail& newMail) {
    if (change == 0 && arrived <= 0) return;
    const int count = OpenSettings()->ReadInteger(AccountSection(account), "COUNT", 0);
    if (arrived > 0) {
        const std::string email = account.email;
        if (state_.commandFailures.erase(email) > 0) RefreshPanelOf(state_, email);
        RunNewMailCommand(ReadGeneralText("NEW_MAIL_COMMAND"), email, count, change,
                          [&state = state_, email](const std::string& reason) {
                              NoteCommandFailure(state, email, reason);
                          });
    }
    Q_EMIT MailChanged(ToQt(account.email), count, change);
    if (arrived > 0) {
        int& total = arrived_[account.email];
        total = arrived > INT_MAX - total ? INT_MAX : total + arrived;
        std::vector<NamedMessage> named;
        for (std::size_t i = 0; i < newMail.lines.size(); ++i)
            named.push_back({newMail.lines[i], account.email,
                             i < newMail.ids.size() ? newMail.ids[i] : 0,
                             account.protocol == MailProtocol::Imap && i < newMail.ids.size()});
        newestMail_.insert(newestMail_.begin(), named.begin(), named.end());
        if (newestMail_.size() > kNewMailLines) newestMail_.resize(kNewMailLines);
        if (state_.playWave && ShowsNotification()) Notify();
        newMailCount_ = arrived > INT_MAX - newMailCount_ ? INT_MAX : newMailCount_ + arrived;
        Q_EMIT NewMailCountChanged(newMailCount_);
    }
}

void DesktopEvents::Acknowledge() {
    arrived_.clear();
    newestMail_.clear();
    notifier_->Close();
    if (newMailCount_ == 0) return;
    newMailCount_ = 0;
    Q_EMIT NewMailCountChanged(0);
}

void DesktopEvents::CheckFinished(const CheckOutcome& outcome) {
    if (!outcome.cancelled && outcome.error.empty())
        AccountChecked(outcome.account, outcome.result.change, ArrivedMessages(outcome.result),
                       outcome.newMail);
}
