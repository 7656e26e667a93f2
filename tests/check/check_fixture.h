#pragma once
// What the session and check tests share: a settings file of their own and a notifier that
// records what it was told.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "check/notifier.h"
#include "settings/ini_file.h"
#include "settings/settings.h"
#include "support/scripted_server.h"
#include "support/temp_folder.h"

// An account on the scripted server: user "bob", password "secret".
inline AccountSettings ScriptedAccount(const ScriptedServer& server, bool apop = false) {
    AccountSettings account;
    account.email = "script@test.example";
    account.host = "127.0.0.1";
    account.port = server.Port();
    account.username = "bob";
    account.password = "secret";
    account.secureLogin = apop;
    return account;
}

struct RecordingNotifier : CheckNotifier {
    std::vector<std::string> hints;
    int newMailIcons = 0;
    int arrivedTotal = 0;
    int clears = 0;
    std::vector<int> alerts;

    void SetTrayHint(const std::string& hint) override { hints.push_back(hint); }
    void ShowNewMailIcon(int arrived) override {
        ++newMailIcons;
        arrivedTotal += arrived;
    }
    void ClearAlertMessages() override { ++clears; }
    void AlertCountChanged(const AccountSettings&, int change) override {
        alerts.push_back(change);
    }
};

// Each test gets an empty program folder, so its own vellmoor.ini.
class SettingsTest : public ::testing::Test {
protected:
    TempFolder folder_{"check"};
    ProgramFolderScope scope_{folder_.Path()};

    // A run-state key of the account, or "(absent)".
    std::string StoredRunKey(const AccountSettings& account, const std::string& key) {
        return OpenSettings()->ReadString(AccountSection(account), key, "(absent)");
    }
    void SetRunState(const AccountSettings& account, const std::string& key,
                     const std::string& value) {
        OpenSettings()->WriteString(AccountSection(account), key, value);
    }
};
