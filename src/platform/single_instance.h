#pragma once
// One running copy per user: the first copy listens on a local socket named from the main
// window's class name, its title and the user id; a second copy hands it command 3 and ends.

#include <QObject>
#include <QString>

class QLocalServer;

// The socket name for this user.
QString SingleInstanceName();

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
