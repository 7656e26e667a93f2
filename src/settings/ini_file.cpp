#include "settings/ini_file.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <ctime>
#include <mutex>
#include <optional>
#include <unordered_map>
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

// Within two ticks of the clock that stamps file times (a few milliseconds) of a file's last
// change its stamp proves nothing: a change of the same size in the same tick (a file written in
// place) leaves the same stamp.
std::int64_t StampMarginNs() {
    static const std::int64_t margin = []() -> std::int64_t {
        std::timespec tick{};
        if (::clock_getres(CLOCK_REALTIME_COARSE, &tick) != 0 || tick.tv_sec > 0)
            return 2'000'000'000;
        return std::max<std::int64_t>(2 * std::int64_t{tick.tv_nsec}, 2'000'000);
    }();
    return margin;
}

std::int64_t Nanoseconds(const std::timespec& time) {
    return std::int64_t{time.tv_sec} * 1'000'000'000 + time.tv_nsec;
}

std::timespec Now() {
    std::timespec now{};
    ::clock_gettime(CLOCK_REALTIME, &now);
    return now;
}

// Whether a file seen at `seenAt` with `stamp` can change since without changing its stamp.
bool Settled(const FileStamp& stamp, const std::timespec& seenAt) {
    const std::int64_t changed = std::max(Nanoseconds(stamp.modified), Nanoseconds(stamp.changed));
    return Nanoseconds(seenAt) - changed >= StampMarginNs();
}

// A file's lines as the process last read or wrote them.
struct ParsedFile {
    FileStamp stamp;
    bool settled = false;         // the stamp alone tells a change: no need to read the bytes again
    std::size_t fingerprint = 0;  // of the bytes parsed
    std::shared_ptr<IniDocument> document;
    bool binary = false;  // the bytes hold a zero byte: no text file
};

std::size_t Fingerprint(std::string_view bytes) {
    return std::hash<std::string_view>{}(bytes);
}

// The parsed files of the process, by path: every IniFile on a file shares one parse of it.
class ParsedFiles {
public:
    static ParsedFiles& Instance() {
        static ParsedFiles files;
        return files;
    }

    std::optional<ParsedFile> Find(const std::string& path, const FileStamp& stamp) {
        const std::lock_guard lock(mutex_);
        const auto found = files_.find(path);
        if (found == files_.end() || !(found->second.stamp == stamp)) return std::nullopt;
        return found->second;
    }
    void Remember(const std::string& path, ParsedFile file) {
        const std::lock_guard lock(mutex_);
        files_.insert_or_assign(path, std::move(file));
    }
    // The lines to change when they are those of `bytes`, read now from the file stamped
    // `stamp`: taken over when nobody else holds them, else copied; none when they are not.
    std::unique_ptr<IniDocument> TakeForChange(const std::string& path, const FileStamp& stamp,
                                               std::string_view bytes) {
        std::shared_ptr<IniDocument> document;
        {
            const std::lock_guard lock(mutex_);
            const auto found = files_.find(path);
            if (found == files_.end() || !(found->second.stamp == stamp) ||
                found->second.fingerprint != Fingerprint(bytes))
                return nullptr;
            document = std::move(found->second.document);
            files_.erase(found);
        }
        if (document.use_count() == 1) return std::make_unique<IniDocument>(std::move(*document));
        return std::make_unique<IniDocument>(*document);
    }

private:
    std::mutex mutex_;
    std::unordered_map<std::string, ParsedFile> files_;
};

struct LoadedFile {
    ReadStatus status = ReadStatus::Ok;
    int error = 0;
    ParsedFile parsed;
};

