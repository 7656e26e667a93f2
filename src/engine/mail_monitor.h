#pragma once
// The mail engine: the timed checks one account after another, the push sessions of the IMAP
// accounts, the checks that the D-Bus interface asks for, the results of the last checks and
// the one count of new mail since the user last looked. It has no window: the windows, the tray,
// the alert, the desktop notification, the launcher count and the D-Bus service follow its
// signals, and say through a gate which accounts may not be checked now.

#include <QObject>
#include <chrono>
#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "check/folder_tally.h"
#include "engine/check_scheduler.h"
#include "settings/accounts.h"

class AppState;
class PushWatchers;
class QTimer;

// Messages that came since the user last acknowledged them: by address, and the lines that
// name the newest of them (newest first).
struct NewestMessage {
    std::string line;
    std::string email;   // its account
    std::string folder;  // of an account that watches several folders; else empty
    MessageId id;
    bool flaggable = false;  // on IMAP: it has a UID and a seen flag
};

struct NewMailTally {
    std::map<std::string, int> arrived;
    // By address, for the accounts that watch several folders: the arrivals in each folder.
    std::map<std::string, std::vector<FolderArrival>> arrivedIn;
    std::vector<NewestMessage> newest;
    int total = 0;

    // Adds `count` arrivals of the account (no overflow), the messages named of them and the
    // folders they arrived in.
    void Add(const AccountSettings& account, int count, const NamedNewMail& named,
             const std::vector<FolderArrival>& folders = {});
};

// The lines of the new-mail notification: "alice@example.com: 3 new" for each account with
// arrivals, in the order of `accounts`, followed by "Work: 2 new" for each folder of an account
// that watches several; then the lines that name the newest messages.
std::vector<std::string> NewMailNotificationLines(const NewMailTally& tally,
                                                  const std::vector<AccountEntry>& accounts);

// How the last check of an account ended; an account never checked has none.
struct LastCheck {
    bool succeeded = true;
    std::string error;  // the server's or the connection's failure, when it failed
    int change = 0;
    std::chrono::steady_clock::time_point when;
};

class MailMonitor : public QObject {
    Q_OBJECT
public:
    // Checks one account and returns the change of its message count (on the worker thread).
    using AccountChecker = std::function<int(const AccountSettings&)>;
    // Whether the account may be checked now; the windows say no while they hold it.
    using CheckGate = std::function<bool(const AccountSettings&)>;
    // What a check of the account is to read from the headers of new messages.
    using NewMailReaders = std::function<NewMailReader(const AccountSettings&)>;

    // How long an account checked a moment ago is not checked again on request.
    static constexpr std::chrono::seconds kRecheckPause{10};

    explicit MailMonitor(AppState& state, QObject* parent = nullptr);
    ~MailMonitor() override;

    CheckScheduler& Scheduler() const { return *scheduler_; }
    PushWatchers& Push() const { return *push_; }
    QTimer& CheckTimer() const { return *checkTimer_; }

    // Replaces the account check (the check cycle by default).
    void SetAccountChecker(AccountChecker checker);
    void SetGate(CheckGate gate) { gate_ = std::move(gate); }
    void SetNewMailReaders(NewMailReaders readers) { readers_ = std::move(readers); }

    // Starts the push sessions and follows the account list and the system's resume and
    // network events.
    void StartPush();
    // Paused, the timer is off; running again, the first check comes kFirstCheckMs later (a
    // running countdown is kept).
    void SetPaused(bool paused);
    // Starts the timed check of the next account; false when none was started.
    bool CheckNextAccount();
    // The next timed check starts with the account at `index`.
    void SetCheckIndex(std::int32_t index) { checkIndex_ = index; }
    // Checks every enabled account now, one after another; an account checked within
    // kRecheckPause is left out, and one already waiting or under way is not asked twice.
    void CheckAllNow();
    // The check of `account`, at `index` of the account list, as the program runs it.
    CheckRequest RequestFor(std::int32_t index, const AccountSettings& account) const;
    // The end of the program: interrupts the check under way (no check starts after it) and
    // waits for its worker at most `wait`; false when the worker is still running.
    bool StopChecks(std::chrono::milliseconds wait);

    // The last check of the account; none before the first.
    std::optional<LastCheck> LastCheckOf(const AccountSettings& account) const;
    const NewMailTally& NewMail() const { return tally_; }
    // The user has seen the new mail: the tally starts again.
    void Acknowledge();
    // Counts arrivals found outside a check of the engine's (and tells them as a check would).
    void RecordCheck(const AccountSettings& account, int change, int arrived,
                     const NamedNewMail& newMail = {},
                     const std::vector<FolderArrival>& folders = {});

Q_SIGNALS:
    // Every check that ran to its end, successful or not (the results panels follow it).
    void accountChecked(std::int32_t index, const AccountSettings& account);
    // The count of the account changed by `change`, or messages arrived; `count` the messages
    // now on the server.
    void mailChanged(const AccountSettings& account, int count, int change, int arrived);
    // The tally of new mail changed (0: acknowledged).
    void newMailChanged(int total);
    // A check ended in an error that escaped it (the file could not be written).
    void checkError(const std::string& message);

private:
    void OnCheckTimer();
    void RearmCheckTimer();
    void OnCheckFinished(const CheckOutcome& outcome);
    bool StartWantedCheck();
    bool StartRequestedCheck();
    bool MayCheck(const AccountSettings& account) const;
    bool StartCheck(std::int32_t index, const AccountSettings& account);
    void Record(const AccountSettings& account, int count, int change, int arrived,
                const NamedNewMail& newMail, const std::vector<FolderArrival>& folders);

    AppState& state_;
    CheckScheduler* scheduler_ = nullptr;
    PushWatchers* push_ = nullptr;
    QTimer* checkTimer_ = nullptr;
    CheckGate gate_;
    NewMailReaders readers_;
    std::int32_t checkIndex_ = 0;
    bool paused_ = true;
    std::string underWay_;                      // the section of the check under way
    std::vector<std::string> requested_;        // sections CheckAllNow still has to check
    std::map<std::string, LastCheck> results_;  // by account section
    NewMailTally tally_;
};
