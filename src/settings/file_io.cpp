#include "settings/file_io.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
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

// The file that a write really replaces: the target of a symbolic link, else the path itself.
std::string ResolvedTarget(const std::string& path) {
    std::error_code error;
    if (!std::filesystem::is_symlink(path, error)) return path;
    const std::filesystem::path target = std::filesystem::weakly_canonical(path, error);
    return error ? path : target.string();
}

// Creates a new, empty file with a random name beside `target`.
int CreateTemporaryBeside(const std::string& target, std::string& tempPath) {
    std::random_device entropy;
    for (int attempt = 0; attempt < 100; ++attempt) {
        char suffix[16];
        std::snprintf(suffix, sizeof suffix, ".%08x~", entropy());
        tempPath = target + suffix;
        const int fd = ::open(tempPath.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0 || errno != EEXIST) return fd;
    }
    return -1;
}

bool WriteTemporary(int fd, const std::string& target, std::string_view content) {
    struct stat old {};
    if (::stat(target.c_str(), &old) == 0 && ::fchmod(fd, old.st_mode & 07777) != 0) return false;
    return WriteAll(fd, content);
}

}  // namespace

ReadStatus ReadFileBytes(const std::string& path, std::string& bytes, int* error) {
    bytes.clear();
    FileDescriptor file(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (file.get() < 0 && errno == ENOENT) return ReadStatus::Missing;
    if (file.get() < 0) {
        if (error != nullptr) *error = errno;
        return ReadStatus::Failed;
    }
    struct stat info {};
    if (::fstat(file.get(), &info) == 0 && S_ISREG(info.st_mode)) {
        bytes.reserve(static_cast<std::size_t>(info.st_size));
    }
    char buffer[65536];
    for (;;) {
        const ssize_t n = ::read(file.get(), buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            if (error != nullptr) *error = errno;
            bytes.clear();
            return ReadStatus::Failed;
        }
        if (n == 0) return ReadStatus::Ok;
        bytes.append(buffer, static_cast<std::size_t>(n));
    }
}

std::string WriteErrorText(const std::string& path, int error) {
    return "Unable to write to " + path + ": " + std::strerror(error != 0 ? error : EIO);
}

void WriteFileAtomically(const std::string& path, std::string_view content) {
    const std::string target = ResolvedTarget(path);
    std::string tempPath;
    FileDescriptor temp(CreateTemporaryBeside(target, tempPath));
    if (temp.get() < 0) throw TarnwickError(WriteErrorText(path, errno));
    errno = 0;
    const bool written = WriteTemporary(temp.get(), target, content) && temp.Close() &&
                         ::rename(tempPath.c_str(), target.c_str()) == 0;
    if (!written) {
        const int error = errno;
        ::unlink(tempPath.c_str());
        throw TarnwickError(WriteErrorText(path, error));
    }
}
