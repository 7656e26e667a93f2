#include "settings/language.h"

#include <mutex>
#include <unordered_set>

#include "settings/cipher.h"
#include "settings/file_io.h"
#include "settings/file_places.h"
#include "settings/text_utils.h"

namespace {

constexpr std::size_t npos = std::string::npos;

// The language table: the lines of the language file in file order, the file's path (fixed
// when the table is loaded), how many values were enciphered since the last write-back, and
// whether the file existed but could not be read (then it is never replaced).
struct LanguageState {
    std::string path;
    std::vector<std::string> lines;
    int enciphered = 0;
    bool unreadable = false;
};
LanguageState languageState;
// Checks on worker threads look texts up too, and a lookup of a missing key adds it.
std::recursive_mutex languageMutex;

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

// Index of the first line of every key, in file order (one pass, so that a huge file does not
// take quadratic time at exit).
std::vector<std::size_t> FirstEntries(const std::vector<std::string>& lines) {
    std::vector<std::size_t> entries;
    std::unordered_set<std::string> seen;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const std::size_t equals = lines[i].find('=');
        if (equals != npos && seen.insert(UpperAscii(lines[i].substr(0, equals))).second) {
            entries.push_back(i);
        }
    }
    return entries;
}

// The text of a language file, one table line per line. Every byte counts, a zero byte too: the
// write-back must give back every line that was read.
std::vector<std::string> ParseLanguageFile(std::string_view bytes) {
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
    if (languageState.path.empty()) languageState.path = LanguageFilePlace();
    return languageState.path;
}

void LoadLanguageTable() {
    const std::lock_guard lock(languageMutex);
    languageState = LanguageState();
    std::string bytes;
    const ReadStatus status = ReadFileBytes(LanguageFilePath(), bytes);
    if (status == ReadStatus::Ok) languageState.lines = ParseLanguageFile(bytes);
    languageState.unreadable = status == ReadStatus::Failed;
}

void ResetLanguageTable() {
    const std::lock_guard lock(languageMutex);
    languageState = LanguageState();
}

std::optional<std::string> FindLangText(std::string_view key) {
    const std::lock_guard lock(languageMutex);
    const std::size_t entry = HasText(key) ? FindEntry(key) : npos;
    if (entry == npos) return std::nullopt;
    std::string value(ValueOf(languageState.lines[entry]));
    if (HasText(value) && value.front() == '?') value = DecipherText(value.substr(1));
    return ReplaceAll(value, "~", "\r\n");
}

std::string GetLangText(std::string_view key) {
    const std::lock_guard lock(languageMutex);
    if (std::optional<std::string> text = FindLangText(key)) return *text;
    if (HasText(key)) languageState.lines.push_back(std::string(key) + "=" + std::string(key));
    return ReplaceAll(key, "~", "\r\n");
}

int EncipherLanguageTable() {
    const std::lock_guard lock(languageMutex);
    std::vector<std::string>& lines = languageState.lines;
    int count = 0;
    for (const std::size_t entry : FirstEntries(lines)) {
        const std::size_t equals = lines[entry].find('=');
        const std::string_view value = std::string_view(lines[entry]).substr(equals + 1);
        if (!HasText(value) || value.front() == '?') continue;
        lines[entry] = lines[entry].substr(0, equals) + "=?" + EncipherText(value);
        ++count;
    }
    languageState.enciphered += count;
    return count;
}

bool WriteBackLanguageTable() {
    const std::lock_guard lock(languageMutex);
    EncipherLanguageTable();
    // A file that could not be read must not be replaced by the few keys this run asked for.
    if (languageState.enciphered == 0 || languageState.unreadable) return false;
    WriteFileAtomically(LanguageFilePath(), JoinLines(languageState.lines));
    languageState.enciphered = 0;
    return true;
}

const std::vector<std::string>& LanguageTable() {
    return languageState.lines;
}
