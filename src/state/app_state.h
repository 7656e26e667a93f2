#pragma once
// The program-wide values the user interface keeps in memory, all in one place, and the calls
// that hand them to the core. The user interface thread is the only one that touches them;
// the core (src/settings, src/check, src/spam, src/list) never includes this header and takes
// what it needs as arguments.

#include <QObject>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "check/certificate_trust.h"
#include "session/session_options.h"
#include "settings/accounts.h"
#include "spam/spam_types.h"

// The program-wide state: the account list, the general switches and the spam filter. One
// object owns it; the windows receive it and follow its change signals instead of looking
// again. Every change goes through the calls below, and a change that others follow
// (accountsChanged, rulesChanged) is announced by the call that makes it.
class AppState : public QObject {
    Q_OBJECT
public:
    // The account list, in the order of the account sections of the settings file.
    const std::vector<AccountEntry>& Accounts() const { return accounts_; }
    void SetAccounts(std::vector<AccountEntry> accounts);
    void SetAccount(std::size_t index, AccountEntry entry);
    // The change of the account's message count at its last check (shown until the user looks
    // at the results). Run state, not the list: announced by the engine's signals, not here.
    void SetLastChange(std::size_t index, std::int32_t change);
    void ClearLastChanges();

    // General switches (section GENERAL). DesktopNotification: new mail shows a desktop
    // notification instead of the alert window (NOTIFICATION=desktop).
    bool Autorun() const { return autorun_; }
    bool PlayWave() const { return playWave_; }
    bool ShowAdvert() const { return showAdvert_; }
    bool DesktopNotification() const { return desktopNotification_; }
    void SetAutorun(bool on) { autorun_ = on; }
    void SetPlayWave(bool on) { playWave_ = on; }
    void SetShowAdvert(bool on) { showAdvert_ = on; }
    void SetDesktopNotification(bool on) { desktopNotification_ = on; }

    // Spam filter: the rules in the order they are tested, and the general criteria. A rule is
    // named by its id; the calls that change them announce rulesChanged.
    const SpamRules& Rules() const { return spamRules_; }
    const SpamCriteria& Criteria() const { return spamCriteria_; }
    std::uint64_t AddRule(const SpamRule& rule);
    void SetRule(std::uint64_t id, const SpamRule& rule);
    void RemoveRule(std::uint64_t id);
    void SetCriteria(const SpamCriteria& criteria);

    // E-mail address of the account that the list window opens next.
    const std::string& PendingAccount() const { return pendingAccount_; }
    void SetPendingAccount(std::string email) { pendingAccount_ = std::move(email); }

    // Why the command on new mail failed last for the account with that address (shown in the
    // results panel); empty when it did not fail. ClearCommandFailure says whether one was set.
    std::string CommandFailure(const std::string& email) const;
    void SetCommandFailure(const std::string& email, std::string why);
    bool ClearCommandFailure(const std::string& email);

    // Push is not used for the account with that address: its server tells nothing during IDLE
    // (the results panel says so).
    bool PushUnused(const std::string& email) const { return pushUnused_.count(email) > 0; }
    void SetPushUnused(const std::string& email) { pushUnused_.insert(email); }

    // Whether the TLS library could be loaded when the program started.
    bool TlsAvailable() const { return tlsAvailable_; }
    void SetTlsAvailable(bool available) { tlsAvailable_ = available; }

    // The command line held at least one parameter (an autorun start passes one).
    bool StartedWithParameters() const { return startedWithParameters_; }
    void SetStartedWithParameters(bool started) { startedWithParameters_ = started; }

    // A copy of the rules and criteria as they are now, for a session on another thread.
    std::shared_ptr<const FilterSnapshot> Filter() const {
        return std::make_shared<const FilterSnapshot>(CopyFilter(spamRules_, spamCriteria_));
    }

    // The settings file's switches and account list into the values above. SaveAccounts takes
    // the account list, writes it with the switches to the settings file, and then announces it.
    bool LoadSettings();
    bool SaveAccounts(std::vector<AccountEntry> accounts);
    // The spam rules and criteria from and into the settings file; AddSpamRule adds to them
    // and stores them.
    bool LoadFilter();
    bool SaveFilter() const;
    std::int32_t AddSpamRule(RuleKind kind, std::string_view text);
    // What every session of the program is opened with: TlsAvailable.
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
    // Announces that the user trusted the certificate the account with that address failed on.
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
    bool SaveSettings() const;

    std::vector<AccountEntry> accounts_;
    bool autorun_ = false;
    bool playWave_ = false;
    bool showAdvert_ = true;
    bool desktopNotification_ = false;
    SpamRules spamRules_;
    SpamCriteria spamCriteria_;
    std::string pendingAccount_;
    std::map<std::string, std::string> commandFailures_;  // by e-mail address
    std::set<std::string> pushUnused_;                    // e-mail addresses
    bool tlsAvailable_ = false;
    bool startedWithParameters_ = false;
    std::optional<TrustRequest> trustQuestion_;
};

// The program's state object.
AppState& ProgramState();
