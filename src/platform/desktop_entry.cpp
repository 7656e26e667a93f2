#include "platform/desktop_entry.h"

namespace {

std::string_view Trimmed(std::string_view text) {
    const auto first = text.find_first_not_of(" \t\r");
    if (first == std::string_view::npos) return {};
    return text.substr(first, text.find_last_not_of(" \t\r") - first + 1);
}

// The escapes of a string value: \s \n \t \r \\ (\; stays for lists that split on ';').
std::string UnescapeValue(std::string_view value) {
    std::string out;
    for (std::size_t i = 0; i < value.size(); ++i) {
        if (value[i] != '\\' || i + 1 == value.size()) {
            out += value[i];
            continue;
        }
        switch (value[++i]) {
            case 's':
                out += ' ';
                break;
            case 'n':
                out += '\n';
                break;
            case 't':
                out += '\t';
                break;
            case 'r':
                out += '\r';
                break;
            case '\\':
                out += '\\';
                break;
            default:
                out += '\\';
                out += value[i];
        }
    }
    return out;
}

// The Exec value split at blanks outside double quotes; inside them \" \` \$ \\ stand for the
// character. False for an unclosed quote.
bool SplitExec(std::string_view exec, std::vector<std::string>& words) {
    std::string word;
    bool inWord = false;
    bool quoted = false;
    for (std::size_t i = 0; i < exec.size(); ++i) {
        const char c = exec[i];
        if (quoted) {
            if (c == '"') {
                quoted = false;
            } else if (c == '\\' && i + 1 < exec.size() &&
                       std::string_view("\"`$\\").find(exec[i + 1]) != std::string_view::npos) {
                word += exec[++i];
            } else {
                word += c;
            }
        } else if (c == ' ' || c == '\t' || c == '\n') {
            if (inWord) words.push_back(std::move(word));
            word.clear();
            inWord = false;
        } else {
            inWord = true;
            if (c == '"')
                quoted = true;
            else
                word += c;
        }
    }
    if (quoted) return false;
    if (inWord) words.push_back(std::move(word));
    return true;
}

// One argument with its field codes replaced; a lone %i, %f ... is handled by the caller.
std::string ExpandCodes(std::string_view word, const ExecFields& fields) {
    std::string out;
    for (std::size_t i = 0; i < word.size(); ++i) {
        if (word[i] != '%' || i + 1 == word.size()) {
            out += word[i];
            continue;
        }
        switch (word[++i]) {
            case '%':
                out += '%';
                break;
            case 'c':
                out += fields.name;
                break;
            case 'k':
                out += fields.file;
                break;
            default:
                break;  // files, URLs, the icon inside a word and deprecated codes
        }
    }
    return out;
}

}  // namespace

std::map<std::string, std::string> ReadDesktopGroup(std::string_view text, std::string_view group) {
    std::map<std::string, std::string> keys;
    bool inGroup = false;
    while (!text.empty()) {
        const auto lf = text.find('\n');
        const std::string_view line = Trimmed(text.substr(0, lf));
        text.remove_prefix(lf == std::string_view::npos ? text.size() : lf + 1);
        if (line.empty() || line.front() == '#') continue;
        if (line.front() == '[') {
            inGroup = line.size() == group.size() + 2 && line.back() == ']' &&
                      line.substr(1, group.size()) == group;
            continue;
        }
        const auto equals = line.find('=');
        if (!inGroup || equals == std::string_view::npos) continue;
        const std::string_view key = Trimmed(line.substr(0, equals));
        if (key.find('[') != std::string_view::npos) continue;
        keys.emplace(std::string(key), UnescapeValue(Trimmed(line.substr(equals + 1))));
    }
    return keys;
}

std::vector<std::string> DefaultApplications(std::string_view mimeappsText,
                                             std::string_view mimeType) {
    const auto keys = ReadDesktopGroup(mimeappsText, "Default Applications");
    const auto found = keys.find(std::string(mimeType));
    std::vector<std::string> ids;
    if (found == keys.end()) return ids;
    std::string_view list = found->second;
    while (!list.empty()) {
        const auto semicolon = list.find(';');
        const std::string_view id = Trimmed(list.substr(0, semicolon));
        if (!id.empty()) ids.emplace_back(id);
        list.remove_prefix(semicolon == std::string_view::npos ? list.size() : semicolon + 1);
    }
    return ids;
}

std::optional<std::vector<std::string>> ExecArguments(std::string_view exec,
                                                      const ExecFields& fields) {
    std::vector<std::string> words;
    if (!SplitExec(exec, words)) return std::nullopt;
    std::vector<std::string> arguments;
    for (const std::string& word : words) {
        if (word == "%f" || word == "%F" || word == "%u" || word == "%U") continue;
        if (word == "%i") {
            if (!fields.icon.empty()) arguments.insert(arguments.end(), {"--icon", fields.icon});
            continue;
        }
        arguments.push_back(ExpandCodes(word, fields));
    }
    if (arguments.empty() || arguments.front().empty()) return std::nullopt;
    return arguments;
}
