#pragma once
// The check of an IMAP account that watches several folders (FOLDERS=): every folder counted
// in one flight, each judged against what the last check found in it, the account's count and
// change their sums (the change: the sum of the arrivals when any folder had some).

#include <vector>

#include "check/imap_session.h"
#include "check/server_folders.h"
#include "settings/ini_file.h"
#include "settings/watched_folders.h"

// Each folder's run state after a check that found `counted`, judged against its stored state
// (by name): its change with its arrivals by UIDNEXT (ChangeWithArrivals). A folder without a
// stored state counts as empty before, as a new account's folder does; but the account's one
// folder of before (`previous`: FOLDER= or INBOX, with the account's COUNT, UIDNEXT and
// UIDVALIDITY) is judged against that when no folder has a state yet.
std::vector<FolderRunState> JudgeFolders(const std::vector<CountedFolder>& counted,
                                         const std::vector<FolderRunState>& stored,
                                         const FolderRunState& previous);

// The count of a logged-in session's folders: the folders' run state and the account's COUNT
// (when changed) and UNSEEN go into `runState`; when messages arrived and `newHeaders` is
// above 0, the headers of that many of the newest arrivals at most are fetched, each naming
// its folder (a failure there leaves them out). Throws the count's failure.
ImapCount CountFolders(const AccountSettings& account, ImapClient& client, const IniFile& settings,
                       RunState& runState, int newHeaders);
