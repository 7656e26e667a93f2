#include "state/app_state.h"

#include <algorithm>

#include "settings/settings.h"
#include "spam/spam_filter.h"

AppState& ProgramState() {
    static AppState* const state = new AppState;  // lives as long as the process
    return *state;
}

void AppState::SetAccounts(std::vector<AccountEntry> accounts) {
    accounts_ = std::move(accounts);
    Q_EMIT accountsChanged();
}

void AppState::SetAccount(std::size_t index, AccountEntry entry) {
    accounts_.at(index) = std::move(entry);
    Q_EMIT accountsChanged();
}

void AppState::SetLastChange(std::size_t index, std::int32_t change) {
    accounts_.at(index).lastChange = change;
}

void AppState::ClearLastChanges() {
    for (AccountEntry& item : accounts_) item.lastChange = 0;
}

std::uint64_t AppState::AddRule(const SpamRule& rule) {
    spamRules_.push_back(std::make_unique<SpamRuleEntry>());
    spamRules_.back()->filter = rule;
    Q_EMIT rulesChanged();
    return spamRules_.back()->Id();
}

void AppState::SetRule(std::uint64_t id, const SpamRule& rule) {
    if (SpamRuleEntry* entry = FindRule(spamRules_, id)) {
        entry->filter = rule;
        Q_EMIT rulesChanged();
    }
}

void AppState::RemoveRule(std::uint64_t id) {
    const auto found = std::find_if(spamRules_.begin(), spamRules_.end(),
                                    [id](const auto& each) { return each->Id() == id; });
    if (found == spamRules_.end()) return;
    spamRules_.erase(found);
    Q_EMIT rulesChanged();
}

void AppState::SetCriteria(const SpamCriteria& criteria) {
    spamCriteria_ = criteria;
    Q_EMIT rulesChanged();
}

std::string AppState::CommandFailure(const std::string& email) const {
    const auto found = commandFailures_.find(email);
    return found == commandFailures_.end() ? std::string() : found->second;
}

void AppState::SetCommandFailure(const std::string& email, std::string why) {
    commandFailures_[email] = std::move(why);
}

bool AppState::ClearCommandFailure(const std::string& email) {
    return commandFailures_.erase(email) > 0;
}

SessionOptions AppState::SessionOptionsNow() const {
    SessionOptions options;
    options.tlsAvailable = tlsAvailable_;
    return options;
}

bool AppState::LoadSettings() {
    SettingsValues values;
    const bool loaded = ::LoadSettings(values);
    autorun_ = values.autorun;
    playWave_ = values.playWave;
    showAdvert_ = values.showAdvert;
    desktopNotification_ = values.desktopNotification;
    SetAccounts(std::move(values.accounts));
    return loaded;
}

bool AppState::SaveSettings() const {
    SettingsValues values;
    values.accounts = accounts_;
    values.autorun = autorun_;
    values.playWave = playWave_;
    values.showAdvert = showAdvert_;
    values.desktopNotification = desktopNotification_;
    return ::SaveSettings(values);
}

bool AppState::SaveAccounts(std::vector<AccountEntry> accounts) {
    accounts_ = std::move(accounts);
    const bool saved = SaveSettings();
    Q_EMIT accountsChanged();
    return saved;
}

bool AppState::LoadFilter() {
    const bool loaded = ::LoadFilter(spamRules_, spamCriteria_);
    Q_EMIT rulesChanged();
    return loaded;
}

bool AppState::SaveFilter() const {
    return ::SaveFilter(spamRules_, spamCriteria_);
}

std::int32_t AppState::AddSpamRule(RuleKind kind, std::string_view text) {
    const std::int32_t added = ::AddSpamRule(spamRules_, spamCriteria_, kind, text);
    Q_EMIT rulesChanged();
    return added;
}

void AppState::Reset() {
    autorun_ = false;
    playWave_ = false;
    showAdvert_ = true;
    desktopNotification_ = false;
    commandFailures_.clear();
    pushUnused_.clear();
    pendingAccount_.clear();
    accounts_.clear();
    spamRules_.clear();
    spamCriteria_ = {};
    trustQuestion_.reset();
}

// Out of line: inlined into its callers, GCC's optimiser takes the emptied optional's payload
// for uninitialised.
std::optional<TrustRequest> AppState::TakeTrustQuestion() {
    std::optional<TrustRequest> taken = std::move(trustQuestion_);
    trustQuestion_.reset();
    return taken;
}
