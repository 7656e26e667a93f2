#include "support/keyring_fixture.h"

#include <cstdlib>
#include <fstream>
#include <string>

bool UseTestKeyring() {
    std::ifstream env(std::string(TARNWICK_KEYRING_DIR) + "/fixture.env");
    const std::string prefix = "DBUS_SESSION_BUS_ADDRESS=";
    for (std::string line; std::getline(env, line);) {
        if (line.starts_with(prefix))
            return ::setenv("DBUS_SESSION_BUS_ADDRESS", line.c_str() + prefix.size(), 1) == 0;
    }
    return false;
}

void UseNoKeyring() {
    ::setenv("DBUS_SESSION_BUS_ADDRESS", "unix:path=/nonexistent/tarnwick-bus", 1);
}
