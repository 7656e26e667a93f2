#include "settings/ini_file.h"

#include <cstdint>
#include <optional>

#include "settings/errors.h"
#include "settings/file_io.h"
#include "settings/ini_document.h"
#include "settings/text_utils.h"

namespace {

// A value longer than this is cut when read.
constexpr std::size_t kMaxValueLength = 2047;
// Size of the buffer through which a list of names is read: each name takes its length plus a
// terminating zero byte, and the list ends with one more zero byte.
constexpr std::size_t kNameListBufferSize = 16384;

int DigitValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return 99;
}

// Decimal with an optional sign, or hexadecimal after "0x" or "$" (up to 32 bits, which wrap
// into the negative range as they do on Windows). Anything else, trailing text included,
// is not an integer.
std::optional<int> ParseInteger(std::string_view text) {
    bool negative = false;
    if (!text.empty() && (text[0] == '-' || text[0] == '+')) {
        negative = text[0] == '-';
        text.remove_prefix(1);
    }
    int base = 10;
    if (text.starts_with('$')) {
        base = 16;
        text.remove_prefix(1);
    } else if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        base = 16;
        text.remove_prefix(2);
    }
    if (text.empty()) return std::nullopt;
    const std::uint64_t limit = base == 16 ? 0xFFFFFFFFu : negative ? 0x80000000u : 0x7FFFFFFFu;
    std::uint64_t value = 0;
    for (const char c : text) {
        const int digit = DigitValue(c);
        if (digit >= base) return std::nullopt;
        value = value * static_cast<std::uint64_t>(base) + static_cast<std::uint64_t>(digit);
        if (value > limit) return std::nullopt;
    }
    const auto bits = static_cast<std::uint32_t>(value);
    return static_cast<std::int32_t>(negative ? 0u - bits : bits);
}

// A written value never breaks its line: CR LF, and a lone CR or LF, become "~".
std::string SingleLine(std::string_view value) {
    std::string line = ReplaceAll(value, "\r\n", "~");
    for (char& c : line) {
        if (c == '\r' || c == '\n') c = '~';
    }
    return line;
}

std::vector<std::string> NamesThatFitTheBuffer(const std::vector<std::string_view>& names) {
    std::vector<std::string> result;
    std::size_t room = kNameListBufferSize - 1;  // the list's final zero byte
    for (const std::string_view name : names) {
        if (name.size() + 1 > room) break;
        room -= name.size() + 1;
        result.emplace_back(name);
    }
    return result;
}

// The file as it is on disk now; a file that is missing or cannot be read holds nothing.
IniDocument ReadForReading(const std::string& path) {
    std::string bytes;
    ReadFileBytes(path, bytes);
    return IniDocument(std::move(bytes));
}

// The file as it is on disk now, for a change to it: a file that exists but cannot be read
// must not be replaced by the change alone.
IniDocument ReadForWriting(const std::string& path) {
    std::string bytes;
    if (ReadFileBytes(path, bytes) == ReadStatus::Failed) {
        throw TarnwickError("Unable to write to " + path);
    }
    return IniDocument(std::move(bytes));
}

}  // namespace

IniFile::IniFile(std::string path) : path_(std::move(path)) {}

std::string IniFile::ReadString(std::string_view section, std::string_view key,
                                std::string_view def) const {
    const IniDocument doc = ReadForReading(path_);
    const std::size_t header = doc.FindSection(section);
    if (header == IniDocument::npos) return std::string(def);
    const std::size_t line = doc.FindKey(header, key);
    if (line == IniDocument::npos) return std::string(def);
    return std::string(doc.Lines()[line].value.substr(0, kMaxValueLength));
}

int IniFile::ReadInteger(std::string_view section, std::string_view key, int def) const {
    return ParseInteger(ReadString(section, key, "")).value_or(def);
}

bool IniFile::ReadBool(std::string_view section, std::string_view key, bool def) const {
    return ReadInteger(section, key, def ? 1 : 0) != 0;
}

void IniFile::WriteString(std::string_view section, std::string_view key, std::string_view value) {
    const IniDocument doc = ReadForWriting(path_);
    WriteFileAtomically(path_, doc.WithValue(section, key, SingleLine(value)));
}

void IniFile::WriteInteger(std::string_view section, std::string_view key, int value) {
    WriteString(section, key, std::to_string(value));
}

void IniFile::WriteBool(std::string_view section, std::string_view key, bool value) {
    WriteString(section, key, value ? "1" : "0");
}

std::vector<std::string> IniFile::ReadSections() const {
    return NamesThatFitTheBuffer(ReadForReading(path_).SectionNames());
}

std::vector<std::string> IniFile::ReadSection(std::string_view section) const {
    return NamesThatFitTheBuffer(ReadForReading(path_).KeyNames(section));
}

bool IniFile::SectionExists(std::string_view section) const {
    return ReadForReading(path_).FindSection(section) != IniDocument::npos;
}

void IniFile::EraseSection(std::string_view section) {
    const IniDocument doc = ReadForWriting(path_);
    if (doc.FindSection(section) == IniDocument::npos) return;
    WriteFileAtomically(path_, doc.WithoutSection(section));
}
