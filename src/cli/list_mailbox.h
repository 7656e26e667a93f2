#pragma once
// tarnwick-check --list: the header listing of one mailbox on the command line.

#include <chrono>
#include <iosfwd>
#include <optional>
#include <string>
#include <vector>

#include "list/list_row.h"
#include "settings/accounts.h"

// What a command on one account works with: its parameters and whether TLS can be used.
struct AccountCommand {
    AccountSettings account;
    bool tlsAvailable = false;
};

// Loads the language table, the TLS library and the settings, and takes the account with that
// e-mail address (enabled or not): exactly as written, else ignoring case and the blanks around
// it. None, after writing the reason to `err`, when there is no such account.
std::optional<AccountCommand> PrepareAccountCommand(const std::string& email, std::ostream& err);

// One line per row: "*" or nothing, date, sender, subject, size and number, separated by tabs.
void PrintRows(const std::vector<MessageRow>& rows, std::ostream& out);

// How long a listing may take at most, from the connection on, whatever the server does.
inline constexpr std::chrono::minutes kListTimeLimit{10};

// Lists the mailbox of the account with that e-mail address (enabled or not) on `out`, newest
// message first, within kListTimeLimit, and ends the session with QUIT (or closes it when the
// server's replies got out of step); nothing is deleted. Loads the language table,
// the TLS library, the settings and the spam rules first. Returns 0, or 1 after writing the
// reason to `err` (no such account, the stored error of a failed session opening, or the error
// that ended the listing). With `folder` an IMAP account's folder of that name (decoded, as
// shown) is listed instead of its own; a POP3 account has none.
int ListMailbox(const std::string& email, std::ostream& out, std::ostream& err,
                const std::string& folder = {});
