#pragma once
// New mail as a desktop notification (org.freedesktop.Notifications): one notification that
// each new one replaces, with the actions "default", "Open mail program" and, when it names
// messages that can be flagged, "Mark as read". The server's
// capabilities are asked without waiting, when the program starts and whenever a server
// appears; until a server with actions has answered, the alert window stands in.

#include <QObject>
#include <QString>
#include <QStringList>

class QDBusPendingCallWatcher;

class DesktopNotifier : public QObject {
    Q_OBJECT
public:
    explicit DesktopNotifier(QObject* parent = nullptr);

    // A server is there and offers actions.
    bool Usable() const { return actions_; }
    // Shows (or replaces) the notification: summary and plain-text body lines, escaped when
    // the server renders markup; with the action "Mark as read" when `markRead`.
    void Show(const QString& summary, const QStringList& lines, bool markRead = false);
    // Closes the notification shown, if any.
    void Close();

    // The body of plain text as the server wants it.
    static QString BodyText(const QStringList& lines, bool markup);

Q_SIGNALS:
    void DefaultInvoked();
    void OpenMailInvoked();
    void MarkReadInvoked();

private Q_SLOTS:
    void OnActionInvoked(uint id, const QString& key);

private:
    void AskCapabilities();

    bool actions_ = false;
    bool markup_ = false;
    uint shown_ = 0;  // the id of the notification shown, 0: none
};
