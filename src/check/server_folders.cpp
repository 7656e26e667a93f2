#include "check/server_folders.h"

#include <algorithm>

#include "check/imap_session.h"
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

// The folders "*" watches among a listing: INBOX, then every subscribed selectable one
// without a special use, in the server's order.
std::vector<const ListedMailbox*> AllSubscribed(const std::vector<ListedMailbox>& listed) {
    std::vector<const ListedMailbox*> watched;
    for (const ListedMailbox& mailbox : listed)
        if (mailbox.selectable && mailbox.subscribed && !mailbox.specialUse &&
            !IsInbox(mailbox.wireName))
            watched.push_back(&mailbox);
    return watched;
}

[[noreturn]] void FolderFailed(const std::string& name, const std::string& error) {
    throw TarnwickError(name + ": " + error);
}

// STATUS of each folder in one flight; the first refusal fails the count.
void CountEach(ImapClient& client, std::vector<CountedFolder>& folders) {
    std::vector<std::string> wires;
    for (const CountedFolder& folder : folders) wires.push_back(folder.wireName);
    const std::vector<FolderStatusAnswer> answers = client.StatusOfEach(wires);
    for (std::size_t i = 0; i < folders.size(); ++i) {
        if (!answers[i].status) FolderFailed(folders[i].name, answers[i].error);
        folders[i].status = *answers[i].status;
    }
}

CountedFolder Inbox() {
    return {"INBOX", "INBOX", {}};
}

// "*" with LIST-STATUS: the subscribed folders and their counts in one command, INBOX's STATUS
// in the same flight; a folder whose count did not come along is asked for after.
std::vector<CountedFolder> CountSubscribedListed(ImapClient& client) {
    std::vector<FolderStatusAnswer> inbox;
    const std::vector<ListedMailbox> listed = client.ListSubscribedWithStatus({"INBOX"}, inbox);
    if (!inbox.front().status) FolderFailed("INBOX", inbox.front().error);
    std::vector<CountedFolder> folders{Inbox()};
    folders.front().status = *inbox.front().status;
    std::vector<CountedFolder> uncounted;
    for (const ListedMailbox* mailbox : AllSubscribed(listed)) {
        CountedFolder folder{mailbox->name, mailbox->wireName, {}};
        if (mailbox->status)
            folder.status = *mailbox->status;
        else
            uncounted.push_back(folder);
        folders.push_back(std::move(folder));
    }
    if (uncounted.empty()) return folders;
    CountEach(client, uncounted);
    for (const CountedFolder& counted : uncounted)
        for (CountedFolder& folder : folders)
            if (folder.wireName == counted.wireName) folder.status = counted.status;
    return folders;
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

bool WatchesFolders(const AccountSettings& account) {
    return account.protocol == MailProtocol::Imap && !ParseFolderChoice(account.folders).Empty();
}

std::vector<CountedFolder> CountWatchedFolders(ImapClient& client, const FolderChoice& choice) {
    std::vector<CountedFolder> folders;
    if (!choice.allSubscribed) {
        for (const std::string& name : choice.names)
            folders.push_back({name, IsInbox(name) ? "INBOX" : EncodeMailboxName(name), {}});
        CountEach(client, folders);
        return folders;
    }
    if (client.HasCapability("LIST-STATUS") && client.HasCapability("LIST-EXTENDED"))
        return CountSubscribedListed(client);
    folders.push_back(Inbox());
    const std::vector<ListedMailbox> listed = client.ListMailboxes();
    for (const ListedMailbox* mailbox : AllSubscribed(listed))
        folders.push_back({mailbox->name, mailbox->wireName, {}});
    CountEach(client, folders);
    return folders;
}
