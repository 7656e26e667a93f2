#include "app/dbus_service.h"

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusMetaType>

#include "app/desktop_events.h"
#include "app/launcher_entry.h"
#include "check/folder_tally.h"
#include "engine/mail_monitor.h"
#include "session/run_state.h"
#include "settings/run_state_keys.h"
#include "settings/settings.h"
#include "state/app_state.h"
#include "widgets/ui_text.h"
#include "widgets/window_registry.h"

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

QDBusArgument& operator<<(QDBusArgument& argument, const FolderSummary& folder) {
    argument.beginStructure();
    argument << folder.name << folder.count << folder.lastChange;
    argument.endStructure();
    return argument;
}

const QDBusArgument& operator>>(const QDBusArgument& argument, FolderSummary& folder) {
    argument.beginStructure();
    argument >> folder.name >> folder.count >> folder.lastChange;
    argument.endStructure();
    return argument;
}

namespace {

// The account with that address in the list (letters in any case), -1 when there is none.
int IndexOf(const AppState& state, const QString& email) {
    for (std::size_t i = 0; i < state.Accounts().size(); ++i)
        if (ToQt(state.Accounts()[i].params.email).compare(email, Qt::CaseInsensitive) == 0)
            return static_cast<int>(i);
    return -1;
}

}  // namespace

QString QuotedArgument(const QString& text) {
    constexpr int kShown = 64;
    if (text.size() <= kShown) return text;
    return text.left(kShown) + QChar(0x2026);  // …
}

DBusService::DBusService(MailMonitor& monitor, AppState& state, DesktopEvents& events,
                         QObject* parent)
    : QObject(parent),
      monitor_(monitor),
      state_(state),
      launcher_(new LauncherEntry(this, QString::fromLatin1(kBusPath))) {
    qDBusRegisterMetaType<AccountSummary>();
    qDBusRegisterMetaType<QList<AccountSummary>>();
    qDBusRegisterMetaType<FolderSummary>();
    qDBusRegisterMetaType<QList<FolderSummary>>();
    connect(&events, &DesktopEvents::MailChanged, this, &DBusService::MailChanged);
    connect(&monitor, &MailMonitor::newMailChanged, launcher_, &LauncherEntry::Publish);
}

bool DBusService::Register() {
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected() || !bus.registerService(QString::fromLatin1(kBusName))) return false;
    return bus.registerObject(QString::fromLatin1(kBusPath), this,
                              QDBusConnection::ExportAllSlots | QDBusConnection::ExportAllSignals |
                                  QDBusConnection::ExportAdaptors);
}

void DBusService::CheckNow() {
    monitor_.CheckAllNow();
}

QList<AccountSummary> DBusService::Accounts() {
    QList<AccountSummary> list;
    const auto settings = OpenSettings();
    for (const AccountEntry& item : state_.Accounts()) {
        const std::string section = AccountSection(item.params);
        AccountSummary summary;
        summary.email = ToQt(item.params.email);
        summary.count = settings->ReadInteger(section, run_state::kCount, 0);
        summary.lastChange = item.lastChange;
        summary.lastCheckSucceeded = settings->ReadBool(section, run_state::kLastResult, true);
        if (!summary.lastCheckSucceeded)
            summary.lastError =
                ToQt(StoredErrorText(settings->ReadString(section, run_state::kLastError, "")));
        list << summary;
    }
    return list;
}

int DBusService::AccountAsked(const QString& email) {
    const int index = IndexOf(state_, email);
    if (index < 0 && calledFromDBus())
        sendErrorReply(QStringLiteral("org.tarnwick.Tarnwick1.Error.NoSuchAccount"),
                       QStringLiteral("No account with the e-mail address \"%1\".")
                           .arg(QuotedArgument(email)));
    return index;
}

QList<FolderSummary> DBusService::Folders(const QString& email) {
    QList<FolderSummary> list;
    const int index = AccountAsked(email);
    if (index < 0) return list;
    const AccountEntry& item = state_.Accounts()[static_cast<std::size_t>(index)];
    for (const FolderRunState& folder :
         ShownFolderStates(item.params, *OpenSettings(), item.lastChange))
        list << FolderSummary{ToQt(folder.name), folder.count, folder.change};
    return list;
}

void DBusService::ShowMessages(const QString& email) {
    const int index = AccountAsked(email);
    if (index < 0) return;
    state_.SetPendingAccount(state_.Accounts()[static_cast<std::size_t>(index)].params.email);
    Q_EMIT Requests().listWanted();
}
