#include "settings/language.h"

#include "settings/cipher.h"
#include "settings/file_io.h"
#include "settings/program_path.h"
#include "settings/program_state.h"
#include "settings/text_utils.h"

namespace {

constexpr std::size_t npos = std::string::npos;

bool LineHasKey(std::string_view line, std::string_view key) {
    return line.size() > key.size() && line[key.size()] == '=' &&
           SameTextAscii(line.substr(0, key.size()), key);
}

// Index of the first line whose key (everything before its first "=") is `key`, or npos.
std::size_t FindEntry(std::string_view key) {
    if (key.find('=') != npos) return npos;
    const std::vector<std::string>& lines = languageState.lines;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (LineHasKey(lines[i], key)) return i;
    }
    return npos;
}

std::string_view ValueOf(std::string_view line) {
    return line.substr(line.find('=') + 1);
}

// The text of a language file: up to its first zero byte, one table line per line.
std::vector<std::string> ParseLanguageFile(std::string_view bytes) {
    bytes = bytes.substr(0, bytes.find('\0'));
    std::vector<std::string> lines;
    for (const std::string_view line : SplitLines(bytes)) lines.emplace_back(line);
    return lines;
}

std::string JoinLines(const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& line : lines) {
        text += line;
        text += "\r\n";
    }
    return text;
}

}  // namespace

const std::string& LanguageFilePath() {
    if (languageState.path.empty()) languageState.path = ProgramFilePath("vellmoar.lng");
    return languageState.path;
}

void LoadLanguageTable() {
    languageState = T_languageState();
    std::string bytes;
    if (ReadFileBytes(LanguageFilePath(), bytes) == ReadStatus::Ok) {
        languageState.lines = ParseLanguageFile(bytes);
    }
}

void ResetLanguageTable() {
    languageState = T_languageState();
}

std::string GetLangText(std::string_view key) {
    std::string result(key);
    if (HasText(key)) {
        const std::size_t entry = FindEntry(key);
        if (entry == npos) {
            languageState.lines.push_back(result + "=" + result);
        } else {
            result = ValueOf(languageState.lines[entry]);
            if (HasText(result) && result.front() == '?') result = DecipherText(result.substr(1));
        }
    }
    return ReplaceAll(result, "~", "\r\n");
}

int EncipherLanguageTable() {
    std::vector<std::string>& lines = languageState.lines;
    int count = 0;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const std::size_t equals = lines[i].find('=');
        if (equals == npos) continue;
        const std::string key = lines[i].substr(0, equals);
        const std::size_t entry = FindEntry(key);
        const std::string_view value = ValueOf(lines[entry]);
        if (!HasText(value) || value.front() == '?') continue;
        lines[entry] = key + "=?" + EncipherText(value);
        ++count;
    }
    languageState.enciphered += count;
    return count;
}

bool WriteBackLanguageTable() {
    EncipherLanguageTable();
    if (languageState.enciphered == 0) return false;
    WriteFileAtomically(LanguageFilePath(), JoinLines(languageState.lines));
    languageState.enciphered = 0;
    return true;
}

const std::vector<std::string>& LanguageTable() {
    return languageState.lines;
}
