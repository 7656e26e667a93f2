#pragma once
// One running copy per user session: the first copy listens on a local socket named from the
// main window's class name, its title and the user id; a second copy hands it a command and
// ends. The socket lives in the session's runtime folder ($XDG_RUNTIME_DIR), or without one in
// the abstract namespace; never in $TMPDIR, which two starts of one session may set apart.

#include <QObject>
#include <QString>

class QLocalServer;

// What a second copy may ask of the first, sent as its number on a line.
enum class InstanceCommand : int {
    ShowMainWindow = 3,
};

// The socket for this user: a path in $XDG_RUNTIME_DIR when that is an absolute folder, else
// an abstract socket's name (any name that is not a path).
QString SingleInstanceName();

// True when `name` is owned on the session bus (a running copy that took its bus name).
bool BusNameOwned(const QString& name);

// Connects to a running copy and asks it to show its main window. False when no copy answers.
bool HandOverToRunningCopy(const QString& name);

// The first copy's end: a connection that asks for the main window raises mainWindowWanted on
// the window requests.
class SingleInstanceServer : public QObject {
    Q_OBJECT
public:
    explicit SingleInstanceServer(QObject* parent = nullptr);

    // Starts listening; a socket left behind by a copy that died is replaced.
    bool Listen(const QString& name);

private:
    void OnNewConnection();

    QLocalServer* server_;
};
