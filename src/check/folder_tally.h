#pragma once
// How the windows, the notification and D-Bus show the folders of an account: the watched
// folders with their counts as the last check stored them, and the "Work: 2 new" lines that
// say where new mail arrived.

#include <cstdint>
#include <string>
#include <vector>

#include "check/server_folders.h"
#include "settings/accounts.h"
#include "settings/ini_file.h"
#include "settings/watched_folders.h"

// The folders of the account with their counts: for an account that watches several, the run
// state its last check stored, or the folders FOLDERS= names with no counts before its first
// check; for any other account its one folder (FOLDER=, else INBOX) with the account's count
// (COUNT=) and `lastChange`.
std::vector<FolderRunState> ShownFolderStates(const AccountSettings& account, const IniFile& ini,
                                              int lastChange);

// "INBOX 3", "Work 5 (+2)", "Lists/dev 0", one folder a line: each with its count, and its change
// when it had one.
std::string FolderCountsText(const std::vector<FolderRunState>& folders);

// Arrivals in one folder of an account.
struct FolderArrival {
    std::string folder;
    int count = 0;
};

// Adds `arrived` to the arrivals of its folder in `into` (a folder first seen goes last); the
// sum is held to the int range.
void AddFolderArrival(std::vector<FolderArrival>& into, const FolderArrival& arrived);
// The folders whose count rose at the last check, as arrivals.
std::vector<FolderArrival> FolderArrivals(const std::vector<FolderRunState>& folders);

// "Work: 2 new" for each folder that had arrivals, in the language of the texts.
std::vector<std::string> FolderArrivalLines(const std::vector<FolderArrival>& arrivals);
