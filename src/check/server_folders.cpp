#include "check/server_folders.h"

#include <algorithm>

#include "session/imap_session.h"
#include "settings/errors.h"
#include "settings/text_utils.h"
#include "settings/watched_folders.h"

namespace {

bool IsInbox(std::string_view name) {
    return SameTextAscii(name, "INBOX");
}

ServerFolder Shown(const ListedMailbox& mailbox) {
    return {IsInbox(mailbox.wireName) ? std::string("INBOX") : mailbox.name, mailbox.subscribed,
            mailbox.specialUse};
}

}  // namespace

FolderListing ListServerFolders(const AccountSettings& account, const SessionOptions& options) {
    FolderListing listing;
    auto client = NewImapClient(account, options);
    try {
        TakeCredential(account, *client);
        client->ConnectAndLogIn();
        for (const ListedMailbox& mailbox : client->ListMailboxes())
            if (mailbox.selectable) listing.folders.push_back(Shown(mailbox));
        std::stable_partition(listing.folders.begin(), listing.folders.end(),
                              [](const ServerFolder& folder) { return IsInbox(folder.name); });
        listing.listed = true;
        EndImapSession(client);
    } catch (const Cancelled&) {
        throw;
    } catch (const std::exception& error) {
        listing.certificateFailure = client ? client->CertificateFailure() : std::nullopt;
        listing.error = SessionErrorText(error.what(), listing.certificateFailure.has_value(),
                                         client ? client->pin : std::string());
        listing.folders.clear();
        EndImapSession(client);
    }
    return listing;
}

std::vector<std::string> WatchedFolderNames(const AccountSettings& account,
                                            const std::vector<ServerFolder>& listing) {
    const FolderChoice choice = ParseFolderChoice(account.folders);
    if (!choice.allSubscribed) return choice.names;
    std::vector<std::string> names{"INBOX"};
    for (const ServerFolder& folder : listing)
        if (folder.subscribed && !folder.specialUse && !IsInbox(folder.name))
            names.push_back(folder.name);
    return names;
}
