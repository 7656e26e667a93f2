#pragma once
// The session of an account's protocol.

#include <memory>

#include "session/mail_session.h"
#include "session/run_state.h"
#include "session/session_options.h"
#include "settings/accounts.h"

// Connects and logs in as the account's protocol does, recording the outcome in `runState` as
// OpenSession does (a POP3 session also counts). Never throws for a connection or login
// failure; test IsConnected() on the result.
std::unique_ptr<MailSession> OpenMailSession(const AccountSettings& account,
                                             const SessionOptions& options, RunState& runState);
