#pragma once
// tarnwick-check: the check cycle from the command line, for status bars and scripts.
// RunCommandLine (commands.cpp) reads the arguments and dispatches to one function per mode;
// a new mode is one more branch there and one more function.

#include <ostream>
#include <string>
#include <vector>

// Exit statuses.
constexpr int kExitOk = 0;
constexpr int kExitFailed = 1;
constexpr int kExitUsage = 2;

// What a command prints when memory runs out, instead of the exception's bare name.
constexpr const char* kOutOfMemory = "Not enough memory to finish the command.";

// Runs the command with its arguments (without the program name).
int RunCommandLine(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

// How the check of every account prints what it found.
enum class OutputFormat {
    Tab,     // one tab-separated line per account
    Json,    // one JSON object per account and line
    Waybar,  // one summary object for status bars
};

// Checks every enabled account of the settings file once, in list order, and prints one line
// per account: address, count ("-" when the check failed), change, "OK" or the stored error;
// as JSON, or as the status bar summary after the last check.
int CheckAllAccounts(std::ostream& out, OutputFormat format = OutputFormat::Tab);
