#pragma once
// What tarnwick-check found for one account, and the ways it prints it: a tab-separated line,
// a JSON object on one line, and the summary object that status bars read.

#include <ctime>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "check/notifier.h"
#include "session/session_options.h"
#include "settings/accounts.h"
#include "settings/watched_folders.h"

struct AccountReport {
    std::string email;
    bool enabled = true;
    bool ok = false;
    std::optional<int> count;  // COUNT after a successful check
    int change = 0;            // the change this check found
    std::string error;         // the stored error, the reason, or "disabled"; empty when ok
    std::time_t checked = 0;   // when the check ended; 0 for a disabled account
    // The latest non-zero change of the account (AccountEntry::lastChange after the check).
    int lastChange = 0;
    // An IMAP account with FOLDERS=: what the check found in each folder (none when it failed).
    bool watchesFolders = false;
    std::vector<FolderRunState> folders;
};

// Checks one enabled account and keeps its run state as the timed check does; a check whose
// run state cannot be kept fails with that reason. Updates item.lastChange.
AccountReport CheckReport(AccountEntry& item, const SessionOptions& session, bool alertDue,
                          CheckNotifier& notifier);
// The report of a disabled account: not checked, "disabled".
AccountReport DisabledReport(const AccountEntry& item);

// Address, count ("-" when the check failed), change, "OK" or the error, separated by tabs.
std::string TabLine(const AccountReport& report);
// {"email","count","change","ok","error","checked"} on one line; count and checked are null
// when there is none. An account with FOLDERS= adds "folders": [{"name","count","change",
// "unseen"}, ...].
std::string JsonLine(const AccountReport& report);

// The classes of the status bar summary.
enum class SummaryClass { None, New, Error };

// The summary of the enabled accounts' latest reports as status bars read it: "text" the
// total count, "tooltip" one line per account, "class" "new" when an account's latest change
// brought mail, else "error" when a check failed, else "none".
std::string WaybarLine(const std::vector<AccountReport>& reports);
SummaryClass SummaryOf(const std::vector<AccountReport>& reports);

// The text as a JSON string with its quotes: control characters escaped, bytes that are not
// UTF-8 replaced by U+FFFD.
std::string JsonString(std::string_view text);
// Local time in ISO 8601 with the offset, "2026-12-07T16:05:09+01:00".
std::string IsoTime(std::time_t when);
