#pragma once
// The check of one account: compare the server's message count, and the id of its last
// message, with the stored ones, keep the run state (COUNT, LAST_INCOME, LAST_UIDL; the session
// writes LAST_RESULT, LAST_CHECK, LAST_ERROR) and tell the user interface through the notifier.

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>

#include "check/notifier.h"
#include "session/new_headers.h"
#include "session/session_options.h"
#include "settings/accounts.h"
#include "settings/watched_folders.h"

// What one check found.
struct CheckResult {
    int change = 0;  // the change of the count (0 when the session failed or none)
    // New mail (a higher count, or a new last message at the same count): the list window
    // opens this account next.
    bool becomesPending = false;
    // The server's certificate failed verification (the user may trust it).
    std::optional<CertificateProblem> certificateFailure;
    // New mail with headers wanted: those of the newest new messages, newest first; none when
    // fetching them failed.
    std::vector<NewMessageHeader> newHeaders;
    // An IMAP account that watches several folders (FOLDERS=): what the check found in each,
    // as stored in its run state; empty for every other account.
    std::vector<FolderRunState> folders;
};

// The new messages a check found: the rise of the count, or at least one when a new last
// message came while the count stayed the same.
int ArrivedMessages(const CheckResult& result);

// How long the check of one account may take at most, whatever the server does.
inline constexpr std::chrono::minutes kCheckTimeLimit{5};

// Checks one account within the session options' time limit, kCheckTimeLimit when they have
// none. With `alertDue` (the alert-and-sound switch) new mail or a changed count is also told
// through AlertCountChanged, with the signed change of the count. An interrupt of the session
// passes through as Cancelled. With `newHeaders` above 0 a check that found new mail brings
// along the headers of that many of the new messages at most (kNewHeaderLimit); a failure to
// fetch them leaves them out and changes nothing else.
CheckResult CheckAccount(const AccountSettings& account, const SessionOptions& session,
                         bool alertDue, CheckNotifier& notifier, int newHeaders = 0);

// LAST_RESULT of the account (true when absent).
bool LastCheckSucceeded(const AccountSettings& account);
// "last_result" text, a blank, then LAST_CHECK + " OK" or LAST_ERROR as stored.
std::string LastResultText(const AccountSettings& account);
// Writes COUNT; returns true.
bool StoreCount(const AccountSettings& account, int count);

// The mailbox as the list window shows it after deletions.
struct ShownMailbox {
    int count = 0;
    std::string lastUidl;          // the id of the message with the highest number ("": none)
    std::uint32_t highestUid = 0;  // the highest IMAP UID shown (0: none)
};
// Writes COUNT and what marks the newest message the user has seen, so that the next check
// does not announce it again: LAST_UIDL on POP3, UIDNEXT past the highest UID shown on IMAP
// (never lowered). One replacement of the settings file. An account with FOLDERS= keeps these
// for the folder it lists (FOLDER=, else INBOX) in that folder's run state instead, its COUNT
// the sum of the folders'.
void StoreShownMailbox(const AccountSettings& account, const ShownMailbox& shown);

// A notifier that tells nobody: for checks without a user interface.
class NoCheckNotifier final : public CheckNotifier {
public:
    void SetTrayHint(const std::string&) override {}
    void ShowNewMailIcon(int) override {}
    void ClearAlertMessages() override {}
    void AlertCountChanged(const AccountSettings&, int) override {}
};
