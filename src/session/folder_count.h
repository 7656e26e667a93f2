#pragma once
// The check of an IMAP account that watches several folders (FOLDERS=): every folder counted
// in one flight, each judged against what the last check found in it, the account's count and
// change their sums (the change: the sum of the arrivals when any folder had some).

#include <optional>
#include <string>
#include <string_view>
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

// The server's folder that `name` (a name of FOLDERS=) means among `serverNames` (decoded): the
// same name; else the one that differs only in its separators ("Lists.dev" for "Lists/dev") or
// by the INBOX prefix of servers that keep every folder below INBOX ("INBOX.Work" for "Work");
// else the only one that differs in letter case as well. None when there is no such folder.
std::optional<std::size_t> MatchFolderName(std::string_view name,
                                           const std::vector<std::string>& serverNames);

// Counts every folder the account watches on a logged-in client: "*" lists the subscribed
// folders and counts them with LIST-STATUS in one flight where the server offers it (else LIST
// and LSUB, then the STATUS commands pipelined); named folders are counted with the STATUS
// commands pipelined in one flight, each by the server's name a check found for it before
// (among `known`, the folders' stored names). A named folder the server refuses is looked for
// in the server's folder list (MatchFolderName) and counted by its name there. A folder that
// cannot be counted fails the whole count with its name and the server's text, and the folders
// the server has.
std::vector<CountedFolder> CountWatchedFolders(ImapClient& client, const FolderChoice& choice,
                                               const std::vector<std::string>& known = {});

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
