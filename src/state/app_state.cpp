#include "state/app_state.h"

#include "settings/settings.h"
#include "spam/spam_filter.h"

AppState& ProgramState() {
    static AppState* const state = new AppState;  // lives as long as the process
    return *state;
}

SessionOptions AppState::SessionOptionsNow() const {
    SessionOptions options;
    options.tlsAvailable = tlsAvailable;
    return options;
}

bool AppState::LoadSettings() {
    SettingsValues values;
    const bool loaded = ::LoadSettings(values);
    accounts = std::move(values.accounts);
    autorun = values.autorun;
    playWave = values.playWave;
    showAdvert = values.showAdvert;
    desktopNotification = values.desktopNotification;
    NotifyAccountsChanged();
    return loaded;
}

bool AppState::SaveSettings() {
    SettingsValues values;
    values.accounts = accounts;
    values.autorun = autorun;
    values.playWave = playWave;
    values.showAdvert = showAdvert;
    values.desktopNotification = desktopNotification;
    const bool saved = ::SaveSettings(values);
    NotifyAccountsChanged();
    return saved;
}

bool AppState::LoadFilter() {
    const bool loaded = ::LoadFilter(spamRules, spamCriteria);
    NotifyRulesChanged();
    return loaded;
}

bool AppState::SaveFilter() {
    const bool saved = ::SaveFilter(spamRules, spamCriteria);
    NotifyRulesChanged();
    return saved;
}

std::int32_t AppState::AddSpamRule(RuleKind kind, std::string_view text) {
    const std::int32_t added = ::AddSpamRule(spamRules, spamCriteria, kind, text);
    NotifyRulesChanged();
    return added;
}

void AppState::Reset() {
    autorun = false;
    playWave = false;
    showAdvert = true;
    desktopNotification = false;
    commandFailures.clear();
    pendingAccount.clear();
    accounts.clear();
    spamRules.clear();
    spamCriteria = {};
    trustQuestion_.reset();
}

// Out of line: inlined into its callers, GCC's optimiser takes the emptied optional's payload
// for uninitialised.
std::optional<TrustRequest> AppState::TakeTrustQuestion() {
    std::optional<TrustRequest> taken = std::move(trustQuestion_);
    trustQuestion_.reset();
    return taken;
}
