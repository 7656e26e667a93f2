#include "settings/file_io.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <random>

#include "settings/errors.h"

namespace {

// Closes a descriptor on every path out of a function.
class FileDescriptor {
public:
    explicit FileDescriptor(int fd) : fd_(fd) {}
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    ~FileDescriptor() {
        if (fd_ >= 0) ::close(fd_);
    }
    int get() const { return fd_; }
    // Closes now and reports whether the close (which may flush) succeeded.
    bool Close() {
        const int fd = fd_;
        fd_ = -1;
        return ::close(fd) == 0;
    }

private:
    int fd_;
};

bool WriteAll(int fd, std::string_view data) {
    while (!data.empty()) {
        const ssize_t n = ::write(fd, data.data(), data.size());
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        data.remove_prefix(static_cast<std::size_t>(n));
    }
    return true;
}

constexpr char kTemporaryMark = '~';
constexpr std::size_t kRandomDigits = 8;
// A temporary file of ours this old is left from a save that was killed: no save takes so long.
constexpr auto kStaleAge = std::chrono::minutes(1);

std::string RandomSuffix(std::random_device& entropy) {
    char suffix[16];
    std::snprintf(suffix, sizeof suffix, ".%08x%c", entropy(), kTemporaryMark);
    return suffix;
}

// True for "<name>.<8 hexadecimal digits>~", the temporary files of a save of `name`.
bool IsTemporaryOf(const std::string& candidate, const std::string& name) {
    const std::size_t size = name.size() + 1 + kRandomDigits + 1;
    if (candidate.size() != size || candidate.compare(0, name.size(), name) != 0 ||
        candidate[name.size()] != '.' || candidate.back() != kTemporaryMark)
        return false;
    const std::string digits = candidate.substr(name.size() + 1, kRandomDigits);
    return digits.find_first_not_of("0123456789abcdef") == std::string::npos;
}

std::filesystem::path FolderOf(const std::filesystem::path& file) {
    return file.has_parent_path() ? file.parent_path() : std::filesystem::path(".");
}

// Removes what saves of `target` that were killed left behind.
void RemoveStaleTemporaries(const std::string& target) {
    namespace fs = std::filesystem;
    const fs::path file(target);
    const std::string name = file.filename().string();
    const auto now = fs::file_time_type::clock::now();
    std::error_code error;
    for (const auto& entry : fs::directory_iterator(FolderOf(file), error)) {
        if (!IsTemporaryOf(entry.path().filename().string(), name)) continue;
        std::error_code entryError;
        const auto written = entry.last_write_time(entryError);
        if (!entryError && now - written > kStaleAge) fs::remove(entry.path(), entryError);
    }
}

// A file without a name in the folder of `target`, gone by itself if the program dies before
// it is linked; -1 where the platform or file system has none.
int OpenUnnamedBeside(const std::string& target) {
    const std::string folder = FolderOf(target).string();
    return ::open(folder.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0600);
}

// Gives the unnamed file `fd` a random temporary name beside `target`.
bool LinkBeside(int fd, const std::string& target, std::string& tempPath) {
    std::random_device entropy;
    const std::string self = "/proc/self/fd/" + std::to_string(fd);
    for (int attempt = 0; attempt < 100; ++attempt) {
        tempPath = target + RandomSuffix(entropy);
        if (::linkat(AT_FDCWD, self.c_str(), AT_FDCWD, tempPath.c_str(), AT_SYMLINK_FOLLOW) == 0)
            return true;
        if (errno == EEXIST) continue;
        // Without /proc: linking by descriptor (which needs more privileges).
        if (::linkat(fd, "", AT_FDCWD, tempPath.c_str(), AT_EMPTY_PATH) == 0) return true;
        break;
    }
    tempPath.clear();
    return false;
}

// Creates a new, empty file with a random name beside `target` (where no unnamed file can be
// made).
int CreateTemporaryBeside(const std::string& target, std::string& tempPath) {
    std::random_device entropy;
    for (int attempt = 0; attempt < 100; ++attempt) {
        tempPath = target + RandomSuffix(entropy);
        const int fd = ::open(tempPath.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
        if (fd >= 0 || errno != EEXIST) return fd;
    }
    return -1;
}

// Gives the new file its permissions: only the owner's, or those of the file it replaces (a
// new file: what the process's file mode mask allows).
bool SetAccess(int fd, const std::string& target, FileAccess access) {
    if (access == FileAccess::OwnerOnly) return ::fchmod(fd, 0600) == 0;
    struct stat old {};
    if (::stat(target.c_str(), &old) == 0) return ::fchmod(fd, old.st_mode & 07777) == 0;
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return ::fchmod(fd, 0666 & ~mask) == 0;
}

}  // namespace

std::string ReplacedFile(const std::string& path) {
    std::error_code error;
    if (!std::filesystem::is_symlink(path, error)) return path;
    const std::filesystem::path target = std::filesystem::weakly_canonical(path, error);
    return error ? path : target.string();
}

namespace {

FileStamp StampFrom(const struct stat& info) {
    FileStamp stamp;
    stamp.device = info.st_dev;
    stamp.inode = info.st_ino;
    stamp.size = info.st_size;
    stamp.modified = info.st_mtim;
    stamp.changed = info.st_ctim;
    return stamp;
}

bool SameTime(const std::timespec& a, const std::timespec& b) {
    return a.tv_sec == b.tv_sec && a.tv_nsec == b.tv_nsec;
}

}  // namespace

bool FileStamp::operator==(const FileStamp& other) const {
    return device == other.device && inode == other.inode && size == other.size &&
           SameTime(modified, other.modified) && SameTime(changed, other.changed);
}

std::optional<FileStamp> StampOf(const std::string& path) {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) return std::nullopt;
    return StampFrom(info);
}

