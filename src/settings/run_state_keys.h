#pragma once
// The keys that a check writes into an account's section of the settings file as its run
// state, beside the account's own settings. The stored names never change: other copies of the
// program, older ones included, read the same file.

namespace run_state {

inline constexpr const char* kCount = "COUNT";              // messages on the server
inline constexpr const char* kLastCheck = "LAST_CHECK";     // when the last check ended
inline constexpr const char* kLastResult = "LAST_RESULT";   // "1" it succeeded, "0" it failed
inline constexpr const char* kLastError = "LAST_ERROR";     // why it failed, on one line
inline constexpr const char* kLastIncome = "LAST_INCOME";   // when new mail last came
inline constexpr const char* kLastUidl = "LAST_UIDL";       // the newest message's unique id
inline constexpr const char* kUidNext = "UIDNEXT";          // IMAP: the next UID the folder gives
inline constexpr const char* kUidValidity = "UIDVALIDITY";  // IMAP: the folder's UIDVALIDITY
inline constexpr const char* kUnseen = "UNSEEN";            // IMAP: messages not yet seen
inline constexpr const char* kPop3Capabilities = "POP3_CAPA";  // POP3: the server's CAPA, kept

// A watched folder's keys: kFolderPrefix, its number (from 1), "_" and one of kFolderName,
// kCount, kFolderChange, kUnseen, kUidNext and kUidValidity, as FOLDER1_UIDNEXT.
inline constexpr const char* kFolderPrefix = "FOLDER";
inline constexpr const char* kFolderName = "NAME";
inline constexpr const char* kFolderChange = "CHANGE";  // the folder's change at the last check

}  // namespace run_state
