#include "cli/online_accounts_command.h"

#include <ostream>

#include "auth/online_accounts.h"
#include "cli/commands.h"
#include "settings/settings.h"
#include "settings/text_utils.h"

int ListOnlineAccountsCommand(std::ostream& out, std::ostream& err) {
    std::vector<OnlineAccount> accounts;
    try {
        accounts = ListOnlineAccounts();
    } catch (const std::exception& error) {
        err << "tarnwick-check: " << error.what() << '\n';
        return kExitFailed;
    }
    SettingsValues settings;
    LoadSettings(settings);
    for (const OnlineAccount& account : accounts) {
        out << FieldText(account.id) << '\t' << FieldText(account.email) << '\t'
            << FieldText(account.host) << ':' << account.port << '\t'
            << (OnlineAccountAdded(settings.accounts, account.id) ? "added" : "not added") << '\n';
    }
    return kExitOk;
}

int AddOnlineAccountCommand(const std::string& id, std::ostream& out, std::ostream& err) {
    OnlineAccount online;
    try {
        online = UsableOnlineAccount(id);
    } catch (const std::exception& error) {
        err << id << ": " << error.what() << '\n';
        return kExitFailed;
    }
    SettingsValues settings;
    LoadSettings(settings);
    if (OnlineAccountAdded(settings.accounts, online.id)) {
        out << FieldText(online.email) << "\talready added\n";
        return kExitOk;
    }
    settings.accounts.push_back(AccountEntry{true, OnlineAccountSettings(online), 0});
    SaveSettings(settings);
    out << FieldText(online.email) << "\tadded\n";
    return kExitOk;
}
