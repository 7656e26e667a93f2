#pragma once
// One running copy per user session: the first copy listens on a local socket named from the
// main window's class name, its title and the user id; a second copy hands it command 3 and
// ends. The socket lives in the session's runtime folder ($XDG_RUNTIME_DIR), or without one in
// the abstract namespace; never in $TMPDIR, which two starts of one session may set apart.

#include <QObject>
#include <QString>

class QLocalServer;

// The socket for this user: a path in $XDG_RUNTIME_DIR when that is an absolute folder, else
// an abstract socket's name (any name that is not a path).
QString SingleInstanceName();

// True when `name` is owned on the session bus (a running copy that took its bus name).
bool BusNameOwned(const QString& name);

// Connects to a running copy and hands it command 3. False when no copy answers.
bool HandOverToRunningCopy(const QString& name);

// The first copy's end: every connection that sends "3" posts command 3 to the main window.
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
