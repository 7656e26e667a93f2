#pragma once
// The header listing of a mailbox: one list row per message, newest message first, each from
// its own header and size request; and the command-line view of it.

#include <functional>
#include <iosfwd>
#include <memory>
#include <string>
#include <vector>

#include "list/list_row.h"

class T_POP3;

// The entry of message `number`: its header (TOP n 0), number and size (LIST n).
std::unique_ptr<T_mail_entry> FetchEntry(T_POP3& session, int number);

// Called after each message with the number of messages done and the count; false stops the
// listing (the rows made so far are kept).
using ListingProgress = std::function<bool(int done, int count)>;

// Counts the messages, then makes the row of every message from the count down to 1, its spam
// verdict included. Errors of the session reach the caller.
std::vector<T_list_row> ListHeaders(T_POP3& session, const std::string& accountEmail,
                                    const ListingProgress& progress = {});

// One line per row: "*" or nothing, date, sender, subject, size and number, separated by tabs.
void PrintRows(const std::vector<T_list_row>& rows, std::ostream& out);

// Lists the mailbox of the account with that e-mail address (enabled or not) on `out`, newest
// message first, and ends the session with QUIT; nothing is deleted. Loads the language table,
// the TLS library, the settings and the spam rules first. Returns 0, or 1 after writing the
// reason to `err` (no such account, the stored error of a failed session opening, or the error
// that ended the listing).
int ListMailbox(const std::string& email, std::ostream& out, std::ostream& err);
