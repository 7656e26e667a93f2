#include "cli/store_passwords.h"

#include <ostream>

#include "cli/commands.h"
#include "settings/password_store.h"
#include "settings/settings.h"
#include "settings/text_utils.h"

std::optional<PasswordStore> PasswordStoreNamed(const std::string& name) {
    if (name == "keyring") return PasswordStore::Keyring;
    if (name == "file") return PasswordStore::File;
    return std::nullopt;
}

int StorePasswords(PasswordStore target, Keyring& keyring, std::ostream& out) {
    SettingsValues settings;
    LoadSettings(settings);
    bool allMoved = true;
    for (AccountEntry& item : settings.accounts) {
        AccountSettings& account = item.params;
        const PasswordMove move = target == PasswordStore::Keyring
                                      ? MovePasswordToKeyring(account, keyring)
                                      : MovePasswordToFile(account, keyring);
        out << FieldText(account.email) << '\t';
        switch (move.outcome) {
            case MoveOutcome::Moved:
                out << "moved";
                if (!move.error.empty()) out << " (" << FieldText(move.error) << ')';
                break;
            case MoveOutcome::AlreadyThere:
                out << "already there";
                break;
            case MoveOutcome::Failed:
                out << FieldText(move.error);
                allMoved = false;
                break;
        }
        out << '\n';
        out.flush();
    }
    return allMoved ? kExitOk : kExitFailed;
}
