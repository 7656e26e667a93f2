#include "platform/program_state.h"

#include "settings/settings.h"
#include "spam/spam_filter.h"

AppState& ProgramState() {
    static AppState* const state = new AppState;  // lives as long as the process
    return *state;
}

SessionOptions ProgramSessionOptions() {
    SessionOptions options;
    options.tlsAvailable = TlsAvailable;
    return options;
}

bool LoadSettings() {
    SettingsValues values;
    const bool loaded = LoadSettings(values);
    AppState& state = ProgramState();
    state.accounts = std::move(values.accounts);
    state.autorun = values.autorun;
    state.playWave = values.playWave;
    state.showAdvert = values.showAdvert;
    state.desktopNotification = values.desktopNotification;
    state.NotifyAccountsChanged();
    return loaded;
}

bool SaveSettings() {
    const AppState& state = ProgramState();
    SettingsValues values;
    values.accounts = state.accounts;
    values.autorun = state.autorun;
    values.playWave = state.playWave;
    values.showAdvert = state.showAdvert;
    values.desktopNotification = state.desktopNotification;
    const bool saved = SaveSettings(values);
    ProgramState().NotifyAccountsChanged();
    return saved;
}

bool LoadFilter() {
    AppState& state = ProgramState();
    const bool loaded = LoadFilter(state.spamRules, state.spamCriteria);
    state.NotifyRulesChanged();
    return loaded;
}

bool SaveFilter() {
    AppState& state = ProgramState();
    const bool saved = SaveFilter(state.spamRules, state.spamCriteria);
    state.NotifyRulesChanged();
    return saved;
}

std::int32_t AddSpamRule(RuleKind kind, std::string_view text) {
    AppState& state = ProgramState();
    const std::int32_t added = AddSpamRule(state.spamRules, state.spamCriteria, kind, text);
    state.NotifyRulesChanged();
    return added;
}

void ResetProgramState() {
    AppState& state = ProgramState();
    state.autorun = false;
    state.playWave = false;
    state.showAdvert = true;
    state.desktopNotification = false;
    state.commandFailures.clear();
    state.pendingAccount.clear();
    state.accounts.clear();
    state.spamRules.clear();
    state.spamCriteria = {};
    PendingTrustQuestion.reset();
}
