#pragma once
// Counts how often a file is replaced, as a writer that renames a new file over it does.

#include <sys/inotify.h>
#include <unistd.h>

#include <string>

// Counts the files renamed into a folder under the name `name`.
class ReplacementCounter {
public:
    ReplacementCounter(const std::string& folder, std::string name)
        : fd_(::inotify_init1(IN_NONBLOCK | IN_CLOEXEC)), name_(std::move(name)) {
        ::inotify_add_watch(fd_, folder.c_str(), IN_MOVED_TO);
    }
    ~ReplacementCounter() { ::close(fd_); }

    int Count() {
        alignas(inotify_event) char buffer[4096];
        for (ssize_t n; (n = ::read(fd_, buffer, sizeof buffer)) > 0;) {
            for (ssize_t at = 0; at < n;) {
                const auto* event = reinterpret_cast<const inotify_event*>(buffer + at);
                if (event->len > 0 && name_ == event->name) ++count_;
                at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
            }
        }
        return count_;
    }

private:
    int fd_;
    std::string name_;
    int count_ = 0;
};
