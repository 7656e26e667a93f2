#include "check/check_cycle.h"

#include <algorithm>
#include <climits>
#include <cstdint>
#include <ctime>
#include <limits>

#include "check/account_status.h"
#include "check/server_folders.h"
#include "session/imap_session.h"
#include "session/pop3_session.h"
#include "settings/errors.h"
#include "settings/language.h"
#include "settings/settings.h"
#include "settings/text_utils.h"

namespace {

// Ends the session however the check leaves.
struct SessionEnd {
    std::unique_ptr<Pop3Client>& session;
    ~SessionEnd() { EndSession(session); }
};

// Tray hint, icon and LAST_INCOME for new mail or a changed count; true when the user is to
// be told.
bool JudgeChange(int change, bool arrived, RunState& runState, const std::string& section,
                 CheckNotifier& notifier) {
    if (arrived) {
        notifier.SetTrayHint(GetLangText("you_have_a_new_mail"));
        notifier.ShowNewMailIcon(std::max(change, 1));
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

// Whether mail arrived that the count does not show: the id of the last message (UIDL n after
// STAT) differs from the stored one while the count stayed the same. When the count fell, a
// changed last id is what deleting the newest message gives as well, so it tells nothing.
// LAST_UIDL is written only when the server gives an id; a refusal costs one "-ERR".
bool ArrivedByIdentity(Pop3Client& session, int current, int stored, RunState& runState,
                       const std::string& section) {
    if (!session.IsConnected() || current <= 0) return false;
    std::optional<std::string> uid;
    try {
        uid = session.MessageUid(current);
    } catch (const TarnwickError&) {
        return false;  // the count stands; the session ends anyway
    }
    if (!uid) return false;
    const std::string last = OpenSettings()->ReadString(section, "LAST_UIDL", "");
    if (*uid == last) return false;
    runState.Write(section, "LAST_UIDL", *uid);
    return !last.empty() && current == stored;
}

// Tells the change, stores the run state and says what the check found.
CheckResult Conclude(const AccountSettings& account, int change, bool arrived, RunState& runState,
                     bool alertDue, CheckNotifier& notifier,
                     std::optional<CertificateProblem> certificateFailure) {
    const bool tell = JudgeChange(change, arrived, runState, AccountSection(account), notifier);
    runState.Store();
    if (tell && alertDue) notifier.AlertCountChanged(account, change);
    return {change, arrived, std::move(certificateFailure), {}, {}};
}

// The headers of the new messages, the last `arrived` ones (one when the count did not rise),
// or none when the session fails meanwhile: the count is found already.
std::vector<NewMessageHeader> NewPop3Headers(Pop3Client& session, int arrived, int wanted) {
    try {
        return FetchNewPop3Headers(session, session.messageCount,
                                   std::min(std::max(arrived, 1), wanted));
    } catch (const Cancelled&) {
        throw;
    } catch (const std::exception&) {
        return {};
    }
}

// A folder of an account with FOLDERS=, as the list window shows it: its count and UIDNEXT
// (never lowered) in its run state, the account's COUNT the sum of the folders'. A folder
// the account does not watch changes nothing.
void StoreShownFolder(IniFile& ini, const std::string& section, const std::string& folder,
                      const ShownMailbox& shown) {
    std::vector<FolderRunState> folders = StoredFolderStates(ini, section);
    const auto found = std::find_if(folders.begin(), folders.end(),
                                    [&](const FolderRunState& f) { return f.name == folder; });
    if (found == folders.end()) return;
    found->count = shown.count;
    if (shown.highestUid > 0 && shown.highestUid < UINT32_MAX)
        found->uidNext = std::max(found->uidNext, shown.highestUid + 1);
    long long count = 0;
    for (const FolderRunState& each : folders) count += each.count;
    StoreFolderStates(ini, section, folders);
    ini.WriteInteger(section, "COUNT", static_cast<int>(std::min<long long>(count, INT_MAX)));
}

}  // namespace

CheckResult CheckAccount(const AccountSettings& account, const SessionOptions& options,
                         bool alertDue, CheckNotifier& notifier, int newHeaders) {
    const std::string section = AccountSection(account);
    notifier.SetTrayHint(GetLangText("check_email_last") + " " + account.email);
    SessionOptions limited = options;
    if (limited.timeLimit.count() <= 0) limited.timeLimit = kCheckTimeLimit;
    RunState runState;  // stored with one replacement of the settings file
    if (account.protocol == MailProtocol::Imap) {
        ImapCount counted = CountImapMessages(account, limited, runState, newHeaders);
        if (counted.counted)  // news, if any, takes the hint below
            notifier.SetTrayHint(GetLangText("check_email_last") + " " + account.email + " - " +
                                 UnreadText(counted.unseen));
        notifier.ClearAlertMessages();
        CheckResult result = Conclude(account, counted.change, counted.change > 0, runState,
                                      alertDue, notifier, std::move(counted.certificateFailure));
        result.newHeaders = std::move(counted.newHeaders);
        result.folders = std::move(counted.folders);
        return result;
    }
    std::unique_ptr<Pop3Client> session = OpenSession(account, limited, runState);
    const SessionEnd end{session};

    notifier.ClearAlertMessages();
    const int stored = OpenSettings()->ReadInteger(section, "COUNT", 0);
    int change = 0;
    bool arrived = false;
    if (session->IsConnected()) {
        const int current = session->messageCount;
        if (current != stored) {
            runState.Write(section, "COUNT", std::to_string(current));
            change = CountChange(current, stored);
        }
        arrived = ArrivedByIdentity(*session, current, stored, runState, section) || change > 0;
        RememberCapabilities(*session, runState, section);  // UIDL's answer may disagree
    }
    CheckResult result = Conclude(account, change, arrived, runState, alertDue, notifier,
                                  session->CertificateFailure());
    if (arrived && newHeaders > 0) result.newHeaders = NewPop3Headers(*session, change, newHeaders);
    return result;
}

int ArrivedMessages(const CheckResult& result) {
    if (result.change > 0) return result.change;
    return result.becomesPending ? 1 : 0;
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

void StoreShownMailbox(const AccountSettings& account, const ShownMailbox& shown) {
    const std::string section = AccountSection(account);
    RunState runState;
    if (WatchesFolders(account)) {
        runState.Edit(
            [&](IniFile& ini) { StoreShownFolder(ini, section, account.Folder(), shown); });
        runState.Store();
        return;
    }
    runState.Write(section, "COUNT", std::to_string(shown.count));
    if (account.protocol == MailProtocol::Imap) {
        if (shown.highestUid > 0 && shown.highestUid < UINT32_MAX &&
            shown.highestUid + 1 > StoredNumber(*OpenSettings(), section, "UIDNEXT"))
            runState.Write(section, "UIDNEXT", std::to_string(shown.highestUid + 1));
    } else if (!shown.lastUidl.empty()) {
        runState.Write(section, "LAST_UIDL", shown.lastUidl);
    }
    runState.Store();
}
