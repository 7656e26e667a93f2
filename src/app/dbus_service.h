#pragma once
// The program on the session bus: name org.tarnwick.Tarnwick, object /org/tarnwick/Tarnwick,
// interface org.tarnwick.Tarnwick1 (CheckNow, Accounts, Folders, ShowMessages and the
// MailChanged signal), and the count on the launcher of docks and task managers (LauncherEntry),
// cleared with the new-mail picture.

#include <QDBusContext>
#include <QList>
#include <QMetaType>
#include <QObject>
#include <QString>
#include <QStringList>

class MailMonitor;
class AppState;
class DesktopEvents;
class LauncherEntry;
class QDBusArgument;

// One account as Accounts() reports it: (siibs).
struct AccountSummary {
    QString email;
    int count = 0;
    int lastChange = 0;
    bool lastCheckSucceeded = true;
    QString lastError;
};
QDBusArgument& operator<<(QDBusArgument& argument, const AccountSummary& account);
const QDBusArgument& operator>>(const QDBusArgument& argument, AccountSummary& account);
Q_DECLARE_METATYPE(AccountSummary)

// One watched folder as Folders() reports it: (sii) name, count, last change.
struct FolderSummary {
    QString name;
    int count = 0;
    int lastChange = 0;
};
QDBusArgument& operator<<(QDBusArgument& argument, const FolderSummary& folder);
const QDBusArgument& operator>>(const QDBusArgument& argument, FolderSummary& folder);
Q_DECLARE_METATYPE(FolderSummary)

inline constexpr const char* kBusName = "org.tarnwick.Tarnwick";
inline constexpr const char* kBusPath = "/org/tarnwick/Tarnwick";
// The desktop entry that docks match the launcher count with.
inline constexpr const char* kLauncherUri = "application://org.tarnwick.Tarnwick.desktop";

// A caller's argument as an error message quotes it: at most 64 characters, a longer one cut
// and ended by "…".
QString QuotedArgument(const QString& text);

class DBusService : public QObject, protected QDBusContext {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.tarnwick.Tarnwick1")
public:
    DBusService(MailMonitor& monitor, AppState& state, DesktopEvents& events,
                QObject* parent = nullptr);
    // Takes the name and exports the object; false (the program goes on without) when there
    // is no session bus or the name is taken.
    bool Register();

public Q_SLOTS:
    // Checks every enabled account now, one after another, through the timed check's worker;
    // an account checked within the last seconds is not checked again, and a call during a
    // check joins it.
    void CheckNow();
    QList<AccountSummary> Accounts();
    // The folders the account with that address (in any case of letters) watches, with the
    // count and change of each at its last check; an account with one folder gives that one
    // with the account's count and last change.
    QList<FolderSummary> Folders(const QString& email);
    // Opens the list window on the account with that address (in any case of letters).
    void ShowMessages(const QString& email);

Q_SIGNALS:
    void MailChanged(const QString& email, int count, int change);

private:
    // The account's place in the list; -1, and the caller gets an error, when there is none.
    int AccountAsked(const QString& email);

    MailMonitor& monitor_;
    AppState& state_;
    LauncherEntry* launcher_;
};
