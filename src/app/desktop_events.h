#pragma once
// What the desktop hears of the mail engine's news: the user's command on new mail, the desktop
// notification of the engine's tally of new mail, and the MailChanged signal of the D-Bus
// interface.

#include <QObject>
#include <QPointer>
#include <QString>
#include <chrono>
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "engine/check_scheduler.h"
#include "engine/mail_monitor.h"
#include "net/interrupt.h"
#include "settings/accounts.h"

class AppState;
class DesktopNotifier;
class QThread;

class DesktopEvents : public QObject {
    Q_OBJECT
public:
    explicit DesktopEvents(AppState& state, QObject* parent = nullptr);
    // Ends the "Mark as read" sessions under way, waiting for each at most kMarkReadStopWait.
    ~DesktopEvents() override;

    // How long a "Mark as read" session may take at most, and the wait for it at the end.
    static constexpr std::chrono::seconds kMarkReadTimeLimit{60};
    static constexpr std::chrono::milliseconds kMarkReadStopWait{2000};

    // New mail shows a desktop notification rather than the alert window: chosen in the setup
    // window, or there is no notification area; and a server with actions is there.
    bool ShowsNotification() const;

    // What a check of `account` is to read from the headers of new messages: the lines that
    // name them, when new mail shows the desktop notification; nothing otherwise.
    NewMailReader NewMailReaderFor(const AccountSettings& account) const;

    // Follows the engine's news from now on.
    void Follow(MailMonitor& monitor);

Q_SIGNALS:
    // The count of the account changed; `count` the messages now on the server.
    void MailChanged(const QString& email, int count, int change);

private:
    void OnMailChanged(const AccountSettings& account, int count, int change, int arrived);
    void OnNewMailChanged(int total);
    void Notify(const NewMailTally& tally);
    void OpenFirstNewMailbox();
    // "Mark as read": flags the IMAP messages the notification names \Seen, each account's on a
    // worker thread of its own, and acknowledges the new mail (the notification closes).
    void MarkNamedRead();

    AppState& state_;
    MailMonitor* monitor_ = nullptr;
    std::shared_ptr<InterruptSignal> markInterrupt_ = std::make_shared<InterruptSignal>();
    std::vector<QPointer<QThread>> markWorkers_;
    DesktopNotifier* notifier_;
};
