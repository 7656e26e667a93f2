#include "settings/account_list.h"

#include <algorithm>

#include "settings/settings.h"

namespace {

// The usual ports: POP3 110 and 995, IMAP 143 and 993 (plain or STARTTLS, and TLS).
constexpr int kUsualPorts[2][2] = {{110, 995}, {143, 993}};

int UsualPort(MailProtocol protocol, ConnectionSecurity security) {
    return kUsualPorts[protocol == MailProtocol::Imap][security == ConnectionSecurity::Tls];
}

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

int ProposedPort(MailProtocol protocol, ConnectionSecurity security, int port) {
    for (const auto& ports : kUsualPorts) {
        if (std::find(std::begin(ports), std::end(ports), port) != std::end(ports))
            return UsualPort(protocol, security);
    }
    return port;
}

int AccountSharingSection(const std::vector<AccountEntry>& accounts, const AccountSettings& params,
                          int except) {
    const std::string section = AccountSection(params);
    for (std::size_t i = 0; i < accounts.size(); ++i)
        if (static_cast<int>(i) != except && AccountSection(accounts[i].params) == section)
            return static_cast<int>(i);
    return -1;
}
