#pragma once
// The sign-in fixture (tests/support/oauth_fixture.sh, "FIXTURES_REQUIRED oauth"): the address
// of its authorization server, and an account's section pointed at it. Its Dovecot is the one
// that mail_fixture.h finds through TARNWICK_DOVECOT_DIR (<fixture>/dovecot).

#include <filesystem>
#include <fstream>
#include <string>

#include "settings/settings.h"
#include "support/mail_fixture.h"

inline std::string AuthServerAddress() {
    const auto dovecot = std::filesystem::path(Dovecot().caFile).parent_path().parent_path();
    std::ifstream in(dovecot.parent_path() / "server.port");
    std::string port;
    std::getline(in, port);
    return "http://127.0.0.1:" + port;
}

// The saved account's provider is the test server, with its device address or without.
inline void UseTestAuthServer(const AccountSettings& account, bool withDevice) {
    const auto ini = OpenSettings();
    const std::string section = AccountSection(account);
    const std::string server = AuthServerAddress();
    ini->BeginBatch();
    ini->WriteString(section, "OAUTH_AUTHORIZE_URL", server + "/authorize");
    ini->WriteString(section, "OAUTH_TOKEN_URL", server + "/token");
    if (withDevice) ini->WriteString(section, "OAUTH_DEVICE_URL", server + "/device");
    ini->WriteString(section, "OAUTH_CLIENT_ID", "tarnwick-test");
    ini->CommitBatch();
}
