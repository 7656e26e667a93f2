#include "settings/password_store.h"

#include "settings/cipher.h"
#include "settings/errors.h"
#include "settings/settings.h"
#include "settings/text_utils.h"

namespace {

constexpr std::string_view kPasswordStore = "PASSWORD_STORE";
constexpr std::string_view kKeyringValue = "keyring";

PasswordMove Failure(std::string error) {
    return {MoveOutcome::Failed, std::move(error)};
}

void MarkInKeyring(IniFile& ini, std::string_view section, std::string_view key) {
    ini.WriteString(section, kPasswordStore, kKeyringValue);
    ini.EraseKey(section, key);
}

void MarkInFile(IniFile& ini, std::string_view section, std::string_view key,
                const std::string& password) {
    ini.WriteString(section, key, EncipherText(password));
    ini.EraseKey(section, kPasswordStore);
}

// Applies `change` to the account's section in one replacement of the settings file.
template <typename Change>
std::string ChangeSection(const AccountSettings& account, Change change) {
    try {
        const auto ini = OpenSettings();
        ini->BeginBatch();
        change(*ini, AccountSection(account));
        ini->CommitBatch();
    } catch (const TarnwickError& error) {
        return error.what();
    }
    return {};
}

}  // namespace

PasswordStore StoredPasswordStore(const IniFile& ini, std::string_view section) {
    return SameTextAscii(ini.ReadString(section, kPasswordStore, ""), kKeyringValue)
               ? PasswordStore::Keyring
               : PasswordStore::File;
}

void WritePassword(IniFile& ini, std::string_view section, const AccountSettings& account) {
    // One secret per account: a switch between the password and OAuth2 drops the other one.
    const std::string_view otherKey = account.UsesOAuth() ? "PASSWORD" : "OAUTH_REFRESH";
    if (!ini.ReadString(section, otherKey, "").empty()) ini.EraseKey(section, otherKey);
    if (account.passwordStore == PasswordStore::File) {
        // A refresh token in the file is newer than any copy in memory: sign-ins and the
        // provider's renewals write it themselves.
        if (account.UsesOAuth() && StoredPasswordStore(ini, section) == PasswordStore::File &&
            !ini.ReadString(section, account.SecretKey(), "").empty())
            return;
        MarkInFile(ini, section, account.SecretKey(), account.password);
        return;
    }
    if (StoredPasswordStore(ini, section) == PasswordStore::Keyring ||
        ini.ReadString(section, account.SecretKey(), "").empty())
        MarkInKeyring(ini, section, account.SecretKey());
}

std::string LoginPassword(const AccountSettings& account, Keyring& keyring) {
    if (account.passwordStore == PasswordStore::File) return account.password;
    KeyringAnswer answer = keyring.Read(account);
    switch (answer.status) {
        case KeyringStatus::Ok:
            return std::move(answer.password);
        case KeyringStatus::Locked:
        case KeyringStatus::Unavailable:
            throw TarnwickError(kKeyringUnavailableError);
        case KeyringStatus::NotFound:
        case KeyringStatus::Failed:
            break;
    }
    throw TarnwickError(KeyringErrorText(answer));
}

PasswordMove MovePasswordToKeyring(AccountSettings& account, Keyring& keyring) {
    if (account.passwordStore == PasswordStore::Keyring) return {MoveOutcome::AlreadyThere, {}};
    const KeyringAnswer stored = keyring.Store(account, account.password);
    if (!stored.Ok()) return Failure(KeyringErrorText(stored));
    const KeyringAnswer back = keyring.Read(account);
    if (!back.Ok()) return Failure(KeyringErrorText(back));
    if (back.password != account.password)
        return Failure("The desktop keyring gave back another password than it was given.");
    const std::string error =
        ChangeSection(account, [&account](IniFile& ini, const std::string& section) {
            MarkInKeyring(ini, section, account.SecretKey());
        });
    if (!error.empty()) return Failure(error);
    account.passwordStore = PasswordStore::Keyring;
    account.password.clear();
    return {MoveOutcome::Moved, {}};
}

PasswordMove MovePasswordToFile(AccountSettings& account, Keyring& keyring) {
    if (account.passwordStore == PasswordStore::File) return {MoveOutcome::AlreadyThere, {}};
    const KeyringAnswer answer = keyring.Read(account);
    if (!answer.Ok()) return Failure(KeyringErrorText(answer));
    const std::string& password = answer.password;
    const std::string error =
        ChangeSection(account, [&account, &password](IniFile& ini, const std::string& section) {
            MarkInFile(ini, section, account.SecretKey(), password);
        });
    if (!error.empty()) return Failure(error);
    const auto ini = OpenSettings();
    const std::string section = AccountSection(account);
    if (StoredPasswordStore(*ini, section) != PasswordStore::File ||
        DecipherText(ini->ReadString(section, account.SecretKey(), "")) != password)
        return Failure("The settings file did not keep the password; the keyring still holds it.");
    account.passwordStore = PasswordStore::File;
    account.password = password;
    const KeyringAnswer removed = keyring.Remove(account);
    if (!removed.Ok())
        return {MoveOutcome::Moved, "The keyring's copy stays: " + KeyringErrorText(removed)};
    return {MoveOutcome::Moved, {}};
}

std::string StoreAccountSecret(AccountSettings& account, const std::string& secret,
                               Keyring& keyring) {
    if (account.passwordStore == PasswordStore::Keyring) {
        const KeyringAnswer stored = keyring.Store(account, secret);
        return stored.Ok() ? std::string() : KeyringErrorText(stored);
    }
    std::string error =
        ChangeSection(account, [&account, &secret](IniFile& ini, const std::string& section) {
            MarkInFile(ini, section, account.SecretKey(), secret);
        });
    if (error.empty()) account.password = secret;
    return error;
}

PasswordMove SettleSavedPassword(AccountSettings& account,
                                 const std::optional<AccountSettings>& before, bool toKeyring,
                                 Keyring& keyring) {
    PasswordMove move{MoveOutcome::AlreadyThere, {}};
    if (toKeyring) move = MovePasswordToKeyring(account, keyring);
    if (!before || before->passwordStore != PasswordStore::Keyring) return move;
    const bool itemStillUsed = account.passwordStore == PasswordStore::Keyring &&
                               AccountSection(account) == AccountSection(*before);
    if (!itemStillUsed) keyring.Remove(*before);
    return move;
}
