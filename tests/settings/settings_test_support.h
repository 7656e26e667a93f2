#pragma once
// What the settings tests share: running a check as an ordinary user, and the text of an error.

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <functional>
#include <string>

#include "settings/errors.h"

// Runs `body` directly, or as user "nobody" in a child process when the tests run as root.
inline bool AsOrdinaryUser(const std::function<bool()>& body) {
    if (::geteuid() != 0) return body();
    const pid_t child = ::fork();
    if (child == 0) {
        const bool dropped = ::setgid(65534) == 0 && ::setuid(65534) == 0;
        ::_exit(dropped && body() ? 0 : 1);
    }
    int status = 0;
    return child > 0 && ::waitpid(child, &status, 0) == child && WIFEXITED(status) &&
           WEXITSTATUS(status) == 0;
}

// The message of the TarnwickError that `action` throws; empty when it throws none.
inline std::string ErrorText(const std::function<void()>& action) {
    try {
        action();
    } catch (const TarnwickError& e) {
        return e.what();
    }
    return "";
}
