#pragma once
// Where an account's password lives (PASSWORD in its section, or the desktop keyring with
// PASSWORD_STORE=keyring) and moving it from one to the other. A move never loses the
// password: the old place is cleared only after the new one holds it and has given it back.

#include <optional>
#include <string>
#include <string_view>

#include "settings/accounts.h"
#include "settings/ini_file.h"
#include "settings/keyring.h"

// The store that the account's section names.
PasswordStore StoredPasswordStore(const IniFile& ini, std::string_view section);
// Writes the account's password keys. A file account: PASSWORD enciphered and no
// PASSWORD_STORE. A keyring account: PASSWORD_STORE=keyring and no PASSWORD, except that a
// PASSWORD the section holds is left alone (only a move takes a password out of the file). An
// OAuth2 account's refresh token already in the file is left alone too (it may be newer).
void WritePassword(IniFile& ini, std::string_view section, const AccountSettings& account);

// The password to log in with: the one in memory, or the keyring's, asked once. Throws
// TarnwickError for a keyring that cannot give it ("The desktop keyring is locked or
// unavailable." when it is locked or absent).
std::string LoginPassword(const AccountSettings& account, Keyring& keyring);

enum class MoveOutcome : std::uint8_t { Moved, AlreadyThere, Failed };
struct PasswordMove {
    MoveOutcome outcome = MoveOutcome::Failed;
    std::string error;  // Failed: why; Moved: a note about what was left behind, if anything
};

// Stores the account's password (from memory) in the keyring, reads it back, and only when
// it came back unchanged marks the section PASSWORD_STORE=keyring without PASSWORD. On success
// the account in memory is a keyring account without its password.
PasswordMove MovePasswordToKeyring(AccountSettings& account, Keyring& keyring);
// Reads the password from the keyring, writes it enciphered to the section without
// PASSWORD_STORE, reads the file back, and only then removes the keyring's item. On success the
// account in memory is a file account with its password.
PasswordMove MovePasswordToFile(AccountSettings& account, Keyring& keyring);

// Stores a new secret of the account (an OAuth2 refresh token) where the account keeps it:
// the keyring, or enciphered in its section. Returns why it failed, or "".
std::string StoreAccountSecret(AccountSettings& account, const std::string& secret,
                               Keyring& keyring);

// After a save that wrote `account`'s password into the file in place of `before` (none for a
// new account): moves it into the keyring when `toKeyring`, then removes the keyring item of
// `before` unless the account still uses it. The outcome is AlreadyThere when no move was asked.
PasswordMove SettleSavedPassword(AccountSettings& account,
                                 const std::optional<AccountSettings>& before, bool toKeyring,
                                 Keyring& keyring);