ReadStatus ReadFileBytes(const std::string& path, std::string& bytes, int* error,
                         std::optional<FileStamp>* stamp) {
    bytes.clear();
    if (stamp != nullptr) stamp->reset();
    FileDescriptor file(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (file.get() < 0 && errno == ENOENT) return ReadStatus::Missing;
    if (file.get() < 0) {
        if (error != nullptr) *error = errno;
        return ReadStatus::Failed;
    }
    struct stat info {};
    if (::fstat(file.get(), &info) == 0 && S_ISREG(info.st_mode)) {
        bytes.reserve(static_cast<std::size_t>(info.st_size));
        if (stamp != nullptr) *stamp = StampFrom(info);
    }
    char buffer[65536];
    for (;;) {
        const ssize_t n = ::read(file.get(), buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            if (error != nullptr) *error = errno;
            bytes.clear();
            if (stamp != nullptr) stamp->reset();
            return ReadStatus::Failed;
        }
        if (n == 0) return ReadStatus::Ok;
        bytes.append(buffer, static_cast<std::size_t>(n));
    }
}

std::string WriteErrorText(const std::string& path, int error) {
    return "Unable to write to " + path + ": " + std::strerror(error != 0 ? error : EIO);
}

void WriteFileAtomically(const std::string& path, std::string_view content, FileAccess access) {
    const std::string target = ReplacedFile(path);
    RemoveStaleTemporaries(target);
    std::string tempPath;  // empty while the new file has no name
    const int unnamed = OpenUnnamedBeside(target);
    FileDescriptor temp(unnamed >= 0 ? unnamed : CreateTemporaryBeside(target, tempPath));
    if (temp.get() < 0) throw TarnwickError(WriteErrorText(path, errno));
    errno = 0;
    bool written = SetAccess(temp.get(), target, access) && WriteAll(temp.get(), content);
    if (written && unnamed >= 0) written = LinkBeside(temp.get(), target, tempPath);
    written = written && temp.Close() && ::rename(tempPath.c_str(), target.c_str()) == 0;
    if (!written) {
        const int error = errno;
        if (!tempPath.empty()) ::unlink(tempPath.c_str());
        throw TarnwickError(WriteErrorText(path, error));
    }
}
