#pragma once
// The timed check of one account, run on a worker thread that the scheduler owns. The check
// gets copies (the account, the session options); it reports to the user-interface thread by
// queued signals only: the check cycle's notifications as they happen, then Finished. The
// user-interface thread never waits for the network; only the program's end waits for the
// worker, briefly, after interrupting its session.

#include <QObject>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "check/check_cycle.h"
#include "check/notifier.h"
#include "session/session_options.h"
#include "settings/accounts.h"

class InterruptSignal;
class QThread;

// Turns the headers of new messages into the lines that name them; runs on the worker, so it
// holds copies only.
using NewMailReader = std::function<NamedNewMail(const std::vector<NewMessageHeader>& headers)>;

// One check to run.
struct CheckRequest {
    std::int32_t index = 0;   // the account's place in the list when the check began
    AccountSettings account;  // a copy: the list may change meanwhile
    bool alertDue = false;    // tell a changed count through the alert and the sound
    SessionOptions options;   // its interrupt is the scheduler's
    // Set when new mail is to be told with its senders and subjects: the check then brings
    // the newest new messages' headers along, and this reads them. Empty: not wanted.
    NewMailReader readNewMail;
};

// How a check ended.
struct CheckOutcome {
    std::int32_t index = 0;
    AccountSettings account;
    CheckResult result;
    bool cancelled = false;  // interrupted: nothing was found, nothing recorded
    std::string error;       // an error that escaped the check (e.g. the file could not be written)
    NamedNewMail newMail;    // what readNewMail made of the new messages' headers
};

class CheckScheduler : public QObject {
    Q_OBJECT
public:
    // What a check runs on the worker: CheckAccount unless a test replaces it.
    using Runner = std::function<CheckResult(const AccountSettings&, const SessionOptions&,
                                             bool alertDue, CheckNotifier&, int newHeaders)>;

    explicit CheckScheduler(QObject* parent = nullptr);
    // Interrupts the check under way and waits for the worker at most kStopWait (not at all
    // after Stop).
    ~CheckScheduler() override;

    static constexpr std::chrono::milliseconds kStopWait{2000};

    void SetRunner(Runner runner) { runner_ = std::move(runner); }
    // A check is under way (from Start until Finished has been emitted).
    bool Busy() const { return busy_; }
    // Starts `request` on the worker; false, doing nothing, while a check is under way or
    // after Stop.
    bool Start(CheckRequest request);
    // Ends the session of the check under way at once (it ends as cancelled); no later check
    // starts. Then waits for the worker at most `wait`: false when it is still running (a
    // host name that is still being resolved).
    bool Stop(std::chrono::milliseconds wait);

Q_SIGNALS:
    // The check cycle's notifications, in the order it gave them.
    void TrayHintChanged(const std::string& hint);
    void NewMailIconShown(int arrived);
    void AlertMessagesCleared();
    void CountChangeAlerted(const AccountSettings& account, int change);
    // The end of every check started.
    void Finished(const CheckOutcome& outcome);

private:
    struct Link;
    // On the worker: it reaches the scheduler only through `link`.
    static void Run(Link& link, const CheckRequest& request, const Runner& runner);
    void OnWorkerDone(const CheckOutcome& outcome);

    QThread* thread_ = nullptr;
    QObject* worker_ = nullptr;  // lives on thread_
    Runner runner_;
    std::shared_ptr<InterruptSignal> interrupt_;  // the check under way's
    std::shared_ptr<Link> link_;
    bool busy_ = false;
    bool stopped_ = false;
};

// Connects the scheduler's notifications to `target`, which runs them on its own thread.
void ForwardNotifications(CheckScheduler& scheduler, CheckNotifier& target);
