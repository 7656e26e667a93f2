#pragma once
// What a POP3 client reports about its session while it works, and the receiver of the reports.

#include <cstdint>
#include <functional>
#include <string>

class Pop3Client;

// The kinds of status report; the numbers are the ones the reports always carried.
enum class StatusKind : std::uint8_t {
    Connect = 0,
    Disconnect = 1,
    Begin = 2,  // a counted read begins
    Read = 3,   // value: bytes read so far
    End = 4,    // the counted read ended
    Progress = 5,
    Error = 6,
};

// Receiver of session status reports: the reporting client, the kind, a value and a text.
using StatusHandler =
    std::function<void(Pop3Client& sender, StatusKind kind, int value, const std::string& text)>;
