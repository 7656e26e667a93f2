#pragma once
// What the desktop hears after the check of an account: the user's command on new mail and
// the MailChanged signal that the D-Bus interface, the desktop notification and the launcher
// count follow. The account check hands every result here, in one place.

#include <QObject>
#include <QPointer>
#include <QString>
#include <chrono>
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "check/ui/check_scheduler.h"
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

    // After the check of `account` that changed its count by `change` (0: no change) and
    // brought `arrived` new messages; reads the stored count. `newMail` names the newest new
    // messages, newest first.
    void AccountChecked(const AccountSettings& account, int change, int arrived,
                        const NamedNewMail& newMail = {});
    // The scheduler's end of a check: AccountChecked unless it was cancelled.
    void CheckFinished(const CheckOutcome& outcome);

    // The new-mail picture went back to normal: the arrivals are acknowledged.
    void Acknowledge();
    int NewMailCount() const { return newMailCount_; }

Q_SIGNALS:
    // Messages arrived since the last acknowledgement (the launcher's count).
    void NewMailCountChanged(int count);
    // The count of the account changed; `count` the messages now on the server.
    void MailChanged(const QString& email, int count, int change);

private:
    AppState& state_;
    void Notify();
    void OpenFirstNewMailbox();
    // "Mark as read": flags the IMAP messages the notification names \Seen, each account's on a
    // worker thread of its own, and acknowledges the new mail (the notification closes).
    void MarkNamedRead();

    // A message that the notification names.
    struct NamedMessage {
        std::string line;
        std::string email;  // its account
        std::uint32_t uid = 0;
        bool flaggable = false;  // on IMAP: it has a UID and a seen flag
    };

    int newMailCount_ = 0;
    std::map<std::string, int> arrived_;    // since the last acknowledgement, by address
    std::vector<NamedMessage> newestMail_;  // the newest messages of all accounts, newest first
    std::shared_ptr<InterruptSignal> markInterrupt_ = std::make_shared<InterruptSignal>();
    std::vector<QPointer<QThread>> markWorkers_;
    DesktopNotifier* notifier_;
};
