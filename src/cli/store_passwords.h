#pragma once
// tarnwick-check --store-passwords keyring|file: every account's password moved into the
// desktop keyring or back into the settings file (enciphered).

#include <iosfwd>
#include <optional>
#include <string>

#include "settings/accounts.h"

class Keyring;

// "keyring" or "file"; none for anything else.
std::optional<PasswordStore> PasswordStoreNamed(const std::string& name);

// Moves the password of every account (enabled or not) to `target`, each account on its own:
// an account whose move fails keeps its password where it was. Prints one line per account:
// address, a tab, and "moved", "already there" or the reason it was not moved. Returns 0, or 1
// when any move failed.
int StorePasswords(PasswordStore target, Keyring& keyring, std::ostream& out);
