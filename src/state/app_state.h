#pragma once
// The program-wide values the user interface keeps in memory, all in one place, and the calls
// that hand them to the core. The user interface thread is the only one that touches them;
// the core (src/settings, src/check, src/spam, src/list) never includes this header and takes
// what it needs as arguments.

#include <QObject>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "check/certificate_trust.h"
#include "session/session_options.h"
#include "settings/accounts.h"
#include "spam/spam_types.h"

// The program-wide state: the account list, the general switches and the spam filter. One
// object owns it; the windows receive it and follow its change signals instead of looking
// again. A change made through the calls below (LoadSettings, SaveSettings, LoadFilter,
// SaveFilter, AddSpamRule) is announced; a window that changes a value in place announces it
// with the matching Notify call.
class AppState : public QObject {
    Q_OBJECT
public:
    // The account list, in the order of the account sections of the settings file.
    std::vector<AccountEntry> accounts;

    // General switches (section GENERAL).
    bool autorun = false;
    bool playWave = false;
    bool showAdvert = true;
    // New mail shows a desktop notification instead of the alert window (NOTIFICATION=desktop).
    bool desktopNotification = false;

    // Spam filter: the rules in the order they are tested, and the general criteria.
    SpamRules spamRules;
    SpamCriteria spamCriteria;

    // E-mail address of the account that the list window opens next.
    std::string pendingAccount;

    // Why the command on new mail failed last, by e-mail address (shown in the results panel).
    std::map<std::string, std::string> commandFailures;

    // Whether the TLS library could be loaded when the program started.
    bool tlsAvailable = false;

    // The command line held at least one parameter (an autorun start passes one).
    bool startedWithParameters = false;

    // A copy of the rules and criteria as they are now, for a session on another thread.
    std::shared_ptr<const FilterSnapshot> Filter() const {
        return std::make_shared<const FilterSnapshot>(CopyFilter(spamRules, spamCriteria));
    }

    // The settings file's switches and account list into and out of the values above.
    bool LoadSettings();
    bool SaveSettings();
    // The spam rules and criteria from and into the settings file; AddSpamRule adds to them.
    bool LoadFilter();
    bool SaveFilter();
    std::int32_t AddSpamRule(RuleKind kind, std::string_view text);
    // What every session of the program is opened with: tlsAvailable.
    SessionOptions SessionOptionsNow() const;
    // Puts every value back to its start value (the data module's start and end).
    void Reset();

    // A certificate question from a session, asked when the program is next idle (a later one
    // takes the place of one not yet asked).
    void SetTrustQuestion(TrustRequest request) {
        trustQuestion_ = std::move(request);
        Q_EMIT trustQuestionWaiting();
    }
    bool TrustQuestionWaits() const { return trustQuestion_.has_value(); }
    // The waiting question, now no longer waiting; none when none waits.
    std::optional<TrustRequest> TakeTrustQuestion();

    void NotifyAccountsChanged() { Q_EMIT accountsChanged(); }
    void NotifyRulesChanged() { Q_EMIT rulesChanged(); }
    void NotifyCertificateTrusted(const std::string& email) {
        Q_EMIT certificateTrusted(QString::fromStdString(email));
    }

Q_SIGNALS:
    void accountsChanged();
    void rulesChanged();
    // The user trusted the certificate that the account with that address failed on.
    void certificateTrusted(const QString& email);
    // A certificate question waits (SetTrustQuestion).
    void trustQuestionWaiting();

private:
    std::optional<TrustRequest> trustQuestion_;
};

// The program's state object.
AppState& ProgramState();
