#pragma once
// The Online Accounts stand-in (goa_service.py) on a session bus of the test's own, serving the
// accounts given as JSON; that bus is the process's session bus while the object lives.

#include <signal.h>
#include <stdlib.h>

#include <chrono>
#include <fstream>
#include <nlohmann/json.hpp>
#include <stdexcept>
#include <string>
#include <thread>

#include "support/temp_folder.h"

class OnlineAccountsStandIn {
public:
    explicit OnlineAccountsStandIn(const nlohmann::json& accounts) {
        const std::string& dir = folder_.Path();
        folder_.Write("accounts.json", accounts.dump());
        Run("dbus-daemon --session --fork --nosyslog --address=unix:path=" + dir +
            "/bus --print-pid=3 3>" + dir + "/bus.pid");
        ::setenv("DBUS_SESSION_BUS_ADDRESS", ("unix:path=" + dir + "/bus").c_str(), 1);
        Run("/usr/bin/python3 " TARNWICK_GOA_SERVICE " " + dir + " >" + dir +
            "/service.log 2>&1 & echo $! >" + dir + "/service.pid");
        for (int i = 0; i < 100 && !std::ifstream(folder_.File("ready")); ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        if (!std::ifstream(folder_.File("ready")))
            throw std::runtime_error("the stand-in did not start: " + folder_.Read("service.log"));
    }
    ~OnlineAccountsStandIn() {
        for (const char* name : {"service.pid", "bus.pid"})
            if (const int pid = std::atoi(folder_.Read(name).c_str()); pid > 0)
                ::kill(pid, SIGTERM);
    }
    OnlineAccountsStandIn(const OnlineAccountsStandIn&) = delete;
    OnlineAccountsStandIn& operator=(const OnlineAccountsStandIn&) = delete;

    // The calls the service answered, a line each: "<id> <method>".
    std::string Calls() const { return folder_.Read("calls.log"); }

private:
    static void Run(const std::string& command) {
        if (std::system(command.c_str()) != 0) throw std::runtime_error("failed: " + command);
    }
    TempFolder folder_{"goa"};
};
