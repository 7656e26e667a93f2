#pragma once
// One mail account's parameters and its entry in the account list.

#include <cstdint>
#include <functional>
#include <string>

class T_POP3;

// Receiver of session status reports: the reporting client, the kind (0 connect,
// 1 disconnect, 2 begin, 3 read, 4 end, 5 progress, 6 error), a value and a text.
using T_statusHandler =
    std::function<void(T_POP3& sender, std::uint8_t kind, int value, const std::string& text)>;

struct T_pop3params {
    std::string email;
    std::string host;
    std::string username;
    std::string password;  // plain text in memory, enciphered in the settings file
    std::int32_t port = 0;
    bool secureLogin = false;  // APOP
    bool ssl = false;          // TLS from the first byte
    T_statusHandler statusHandler;
};

struct T_pop3item {
    bool enabled = false;
    T_pop3params params;
    std::int32_t lastChange = 0;
};
