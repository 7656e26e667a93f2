#include "check/check_cycle.h"

#include <algorithm>
#include <cstdint>
#include <ctime>
#include <limits>

#include "check/imap_session.h"
#include "check/session.h"
#include "settings/language.h"
#include "settings/settings.h"
#include "settings/text_utils.h"

namespace {

// Ends the session however the check leaves.
struct SessionEnd {
    std::unique_ptr<Pop3Client>& session;
    ~SessionEnd() { EndSession(session); }
};

// Tray hint, icon and LAST_INCOME for a changed count; true when the user is to be told.
bool JudgeChange(int change, RunState& runState, const std::string& section,
                 CheckNotifier& notifier) {
    if (change > 0) {
        notifier.SetTrayHint(GetLangText("you_have_a_new_mail"));
        notifier.ShowNewMailIcon(change);
        runState.Write(section, "LAST_INCOME", DateTimeText(std::time(nullptr)));
        return true;
    }
    if (change < 0) {
        notifier.SetTrayHint(GetLangText("message_count_was_changed"));
        return true;
    }
    return false;
}

// current - stored, held to the int range: a broken COUNT or a hostile server's count must not
// overflow.
int CountChange(int current, int stored) {
    const std::int64_t change = std::int64_t{current} - stored;
    return static_cast<int>(std::clamp<std::int64_t>(change, std::numeric_limits<int>::min(),
                                                     std::numeric_limits<int>::max()));
}

// Tells the change, stores the run state and says what the check found.
CheckResult Conclude(const AccountSettings& account, int change, RunState& runState, bool alertDue,
                     CheckNotifier& notifier,
                     std::optional<CertificateProblem> certificateFailure) {
    const bool tell = JudgeChange(change, runState, AccountSection(account), notifier);
    runState.Store();
    if (tell && alertDue) notifier.AlertCountChanged(account, change);
    return {change, change > 0, std::move(certificateFailure)};
}

}  // namespace

CheckResult CheckAccount(const AccountSettings& account, const SessionOptions& options,
                         bool alertDue, CheckNotifier& notifier) {
    const std::string section = AccountSection(account);
    notifier.SetTrayHint(GetLangText("check_email_last") + " " + account.email);
    SessionOptions limited = options;
    if (limited.timeLimit.count() <= 0) limited.timeLimit = kCheckTimeLimit;
    RunState runState;  // stored with one replacement of the settings file
    if (account.protocol == MailProtocol::Imap) {
        ImapCount counted = CountImapMessages(account, limited, runState);
        notifier.ClearAlertMessages();
        return Conclude(account, counted.change, runState, alertDue, notifier,
                        std::move(counted.certificateFailure));
    }
    std::unique_ptr<Pop3Client> session = OpenSession(account, limited, runState);
    const SessionEnd end{session};

    notifier.ClearAlertMessages();
    const int stored = OpenSettings()->ReadInteger(section, "COUNT", 0);
    int change = 0;
    if (session->IsConnected()) {
        const int current = session->messageCount;
        if (current != stored) {
            runState.Write(section, "COUNT", std::to_string(current));
            change = CountChange(current, stored);
        }
    }
    return Conclude(account, change, runState, alertDue, notifier, session->CertificateFailure());
}

bool LastCheckSucceeded(const AccountSettings& account) {
    return OpenSettings()->ReadBool(AccountSection(account), "LAST_RESULT", true);
}

std::string LastResultText(const AccountSettings& account) {
    const std::string section = AccountSection(account);
    const auto settings = OpenSettings();
    const std::string result = settings->ReadBool(section, "LAST_RESULT", true)
                                   ? settings->ReadString(section, "LAST_CHECK", "") + " OK"
                                   : settings->ReadString(section, "LAST_ERROR", "");
    return GetLangText("last_result") + " " + result;
}

bool StoreCount(const AccountSettings& account, int count) {
    OpenSettings()->WriteInteger(AccountSection(account), "COUNT", count);
    return true;
}
