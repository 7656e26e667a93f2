#pragma once
// The folders an IMAP account watches (FOLDERS= in its section) and what the last check found in
// each of them, kept in the account's section as FOLDER<n>_NAME, FOLDER<n>_COUNT, FOLDER<n>_CHANGE,
// FOLDER<n>_UNSEEN, FOLDER<n>_UIDNEXT and FOLDER<n>_UIDVALIDITY (n from 1). Accounts without
// FOLDERS= watch one folder (FOLDER=, else INBOX) and keep none of these keys.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "settings/ini_file.h"

// FOLDERS= as the user wrote it: "*" for INBOX and every subscribed folder but the junk, trash,
// sent, drafts and all-mail ones; else folder names (decoded, as shown) separated by commas.
struct FolderChoice {
    bool allSubscribed = false;
    std::vector<std::string> names;  // trimmed, none empty, no repeats, in the order given

    bool Empty() const { return !allSubscribed && names.empty(); }
};

FolderChoice ParseFolderChoice(std::string_view value);
// The value to store: "*", or the names joined by ", ".
std::string FolderChoiceValue(const FolderChoice& choice);

// What one check found in one folder.
struct FolderRunState {
    std::string name;  // decoded, as shown
    int count = 0;     // messages in it
    int change = 0;    // the change of its count at that check, arrivals by UIDNEXT included
    std::uint32_t unseen = 0;
    std::uint32_t uidNext = 0;
    std::uint32_t uidValidity = 0;
};

// The folders' run state stored in `section`, in the order stored; none when there is none.
// Numbers that are not numbers read as 0; a FOLDER<n>_NAME missing ends the list.
std::vector<FolderRunState> StoredFolderStates(const IniFile& ini, std::string_view section);
// Replaces the folders' run state in `section` with `folders`, removing the keys of folders
// beyond them.
void StoreFolderStates(IniFile& ini, std::string_view section,
                       const std::vector<FolderRunState>& folders);
// The stored state of the folder named `name` (compared exactly); nullptr when none.
const FolderRunState* FindFolderState(const std::vector<FolderRunState>& folders,
                                      std::string_view name);
