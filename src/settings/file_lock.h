#pragma once
// The lock that writers of a settings file hold while they read the file, change it and rename
// the new file over it: an exclusive flock(2) on "<file>.lock" beside the file (the file itself
// is replaced by every write, so a lock on it would be lost with the old file). Readers need
// none: a rename never shows them half a file. The lock belongs to the open lock file, so it
// keeps threads of one process apart as well as processes.

#include <chrono>
#include <string>

class FileLock {
public:
    static constexpr std::chrono::milliseconds kWait{10000};

    // Waits at most `wait` for the lock of `path`. Throws TarnwickError when the lock file cannot
    // be opened or locked ("Unable to write to <path>: <reason>") or another holder keeps the
    // lock longer ("Unable to write to <path>: <text of settings_lock_held> <path>.lock").
    explicit FileLock(const std::string& path, std::chrono::milliseconds wait = kWait);
    ~FileLock();
    FileLock(const FileLock&) = delete;
    FileLock& operator=(const FileLock&) = delete;

private:
    int fd_ = -1;
};

// "<file>.lock" beside the file that a write of `path` replaces.
std::string LockFilePath(const std::string& path);
