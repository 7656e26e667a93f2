#pragma once
// NEW_MAIL_COMMAND of [GENERAL]: the user's command after a check that brought new mail. It
// runs through /bin/sh -c with the account in its environment only (a server's text never
// becomes part of a command line), its output goes nowhere, and the program never waits for
// it.

#include <QProcessEnvironment>
#include <functional>
#include <string>

// `base` with TARNWICK_EMAIL, TARNWICK_COUNT and TARNWICK_CHANGE of the account.
QProcessEnvironment NewMailCommandEnvironment(QProcessEnvironment base, const std::string& email,
                                              int count, int change);

// Why the command failed, for the results panel; empty when it ran and exited with 0.
using CommandFailed = std::function<void(const std::string& reason)>;

// Starts `command` (nothing when it is blank) and returns at once; `failed` is called on this
// thread when the command could not start, crashed or exited with another status than 0.
void RunNewMailCommand(const std::string& command, const std::string& email, int count, int change,
                       CommandFailed failed);
