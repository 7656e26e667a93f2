#pragma once
// The setup window's edits of the account list, as plain decisions on the list.

#include <cstddef>
#include <vector>

#include "settings/accounts.h"

// Puts `edited` into the account at `selected`, or into a new account at the end when
// `selected` is no index of the list; then sets each account's enabled flag from `ticked`
// (the ticks of the list's rows, new row included). Returns the index of the saved account.
std::size_t StoreEditedAccount(std::vector<AccountEntry>& accounts, int selected,
                               const AccountSettings& edited, const std::vector<bool>& ticked);

// The place in `accounts` of another account (not at `except`) whose settings section (its server
// and user name) would be that of `params`: saving both would keep only one. -1 when there is none.
int AccountSharingSection(const std::vector<AccountEntry>& accounts, const AccountSettings& params,
                          int except);

// Removes the account at `selected`; false, with the list unchanged, when it is no index of it.
bool RemoveAccount(std::vector<AccountEntry>& accounts, int selected);

// What a save does to the desktop's autostart entry.
enum class AutorunChange { None, Add, Remove };
AutorunChange AutorunChangeFor(bool wanted, bool current);

// The setup window's choice of connection security, in the order it lists them.
enum class ConnectionSecurity { None = 0, StartTls = 1, Tls = 2 };
// What the account uses (TLS when a hand-edited section sets both).
ConnectionSecurity SecurityOf(const AccountSettings& account);
// Sets the account's ssl and startTls switches for `security`.
void SetSecurity(AccountSettings& account, ConnectionSecurity security);
// The port to show after the user chose a protocol or a security: the usual port of the two
// (POP3 110, or 995 with TLS; IMAP 143, or 993 with TLS) when `port` holds a usual port of any
// choice, else `port` unchanged (a port of the user's own).
int ProposedPort(MailProtocol protocol, ConnectionSecurity security, int port);
