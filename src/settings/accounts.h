#pragma once
// One mail account's parameters and its entry in the account list.

#include <cstdint>
#include <string>

struct AccountSettings {
    std::string email;
    std::string host;
    std::string username;
    std::string password;  // plain text in memory, enciphered in the settings file
    std::int32_t port = 0;
    bool secureLogin = false;  // APOP
    bool ssl = false;          // TLS from the first byte
    bool startTls = false;     // STLS after the greeting (only without ssl)
};

struct AccountEntry {
    bool enabled = false;
    AccountSettings params;
    std::int32_t lastChange = 0;
};
