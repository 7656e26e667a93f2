#pragma once
// The run state a session and a check record in the account's section of the settings file,
// collected so that the file is replaced once, and the error texts they record.

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "settings/ini_file.h"

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

// An error message as one line of the settings file: CR LF, and any CR or LF left, made "~".
std::string OneLineError(const std::string& message);
// The error of a failed session; when the server's certificate failed and the stored SSL_PIN
// `pin` is malformed (so that it could never match), a line naming the pin follows.
std::string SessionErrorText(const std::string& error, bool certificateFailed,
                             const std::string& pin);
// A stored error as the outputs that programs read give it: each "~" a line break.
std::string StoredErrorText(const std::string& line);
