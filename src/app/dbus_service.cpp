#include "app/dbus_service.h"

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusMetaType>

#include "app/desktop_events.h"
#include "app/launcher_entry.h"
#include "app/main_window.h"
#include "check/session.h"
#include "check/ui/check_scheduler.h"
#include "platform/pop_command.h"
#include "platform/program_state.h"
#include "platform/ui_text.h"
#include "settings/settings.h"

QDBusArgument& operator<<(QDBusArgument& argument, const AccountSummary& account) {
    argument.beginStructure();
    argument << account.email << account.count << account.lastChange << account.lastCheckSucceeded
             << account.lastError;
    argument.endStructure();
    return argument;
}

const QDBusArgument& operator>>(const QDBusArgument& argument, AccountSummary& account) {
    argument.beginStructure();
    argument >> account.email >> account.count >> account.lastChange >>
        account.lastCheckSucceeded >> account.lastError;
    argument.endStructure();
    return argument;
}

namespace {

// The account with that address in the list (letters in any case), -1 when there is none.
int IndexOf(const AppState& state, const QString& email) {
    for (std::size_t i = 0; i < state.accounts.size(); ++i)
        if (ToQt(state.accounts[i].params.email).compare(email, Qt::CaseInsensitive) == 0)
            return static_cast<int>(i);
    return -1;
}

}  // namespace

QString QuotedArgument(const QString& text) {
    constexpr int kShown = 64;
    if (text.size() <= kShown) return text;
    return text.left(kShown) + QChar(0x2026);  // …
}

DBusService::DBusService(MainWindow& window, DesktopEvents& events)
    : QObject(&window),
      window_(window),
      state_(window.State()),
      launcher_(new LauncherEntry(this, QString::fromLatin1(kBusPath))) {
    qDBusRegisterMetaType<AccountSummary>();
    qDBusRegisterMetaType<QList<AccountSummary>>();
    connect(&events, &DesktopEvents::MailChanged, this, &DBusService::MailChanged);
    connect(&events, &DesktopEvents::NewMailCountChanged, launcher_, &LauncherEntry::Publish);
    connect(&window.Scheduler(), &CheckScheduler::Finished, this,
            [this](const CheckOutcome& outcome) {
                if (!outcome.cancelled) StartNextCheck();
            });
}

bool DBusService::Register() {
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected() || !bus.registerService(QString::fromLatin1(kBusName))) return false;
    return bus.registerObject(QString::fromLatin1(kBusPath), this,
                              QDBusConnection::ExportAllSlots | QDBusConnection::ExportAllSignals |
                                  QDBusConnection::ExportAdaptors);
}

void DBusService::CheckNow() {
    for (const AccountEntry& item : state_.accounts)
        if (item.enabled && !pending_.contains(ToQt(item.params.email)))
            pending_ << ToQt(item.params.email);
    StartNextCheck();
}

void DBusService::StartNextCheck() {
    CheckScheduler& scheduler = window_.Scheduler();
    while (!pending_.isEmpty() && !scheduler.Busy()) {
        const int index = IndexOf(state_, pending_.takeFirst());
        if (index < 0 || !state_.accounts[static_cast<std::size_t>(index)].enabled) continue;
        const AccountSettings& account = state_.accounts[static_cast<std::size_t>(index)].params;
        if (!scheduler.Start(window_.RequestFor(index, account)))
            pending_.clear();  // the program is ending
    }
}

QList<AccountSummary> DBusService::Accounts() {
    QList<AccountSummary> list;
    const auto settings = OpenSettings();
    for (const AccountEntry& item : state_.accounts) {
        const std::string section = AccountSection(item.params);
        AccountSummary summary;
        summary.email = ToQt(item.params.email);
        summary.count = settings->ReadInteger(section, "COUNT", 0);
        summary.lastChange = item.lastChange;
        summary.lastCheckSucceeded = settings->ReadBool(section, "LAST_RESULT", true);
        if (!summary.lastCheckSucceeded)
            summary.lastError =
                ToQt(StoredErrorText(settings->ReadString(section, "LAST_ERROR", "")));
        list << summary;
    }
    return list;
}

void DBusService::ShowMessages(const QString& email) {
    const int index = IndexOf(state_, email);
    if (index < 0) {
        if (calledFromDBus())
            sendErrorReply(QStringLiteral("org.tarnwick.Tarnwick1.Error.NoSuchAccount"),
                           QStringLiteral("No account with the e-mail address \"%1\".")
                               .arg(QuotedArgument(email)));
        return;
    }
    state_.pendingAccount = state_.accounts[static_cast<std::size_t>(index)].params.email;
    PostPopCommand(MainForm(), PopCommand::OpenList);
}
