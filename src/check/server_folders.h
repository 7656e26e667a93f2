#pragma once
// The folders an IMAP account's server offers, for the user to choose which to watch, and the
// folders a check of the account watches.

#include <optional>
#include <string>
#include <vector>

#include "check/certificate_trust.h"
#include "imap/imap_client.h"
#include "session/folder_count.h"
#include "session/session_options.h"
#include "settings/accounts.h"
#include "settings/watched_folders.h"

// One folder of the server's list.
struct ServerFolder {
    std::string name;  // decoded from the server's modified UTF-7, as shown
    bool subscribed = false;
    // Marked \Junk, \Trash, \Sent, \Drafts or \All by the server: left out of "every subscribed
    // folder".
    bool specialUse = false;
};

// What asking the server for its folders brought.
struct FolderListing {
    bool listed = false;  // false: the session failed, `error` says why
    std::string error;
    std::optional<CertificateProblem> certificateFailure;
    std::vector<ServerFolder> folders;  // in the server's order; INBOX first when it has one
};

// Opens a session for the account, lists every folder with whether it is subscribed and its
// special use, and logs out. Never throws for a connection or login failure.
FolderListing ListServerFolders(const AccountSettings& account, const SessionOptions& options);

// The folders a check of the account watches when FOLDERS= names them: INBOX and the
// subscribed folders without a special use for "*", else the names given; from `listing`
// where "*" needs it.
std::vector<std::string> WatchedFolderNames(const AccountSettings& account,
                                            const std::vector<ServerFolder>& listing);
