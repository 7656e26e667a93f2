#include "cli/online_accounts_command.h"

#include <algorithm>
#include <ostream>

#include "auth/online_accounts.h"
#include "cli/commands.h"
#include "settings/settings.h"
#include "settings/text_utils.h"

namespace {

const AccountEntry* AddedFor(const SettingsValues& settings, const OnlineAccount& online) {
    const auto found = std::find_if(
        settings.accounts.begin(), settings.accounts.end(), [&online](const AccountEntry& entry) {
            return entry.params.FromOnlineAccounts() && entry.params.onlineAccount == online.id;
        });
    return found == settings.accounts.end() ? nullptr : &*found;
}

}  // namespace

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
            << (AddedFor(settings, account) != nullptr ? "added" : "not added") << '\n';
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
    if (AddedFor(settings, online) != nullptr) {
        out << FieldText(online.email) << "\talready added\n";
        return kExitOk;
    }
    settings.accounts.push_back(AccountEntry{true, OnlineAccountSettings(online), 0});
    SaveSettings(settings);
    out << FieldText(online.email) << "\tadded\n";
    return kExitOk;
}
