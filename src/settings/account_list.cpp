#include "settings/account_list.h"

#include <algorithm>

namespace {

constexpr int kPlainPort = 110;
constexpr int kTlsPort = 995;

bool IsIndex(const std::vector<AccountEntry>& accounts, int index) {
    return index >= 0 && static_cast<std::size_t>(index) < accounts.size();
}

}  // namespace

std::size_t StoreEditedAccount(std::vector<AccountEntry>& accounts, int selected,
                               const AccountSettings& edited, const std::vector<bool>& ticked) {
    std::size_t index = static_cast<std::size_t>(selected);
    if (!IsIndex(accounts, selected)) {
        accounts.emplace_back();
        index = accounts.size() - 1;
    }
    accounts[index].params = edited;
    const std::size_t rows = std::min(ticked.size(), accounts.size());
    for (std::size_t row = 0; row < rows; ++row) accounts[row].enabled = ticked[row];
    return index;
}

bool RemoveAccount(std::vector<AccountEntry>& accounts, int selected) {
    if (!IsIndex(accounts, selected)) return false;
    accounts.erase(accounts.begin() + selected);
    return true;
}

AutorunChange AutorunChangeFor(bool wanted, bool current) {
    if (wanted == current) return AutorunChange::None;
    return wanted ? AutorunChange::Add : AutorunChange::Remove;
}

ConnectionSecurity SecurityOf(const AccountSettings& account) {
    if (account.ssl) return ConnectionSecurity::Tls;
    return account.startTls ? ConnectionSecurity::StartTls : ConnectionSecurity::None;
}

void SetSecurity(AccountSettings& account, ConnectionSecurity security) {
    account.ssl = security == ConnectionSecurity::Tls;
    account.startTls = security == ConnectionSecurity::StartTls;
}

int ProposedPort(ConnectionSecurity security, int port) {
    const int usual = security == ConnectionSecurity::Tls ? kTlsPort : kPlainPort;
    const bool otherDefault = port == kPlainPort || port == kTlsPort;
    return otherDefault ? usual : port;
}
