#pragma once
// The check of an IMAP account that watches several folders (FOLDERS=): every folder counted
// in one flight, each judged against what the last check found in it, the account's count and
// change their sums (the change: the sum of the arrivals when any folder had some).

#include <string>
#include <vector>

#include "imap/imap_client.h"
#include "session/imap_session.h"
#include "session/run_state.h"
#include "settings/accounts.h"
#include "settings/ini_file.h"
#include "settings/watched_folders.h"

// True for an IMAP account with FOLDERS= naming at least one folder (or "*").
bool WatchesFolders(const AccountSettings& account);

// One watched folder as a check's flight found it.
struct CountedFolder {
    std::string name;      // decoded, as shown and stored
    std::string wireName;  // as sent to the server
    FolderStatus status;
};

// Counts every folder the account watches on a logged-in client: "*" lists the subscribed
// folders and counts them with LIST-STATUS in one flight where the server offers it (else LIST
// and LSUB, then the STATUS commands pipelined); named folders are counted with the STATUS
// commands pipelined (one flight, with the login when it waits to be read). A folder that
// cannot be counted fails the whole count with its name and the server's text.
std::vector<CountedFolder> CountWatchedFolders(ImapClient& client, const FolderChoice& choice);

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
