#pragma once
// The few program-wide values the program keeps in memory, all in one place. The user
// interface thread is the only one that touches them.

#include <string>
#include <vector>

#include "settings/accounts.h"

// The account list, in the order of the account sections of the settings file.
inline std::vector<T_pop3item> accounts;

// General switches (section GENERAL).
inline bool autorun = false;
inline bool playWave = false;
inline bool showAdvert = true;

// E-mail address of the account that the list window opens next.
inline std::string PendingAccount;

// Text of the last error that reached the main window's error handler.
inline std::string LastErrorText;

// Whether the TLS library could be loaded when the program started.
inline bool TlsAvailable = false;

// The command line held at least one parameter (an autorun start passes one).
inline bool StartedWithParameters = false;

// The language table: the lines of the language file in file order, the file's path (fixed
// when the table is loaded), how many values were enciphered since the last write-back, and
// whether the file existed but could not be read (then it is never replaced).
struct T_languageState {
    std::string path;
    std::vector<std::string> lines;
    int enciphered = 0;
    bool unreadable = false;
};
inline T_languageState languageState;

// The list window's retrieval state.
inline bool ListBusy = false;
inline bool CancelRequested = false;

// Spam filter: the rules in the order they are tested, and the general criteria.
#include <memory>

#include "spam/spam_types.h"

inline std::vector<std::unique_ptr<T_spam>> spamRules;
inline T_spam_criteria spamCriteria;
