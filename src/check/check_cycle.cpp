#include "check/check_cycle.h"

#include <algorithm>
#include <climits>
#include <cstdint>
#include <ctime>
#include <limits>

#include "check/account_status.h"
#include "check/server_folders.h"
#include "session/imap_session.h"
#include "session/session_factory.h"
#include "settings/errors.h"
#include "settings/language.h"
#include "settings/run_state_keys.h"
#include "settings/settings.h"
#include "settings/text_utils.h"

namespace {

// Tray hint, icon and LAST_INCOME for new mail or a changed count; true when the user is to
// be told.
bool JudgeChange(int change, bool arrived, RunState& runState, const std::string& section,
                 CheckNotifier& notifier) {
    if (arrived) {
        notifier.SetTrayHint(GetLangText("you_have_a_new_mail"));
        notifier.ShowNewMailIcon(std::max(change, 1));
        runState.Write(section, run_state::kLastIncome, DateTimeText(std::time(nullptr)));
        return true;
    }
    if (change < 0) {
        notifier.SetTrayHint(GetLangText("message_count_was_changed"));
        return true;
    }
    return false;
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
    ini.WriteInteger(section, run_state::kCount,
                     static_cast<int>(std::min<long long>(count, INT_MAX)));
}

// After the count: the tray hint names the unread messages where the protocol says them (news,
// if any, takes the hint later), and the alert's lines of before go.
void TellCounted(CheckNotifier& notifier, const AccountSettings& account,
                 std::optional<std::uint32_t> unseen) {
    if (unseen)
        notifier.SetTrayHint(GetLangText("check_email_last") + " " + account.email + " - " +
                             UnreadText(*unseen));
    notifier.ClearAlertMessages();
}

}  // namespace

CheckResult CheckAccount(const AccountSettings& account, const SessionOptions& options,
                         bool alertDue, CheckNotifier& notifier, int newHeaders) {
    const std::string section = AccountSection(account);
    notifier.SetTrayHint(GetLangText("check_email_last") + " " + account.email);
    SessionOptions limited = options;
    if (limited.timeLimit.count() <= 0) limited.timeLimit = kCheckTimeLimit;
    RunState runState;  // stored with one replacement of the settings file
    if (WatchesFolders(account)) {
        ImapCount counted = CountImapFolders(account, limited, runState, newHeaders);
        TellCounted(notifier, account,
                    counted.counted ? std::optional(counted.unseen) : std::nullopt);
        CheckResult result = Conclude(account, counted.change, counted.change > 0, runState,
                                      alertDue, notifier, std::move(counted.certificateFailure));
        result.newHeaders = std::move(counted.newHeaders);
        result.folders = std::move(counted.folders);
        return result;
    }
    const std::unique_ptr<MailSession> session = OpenCheckSession(account, limited, runState);

    const MailboxNews news = session->CheckMailbox(*OpenSettings(), section, runState);
    TellCounted(notifier, account, news.unseen);
    CheckResult result = Conclude(account, news.change, news.arrived, runState, alertDue, notifier,
                                  session->CertificateFailure());
    if (news.arrived && newHeaders > 0) result.newHeaders = session->NewHeaders(news, newHeaders);
    return result;
}

int ArrivedMessages(const CheckResult& result) {
    if (result.change > 0) return result.change;
    return result.becomesPending ? 1 : 0;
}

bool LastCheckSucceeded(const AccountSettings& account) {
    return OpenSettings()->ReadBool(AccountSection(account), run_state::kLastResult, true);
}

std::string LastResultText(const AccountSettings& account) {
    const std::string section = AccountSection(account);
    const auto settings = OpenSettings();
    const std::string result =
        settings->ReadBool(section, run_state::kLastResult, true)
            ? settings->ReadString(section, run_state::kLastCheck, "") + " OK"
            : settings->ReadString(section, run_state::kLastError, "");
    return GetLangText("last_result") + " " + result;
}

bool StoreCount(const AccountSettings& account, int count) {
    OpenSettings()->WriteInteger(AccountSection(account), run_state::kCount, count);
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
    runState.Write(section, run_state::kCount, std::to_string(shown.count));
    if (account.protocol == MailProtocol::Imap) {
        if (shown.highestUid > 0 && shown.highestUid < UINT32_MAX &&
            shown.highestUid + 1 > StoredNumber(*OpenSettings(), section, run_state::kUidNext))
            runState.Write(section, run_state::kUidNext, std::to_string(shown.highestUid + 1));
    } else if (!shown.lastUidl.empty()) {
        runState.Write(section, run_state::kLastUidl, shown.lastUidl);
    }
    runState.Store();
}
