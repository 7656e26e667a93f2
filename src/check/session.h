#pragma once
// Opening and ending POP3 sessions for an account, with the outcome recorded in the account's
// section of the settings file.

#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "net/status.h"
#include "pop3/pop3_client.h"
#include "settings/accounts.h"
#include "settings/ini_file.h"

// What the caller hands to every session it opens.
struct SessionOptions {
    bool tlsAvailable = false;    // false: a TLS account connects without TLS
    StatusHandler statusHandler;  // receiver of the client's status reports
    // Raised from another thread, it ends the session's wait under way; none: the client's own.
    std::shared_ptr<InterruptSignal> interrupt;
    // No wait of the session goes on longer than this from its opening; 0: no limit.
    std::chrono::milliseconds timeLimit{0};
};

// Run-state keys to write, collected so that a check replaces the settings file once.
class RunState {
public:
    void Write(std::string_view section, std::string_view key, std::string value);
    // An edit of the file beyond single keys (keys to remove as well), made in the same
    // replacement, in its turn among the writes.
    void Edit(std::function<void(IniFile&)> edit);
    // Writes what was collected with one replacement of the file and forgets it; throws
    // TarnwickError when the file cannot be written.
    void Store();

private:
    struct Entry {
        std::string section;
        std::string key;
        std::string value;
        std::function<void(IniFile&)> edit;  // instead of the key when set
    };
    std::vector<Entry> writes_;
};

// Connects, logs in and counts. Never throws for a connection, login or count failure: it
// reports StatusKind::Error and records LAST_RESULT "0", LAST_CHECK and LAST_ERROR instead (on
// success LAST_RESULT "1" and LAST_CHECK). Test IsConnected() on the result. A failure to
// record the outcome (the settings file cannot be written) ends the session with QUIT and is
// thrown. An interrupt is thrown as Cancelled and recorded nowhere.
std::unique_ptr<Pop3Client> OpenSession(const AccountSettings& account,
                                        const SessionOptions& options);
// The same, leaving the outcome's keys in `runState` for the caller to store.
std::unique_ptr<Pop3Client> OpenSession(const AccountSettings& account,
                                        const SessionOptions& options, RunState& runState);

// Keeps what the client's CAPA said for the account's next sessions (POP3_CAPA in its section),
// or forgets it when a reply disagreed with what was remembered.
void RememberCapabilities(const Pop3Client& client, RunState& runState, const std::string& section);

// Sends QUIT when connected and destroys the client; `session` is empty afterwards.
void EndSession(std::unique_ptr<Pop3Client>& session);

// An error message as one line of the settings file: CR LF, and any CR or LF left, made "~".
std::string OneLineError(const std::string& message);
// The error of a failed session; when the server's certificate failed and the stored SSL_PIN
// `pin` is malformed (so that it could never match), a line naming the pin follows.
std::string SessionErrorText(const std::string& error, bool certificateFailed,
                             const std::string& pin);
// A stored error as the outputs that programs read give it: each "~" a line break.
std::string StoredErrorText(const std::string& line);
