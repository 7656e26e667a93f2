#pragma once
// Account passwords in the desktop keyring: the Secret Service on the session bus (GNOME
// Keyring, KWallet, KeePassXC), one item per account, labelled with its e-mail address and
// found by the account's section name. Nothing here ever asks the user to unlock anything: a
// locked keyring is an answer like any other, so that a check from cron or a timer never
// waits on a prompt, and every operation asks the keyring once.

#include <cstdint>
#include <string>
#include <string_view>

#include "settings/accounts.h"

enum class KeyringStatus : std::uint8_t {
    Ok,
    NotFound,     // the keyring holds no item for the account
    Locked,       // the item or the default collection is locked
    Unavailable,  // no session bus, no Secret Service on it, or no default collection
    Failed,       // the Secret Service answered with an error
};

struct KeyringAnswer {
    KeyringStatus status = KeyringStatus::Ok;
    std::string password;  // Read: the stored password
    std::string detail;    // what went wrong, in the words of the bus or the service

    bool Ok() const { return status == KeyringStatus::Ok; }
};

// The error of an account whose password the keyring could not give at check time.
inline constexpr const char* kKeyringUnavailableError =
    "The desktop keyring is locked or unavailable.";

class Keyring {
public:
    virtual ~Keyring() = default;
    // True when a Secret Service runs on the session bus now (it is never started for this).
    virtual bool Present() = 0;
    virtual KeyringAnswer Read(const AccountSettings& account) = 0;
    // Stores (or replaces) the account's item in the default collection.
    virtual KeyringAnswer Store(const AccountSettings& account, std::string_view password) = 0;
    // Removes the account's item; Ok when there was none.
    virtual KeyringAnswer Remove(const AccountSettings& account) = 0;
};

// The Secret Service of the session bus, through libsecret.
Keyring& DesktopKeyring();

// One sentence for a failed answer, with its detail in brackets.
std::string KeyringErrorText(const KeyringAnswer& answer);
