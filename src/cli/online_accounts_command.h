#pragma once
// tarnwick-check --online-accounts and --add-online-account ID: the mail accounts of GNOME
// Online Accounts, and adding one to the settings.

#include <iosfwd>
#include <string>

// One line per mail account of the service, the fields separated by tabs: its id, address,
// server ("host:port") and "added" or "not added". Returns 0, or 1 after writing why the
// service could not be asked to `err`.
int ListOnlineAccountsCommand(std::ostream& out, std::ostream& err);

// Adds the account with that id (enabled, IMAP, AUTH=goa). Returns 0 when it was added or was
// there already, 1 after writing the reason to `err`.
int AddOnlineAccountCommand(const std::string& id, std::ostream& out, std::ostream& err);
