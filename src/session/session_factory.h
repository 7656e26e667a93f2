#pragma once
// The session of an account's protocol, for the list and for a check.

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

// A session for a check of the account (MailSession::CheckMailbox), recording the outcome as
// OpenMailSession does: a POP3 session counts with STAT after the login; an IMAP session asks
// STATUS of the account's folder after the login and is closed again when either fails.
std::unique_ptr<MailSession> OpenCheckSession(const AccountSettings& account,
                                              const SessionOptions& options, RunState& runState);
