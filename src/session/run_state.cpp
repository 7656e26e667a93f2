#include "session/run_state.h"

#include "net/tls_check.h"
#include "settings/language.h"
#include "settings/settings.h"
#include "settings/text_utils.h"

std::string OneLineError(const std::string& message) {
    std::string line = ReplaceAll(message, "\r\n", "~");
    for (char& c : line)
        if (c == '\r' || c == '\n') c = '~';
    return line;
}

std::string SessionErrorText(const std::string& error, bool certificateFailed,
                             const std::string& pin) {
    if (!certificateFailed || PinFormOf(pin) != PinForm::Malformed) return error;
    return error + "\r\n" + GetLangText("certificate_pin_malformed");
}

std::string StoredErrorText(const std::string& line) {
    return ReplaceAll(line, "~", "\n");
}

void RunState::Write(std::string_view section, std::string_view key, std::string value) {
    writes_.push_back({std::string(section), std::string(key), std::move(value), {}});
}

void RunState::Edit(std::function<void(IniFile&)> edit) {
    writes_.push_back({{}, {}, {}, std::move(edit)});
}

void RunState::Store() {
    if (writes_.empty()) return;
    const auto settings = OpenSettings();
    settings->BeginBatch();
    for (const Entry& entry : writes_) {
        if (entry.edit)
            entry.edit(*settings);
        else
            settings->WriteString(entry.section, entry.key, entry.value);
    }
    writes_.clear();
    settings->CommitBatch();
}
