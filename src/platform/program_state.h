#pragma once
// The program-wide values the user interface keeps in memory, all in one place, and the calls
// that hand them to the core. The user interface thread is the only one that touches them;
// the core (src/settings, src/check, src/spam, src/list) never includes this header and takes
// what it needs as arguments.

#include <map>
#include <string>
#include <vector>

#include <optional>

#include "check/certificate_trust.h"
#include "check/session.h"
#include "platform/pop_command.h"  // the window handles
#include "settings/accounts.h"
#include "spam/spam_types.h"

// The account list, in the order of the account sections of the settings file.
inline std::vector<AccountEntry> accounts;

// General switches (section GENERAL).
inline bool autorun = false;
inline bool playWave = false;
inline bool showAdvert = true;
// New mail shows a desktop notification instead of the alert window (NOTIFICATION=desktop).
inline bool desktopNotification = false;

// E-mail address of the account that the list window opens next.
inline std::string PendingAccount;

// Text of the last error that reached the main window's error handler.
inline std::string LastErrorText;

// Why the command on new mail failed last, by e-mail address (shown in the results panel).
inline std::map<std::string, std::string> CommandFailures;

// Whether the TLS library could be loaded when the program started.
inline bool TlsAvailable = false;

// The command line held at least one parameter (an autorun start passes one).
inline bool StartedWithParameters = false;

// The list window's retrieval state.
inline bool ListBusy = false;
inline bool CancelRequested = false;

// A certificate question from a timed check, asked when the program is next idle.
inline std::optional<TrustRequest> PendingTrustQuestion;

// Spam filter: the rules in the order they are tested, and the general criteria.
inline SpamRules spamRules;
inline SpamCriteria spamCriteria;

// What every session of the program is opened with: TlsAvailable.
SessionOptions ProgramSessionOptions();

// The settings file's switches and account list into and out of the values above.
bool LoadSettings();
bool SaveSettings();

// The spam rules and criteria above from and into the settings file; AddSpamRule adds to them.
bool LoadFilter();
bool SaveFilter();
std::int32_t AddSpamRule(std::int32_t kind, std::string_view text);

// Puts every value above back to its start value (the data module's start and end).
void ResetProgramState();
