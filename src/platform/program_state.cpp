#include "platform/program_state.h"

#include "settings/settings.h"
#include "spam/spam_filter.h"

SessionOptions ProgramSessionOptions() {
    SessionOptions options;
    options.tlsAvailable = TlsAvailable;
    return options;
}

bool LoadSettings() {
    SettingsValues values;
    const bool loaded = LoadSettings(values);
    accounts = std::move(values.accounts);
    autorun = values.autorun;
    playWave = values.playWave;
    showAdvert = values.showAdvert;
    desktopNotification = values.desktopNotification;
    return loaded;
}

bool SaveSettings() {
    SettingsValues values;
    values.accounts = accounts;
    values.autorun = autorun;
    values.playWave = playWave;
    values.showAdvert = showAdvert;
    values.desktopNotification = desktopNotification;
    return SaveSettings(values);
}

bool LoadFilter() {
    return LoadFilter(spamRules, spamCriteria);
}

bool SaveFilter() {
    return SaveFilter(spamRules, spamCriteria);
}

std::int32_t AddSpamRule(std::int32_t kind, std::string_view text) {
    return AddSpamRule(spamRules, spamCriteria, kind, text);
}

void ResetProgramState() {
    ListBusy = false;
    CancelRequested = false;
    autorun = false;
    playWave = false;
    showAdvert = true;
    desktopNotification = false;
    CommandFailures.clear();
    PendingAccount.clear();
    PendingTrustQuestion.reset();
    LastErrorText.clear();
    accounts.clear();
    spamRules.clear();
    spamCriteria = {};
}
