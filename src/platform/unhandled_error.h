#pragma once
// Where an error that no handler caught goes: the main window's handler, or standard error.

#include <functional>
#include <string>

// Receives the message of every error that escaped an event handler; none clears it.
using UnhandledErrorHandler = std::function<void(const std::string& message)>;
void SetUnhandledErrorHandler(UnhandledErrorHandler handler);

// Hands `message` to the handler (or writes it to stderr when there is none).
void ReportUnhandledError(const std::string& message);
