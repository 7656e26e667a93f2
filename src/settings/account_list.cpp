#include "settings/account_list.h"

#include <algorithm>

namespace {

bool IsIndex(const std::vector<T_pop3item>& accounts, int index) {
    return index >= 0 && static_cast<std::size_t>(index) < accounts.size();
}

}  // namespace

std::size_t StoreEditedAccount(std::vector<T_pop3item>& accounts, int selected,
                               const T_pop3params& edited, const std::vector<bool>& ticked) {
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

bool RemoveAccount(std::vector<T_pop3item>& accounts, int selected) {
    if (!IsIndex(accounts, selected)) return false;
    accounts.erase(accounts.begin() + selected);
    return true;
}

AutorunChange AutorunChangeFor(bool wanted, bool current) {
    if (wanted == current) return AutorunChange::None;
    return wanted ? AutorunChange::Add : AutorunChange::Remove;
}