// The file as it is on disk now: a stat(2) when its stamp is that of the last parse and settled,
// else one read, and a parse when the bytes are not those of the last parse. A file that is
// missing or cannot be read holds nothing.
LoadedFile Load(const std::string& path) {
    std::optional<ParsedFile> known;
    if (const std::optional<FileStamp> stamp = StampOf(path)) {
        known = ParsedFiles::Instance().Find(path, *stamp);
        if (known && known->settled) return {ReadStatus::Ok, 0, std::move(*known)};
    }
    const std::timespec readAt = Now();
    LoadedFile loaded;
    std::string bytes;
    std::optional<FileStamp> stamp;
    loaded.status = ReadFileBytes(path, bytes, &loaded.error, &stamp);
    const std::size_t fingerprint = Fingerprint(bytes);
    if (known && stamp && *stamp == known->stamp && fingerprint == known->fingerprint) {
        loaded.parsed = std::move(*known);
    } else {
        loaded.parsed.document = std::make_shared<IniDocument>(bytes);
        loaded.parsed.binary = bytes.find('\0') != std::string::npos;
        loaded.parsed.fingerprint = fingerprint;
    }
    if (stamp) {
        loaded.parsed.stamp = *stamp;
        loaded.parsed.settled = Settled(*stamp, readAt);
        ParsedFiles::Instance().Remember(path, loaded.parsed);
    }
    return loaded;
}

}  // namespace

IniFile::IniFile(std::string path, FileAccess access) : path_(std::move(path)), access_(access) {}
IniFile::IniFile(IniFile&&) noexcept = default;
IniFile& IniFile::operator=(IniFile&&) noexcept = default;
IniFile::~IniFile() = default;

// The file as it is on disk now, or as the running batch left it.
const IniDocument& IniFile::Current() const {
    if (batching_) return *batch_;
    document_ = Load(path_).parsed.document;
    return *document_;
}

void IniFile::CheckReadable() const {
    const LoadedFile loaded = Load(path_);
    if (loaded.status == ReadStatus::Failed)
        throw TarnwickError("Unable to read " + path_ + ": " + std::strerror(loaded.error));
    if (loaded.parsed.binary)
        throw TarnwickError("Unable to read " + path_ + ": not a settings file");
}

// Puts the batch's lines on disk (under the lock of the batch); they become the file's lines.
void IniFile::Store() {
    const std::string content = batch_->Content();
    WriteFileAtomically(path_, content, access_);
    ParsedFile written;
    written.fingerprint = Fingerprint(content);
    written.document = std::move(batch_);
    written.binary = content.find('\0') != std::string::npos;
    if (const std::optional<FileStamp> stamp = StampOf(path_)) {
        written.stamp = *stamp;
        written.settled = Settled(*stamp, Now());  // hardly ever: just written
        ParsedFiles::Instance().Remember(path_, written);
    }
    document_ = std::move(written.document);
}

std::string IniFile::ReadString(std::string_view section, std::string_view key,
                                std::string_view def) const {
    const IniDocument& doc = Current();
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
        if (change(*batch_)) batchChanged_ = true;
        return;
    }
    BeginBatch();
    try {
        batchChanged_ = change(*batch_);
    } catch (...) {
        batching_ = false;
        batch_.reset();
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
    return Names(Current().SectionNames());
}

std::vector<std::string> IniFile::ReadSection(std::string_view section) const {
    return Names(Current().KeyNames(section));
}

bool IniFile::SectionExists(std::string_view section) const {
    return Current().FindSection(section) != IniDocument::npos;
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
    // The file as it is now that no other writer can change it, read afresh whatever its stamp
    // says (an inode can come back with the same size within a clock tick): its known lines
    // serve when the bytes are those they came from, else they are parsed. One that exists
    // and cannot be read is never replaced.
    std::string bytes;
    int error = 0;
    std::optional<FileStamp> stamp;
    if (ReadFileBytes(path_, bytes, &error, &stamp) == ReadStatus::Failed)
        throw TarnwickError(WriteErrorText(path_, error));
    document_.reset();  // lets the known lines be taken over rather than copied
    batch_ = stamp ? ParsedFiles::Instance().TakeForChange(path_, *stamp, bytes) : nullptr;
    if (!batch_) batch_ = std::make_unique<IniDocument>(bytes);
    lock_ = std::move(lock);
    batching_ = true;
    batchChanged_ = false;
}

void IniFile::CommitBatch() {
    if (!batching_) return;
    const std::unique_ptr<FileLock> lock = std::move(lock_);  // released on every way out
    batching_ = false;
    if (std::exchange(batchChanged_, false)) Store();
    batch_.reset();
}
