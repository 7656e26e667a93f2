#include "settings/file_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <thread>

#include "settings/errors.h"
#include "settings/file_io.h"
#include "settings/language.h"

namespace {

using std::chrono::milliseconds;

// flock(2) has no time limit: the lock is tried again after a pause that grows to this much,
// short enough that a writer in a loop cannot keep the lock from a waiting one for long.
constexpr milliseconds kLongestPause{4};

}  // namespace

std::string LockFilePath(const std::string& path) {
    return ReplacedFile(path) + ".lock";
}

FileLock::FileLock(const std::string& path, milliseconds wait) {
    const std::string lockPath = LockFilePath(path);
    fd_ = ::open(lockPath.c_str(), O_RDONLY | O_CREAT | O_CLOEXEC, 0600);
    if (fd_ < 0) throw TarnwickError(WriteErrorText(path, errno));
    const auto deadline = std::chrono::steady_clock::now() + wait;
    milliseconds pause{1};
    while (::flock(fd_, LOCK_EX | LOCK_NB) != 0) {
        const int error = errno;
        if (error == EINTR) continue;
        const auto now = std::chrono::steady_clock::now();
        if (error != EWOULDBLOCK || now >= deadline) {
            ::close(fd_);
            if (error != EWOULDBLOCK) throw TarnwickError(WriteErrorText(path, error));
            throw TarnwickError("Unable to write to " + path + ": " +
                                GetLangText("settings_lock_held") + " " + lockPath);
        }
        std::this_thread::sleep_for(
            std::min<std::chrono::steady_clock::duration>(pause, deadline - now));
        pause = std::min(pause * 2, kLongestPause);
    }
}

FileLock::~FileLock() {
    ::close(fd_);  // releases the lock
}
