#include "settings/ini_file.h"

#include <cstdint>
#include <cstring>
#include <optional>
#include <utility>

#include "settings/errors.h"
#include "settings/file_io.h"
#include "settings/ini_document.h"
#include "settings/text_utils.h"

namespace {

// A value longer than this is cut when read.
constexpr std::size_t kMaxValueLength = 2047;

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

std::vector<std::string> Names(const std::vector<std::string_view>& names) {
    return {names.begin(), names.end()};
}

}  // namespace

IniFile::IniFile(std::string path, FileAccess access) : path_(std::move(path)), access_(access) {}
IniFile::IniFile(IniFile&&) noexcept = default;
IniFile& IniFile::operator=(IniFile&&) noexcept = default;
IniFile::~IniFile() = default;

// The file as it is on disk now (or as the running batch left it). A file that is missing or
// cannot be read holds nothing; but a change must not replace a file that exists and cannot
// be read.
IniDocument& IniFile::Current(bool forWriting) const {
    if (batching_ && document_) return *document_;
    std::string bytes;
    int error = 0;
    const ReadStatus status = ReadFileBytes(path_, bytes, &error);
    if (forWriting && status == ReadStatus::Failed)
        throw TarnwickError(WriteErrorText(path_, error));
    if (!document_ || bytes != diskBytes_) {
        document_ = std::make_unique<IniDocument>(bytes);
        diskBytes_ = std::move(bytes);
    }
    return *document_;
}

void IniFile::CheckReadable() const {
    std::string bytes;
    int error = 0;
    const ReadStatus status = ReadFileBytes(path_, bytes, &error);
    if (status == ReadStatus::Failed)
        throw TarnwickError("Unable to read " + path_ + ": " + std::strerror(error));
    if (bytes.find('\0') != std::string::npos)
        throw TarnwickError("Unable to read " + path_ + ": not a settings file");
}

// Puts the lines on disk (under the lock of the batch).
void IniFile::Store() {
    std::string content = document_->Content();
    try {
        WriteFileAtomically(path_, content, access_);
    } catch (...) {
        document_.reset();  // the lines no longer match the file
        throw;
    }
    diskBytes_ = std::move(content);
}

std::string IniFile::ReadString(std::string_view section, std::string_view key,
                                std::string_view def) const {
    const IniDocument& doc = Current(false);
    const std::size_t header = doc.FindSection(section);
    if (header == IniDocument::npos) return std::string(def);
    const std::size_t line = doc.FindKey(header, key);
    if (line == IniDocument::npos) return std::string(def);
    return std::string(doc.Lines()[line].Value().substr(0, kMaxValueLength));
}

int IniFile::ReadInteger(std::string_view section, std::string_view key, int def) const {
    return ParseInteger(ReadString(section, key, "")).value_or(def);
}

bool IniFile::ReadBool(std::string_view section, std::string_view key, bool def) const {
    return ReadInteger(section, key, def ? 1 : 0) != 0;
}

void IniFile::Change(const std::function<bool(IniDocument&)>& change) {
    if (batching_) {
        if (change(*document_)) batchChanged_ = true;
        return;
    }
    BeginBatch();
    try {
        batchChanged_ = change(*document_);
    } catch (...) {
        batching_ = false;
        document_.reset();
        lock_.reset();
        throw;
    }
    CommitBatch();
}

void IniFile::WriteString(std::string_view section, std::string_view key, std::string_view value) {
    Change([&](IniDocument& doc) {
        doc.SetValue(section, key, SingleLine(value));
        return true;
    });
}

void IniFile::WriteInteger(std::string_view section, std::string_view key, int value) {
    WriteString(section, key, std::to_string(value));
}

void IniFile::WriteBool(std::string_view section, std::string_view key, bool value) {
    WriteString(section, key, value ? "1" : "0");
}

std::vector<std::string> IniFile::ReadSections() const {
    return Names(Current(false).SectionNames());
}

std::vector<std::string> IniFile::ReadSection(std::string_view section) const {
    return Names(Current(false).KeyNames(section));
}

bool IniFile::SectionExists(std::string_view section) const {
    return Current(false).FindSection(section) != IniDocument::npos;
}

void IniFile::EraseSection(std::string_view section) {
    Change([&](IniDocument& doc) { return doc.EraseSection(section); });
}

void IniFile::EraseKey(std::string_view section, std::string_view key) {
    Change([&](IniDocument& doc) { return doc.EraseKey(section, key); });
}

void IniFile::BeginBatch() {
    if (batching_) return;
    auto lock = std::make_unique<FileLock>(path_);
    Current(true);  // the file as it is now that no other writer can change it
    lock_ = std::move(lock);
    batching_ = true;
    batchChanged_ = false;
}

void IniFile::CommitBatch() {
    if (!batching_) return;
    const std::unique_ptr<FileLock> lock = std::move(lock_);  // released on every way out
    batching_ = false;
    if (std::exchange(batchChanged_, false)) Store();
}
