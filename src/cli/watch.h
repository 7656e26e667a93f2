#pragma once
// tarnwick-check --watch: checks the enabled accounts on the program's interval and prints
// what changed until SIGTERM or SIGINT ends it.

#include <chrono>
#include <iosfwd>

#include "cli/commands.h"

struct WatchOptions {
    OutputFormat format = OutputFormat::Json;
    // The wait between two checks; 0: the timed check's, by the number of enabled accounts.
    std::chrono::milliseconds interval{0};
};

// The wait between checks that TARNWICK_WATCH_INTERVAL_MS asks for, 0 when it is not set or
// not a positive number.
std::chrono::milliseconds WatchIntervalFromEnvironment();

// Checks every enabled account once and prints its line (JSON) or the status bar summary
// (waybar); then checks the next enabled account after each wait, rereading the settings file
// each time, and prints an account's line when its count or error changed, or the summary when
// it changed. SIGTERM and SIGINT end it, also during a check (whose run state is then left
// as it was), with status 0; 1 when the output can no longer be written.
int WatchAccounts(const WatchOptions& options, std::ostream& out);
