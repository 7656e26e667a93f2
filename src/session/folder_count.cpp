#include "session/folder_count.h"

#include <algorithm>
#include <climits>

#include "settings/errors.h"
#include "settings/run_state_keys.h"
#include "settings/settings.h"
#include "settings/text_utils.h"

namespace {

bool IsInbox(std::string_view name) {
    return SameTextAscii(name, "INBOX");
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

// The key two names of one folder share: separators as "/", no "INBOX/" before a folder below it.
std::string FolderKey(std::string_view name) {
    std::string key(name);
    std::replace(key.begin(), key.end(), '.', '/');
    if (key.size() > 6 && SameTextAscii(std::string_view(key).substr(0, 6), "INBOX/"))
        key.erase(0, 6);
    return key;
}

// The error of folders not found: the server's text and the folders the server has, INBOX
// first, the others in the order of their names.
std::string NotFoundText(const std::string& error, std::vector<std::string> serverNames) {
    constexpr std::size_t kNamesShown = 20;
    std::sort(serverNames.begin(), serverNames.end(), [](const auto& a, const auto& b) {
        return IsInbox(a) != IsInbox(b) ? IsInbox(a) : a < b;
    });
    std::string names;
    for (std::size_t i = 0; i < serverNames.size() && i < kNamesShown; ++i)
        names += (names.empty() ? "" : ", ") + serverNames[i];
    if (serverNames.size() > kNamesShown) names += ", ...";
    return error + "\r\nThe server's folders: " + (names.empty() ? "none" : names);
}

// STATUS of named folders; each the server refuses is looked for in its folder list and asked
// again by the name found there.
void CountNamed(ImapClient& client, std::vector<CountedFolder>& folders,
                const std::vector<std::string>& asked) {
    std::vector<std::string> wires;
    for (const CountedFolder& folder : folders) wires.push_back(folder.wireName);
    std::vector<FolderStatusAnswer> answers = client.StatusOfEach(wires);
    std::vector<std::size_t> refused;
    for (std::size_t i = 0; i < folders.size(); ++i) {
        if (answers[i].status)
            folders[i].status = *answers[i].status;
        else
            refused.push_back(i);
    }
    if (refused.empty()) return;
    std::vector<ListedMailbox> listed = client.ListMailboxes();
    std::erase_if(listed, [](const ListedMailbox& mailbox) { return !mailbox.selectable; });
    std::vector<std::string> serverNames;
    for (const ListedMailbox& mailbox : listed) serverNames.push_back(mailbox.name);
    std::vector<std::string> again;
    for (const std::size_t i : refused) {
        const auto found = MatchFolderName(asked[i], serverNames);
        if (!found || listed[*found].wireName == folders[i].wireName)
            FolderFailed(asked[i], NotFoundText(answers[i].error, serverNames));
        folders[i].name = listed[*found].name;
        folders[i].wireName = listed[*found].wireName;
        again.push_back(folders[i].wireName);
    }
    answers = client.StatusOfEach(again);
    for (std::size_t n = 0; n < refused.size(); ++n) {
        CountedFolder& folder = folders[refused[n]];
        if (!answers[n].status) FolderFailed(folder.name, answers[n].error);
        folder.status = *answers[n].status;
    }
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

int Clamped(long long value) {
    return static_cast<int>(std::clamp<long long>(value, INT_MIN, INT_MAX));
}

// The headers of the folders' arrivals, the first folders' first, at most `wanted` in all;
// none from a folder where fetching fails.
std::vector<NewMessageHeader> FolderHeaders(ImapClient& client,
                                            const std::vector<FolderRunState>& judged,
                                            const std::vector<CountedFolder>& counted,
                                            const std::vector<FolderRunState>& stored, int wanted) {
    std::vector<NewMessageHeader> headers;
    for (std::size_t i = 0; i < judged.size() && static_cast<int>(headers.size()) < wanted; ++i) {
        if (judged[i].change <= 0) continue;
        const FolderRunState* before = FindFolderState(stored, judged[i].name);
        const bool sameUids =
            before && before->uidNext != 0 && before->uidValidity == counted[i].status.uidValidity;
        const int take = std::min(judged[i].change, wanted - static_cast<int>(headers.size()));
        try {
            for (NewMessageHeader& header : FetchNewImapHeaders(client, judged[i].name, take,
                                                                sameUids ? before->uidNext : 0)) {
                header.folder = judged[i].name;
                headers.push_back(std::move(header));
            }
        } catch (const Cancelled&) {
            throw;
        } catch (const std::exception&) {
            break;  // the session failed: the counts are found already
        }
    }
    return headers;
}

}  // namespace

std::optional<std::size_t> MatchFolderName(std::string_view name,
                                           const std::vector<std::string>& serverNames) {
    for (std::size_t i = 0; i < serverNames.size(); ++i)
        if (serverNames[i] == name) return i;
    const std::string key = FolderKey(name);
    for (std::size_t i = 0; i < serverNames.size(); ++i)
        if (FolderKey(serverNames[i]) == key) return i;
    std::optional<std::size_t> found;
    for (std::size_t i = 0; i < serverNames.size(); ++i) {
        if (!SameTextAscii(FolderKey(serverNames[i]), key)) continue;
        if (found) return std::nullopt;  // which one is meant cannot be told
        found = i;
    }
    return found;
}

bool WatchesFolders(const AccountSettings& account) {
    return account.protocol == MailProtocol::Imap && !ParseFolderChoice(account.folders).Empty();
}

std::vector<CountedFolder> CountWatchedFolders(ImapClient& client, const FolderChoice& choice,
                                               const std::vector<std::string>& known) {
    std::vector<CountedFolder> folders;
    if (!choice.allSubscribed) {
        for (const std::string& name : choice.names) {
            // Only a name that differs in separators or the INBOX prefix: another in letter case
            // may be another folder since FOLDERS= changed.
            auto found = IsInbox(name) ? std::nullopt : MatchFolderName(name, known);
            if (found && FolderKey(known[*found]) != FolderKey(name)) found.reset();
            const std::string& server = found ? known[*found] : name;
            folders.push_back({server, IsInbox(server) ? "INBOX" : EncodeMailboxName(server), {}});
        }
        CountNamed(client, folders, choice.names);
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

std::vector<FolderRunState> JudgeFolders(const std::vector<CountedFolder>& counted,
                                         const std::vector<FolderRunState>& stored,
                                         const FolderRunState& previous) {
    std::vector<FolderRunState> judged;
    for (const CountedFolder& folder : counted) {
        const FolderRunState* before = FindFolderState(stored, folder.name);
        if (!before && stored.empty() && folder.name == previous.name) before = &previous;
        FolderRunState state;
        state.name = folder.name;
        state.count = static_cast<int>(std::min<std::uint32_t>(folder.status.messages, INT_MAX));
        state.unseen = folder.status.unseen;
        state.uidNext = folder.status.uidNext;
        state.uidValidity = folder.status.uidValidity;
        const int storedCount = before ? before->count : 0;
        state.change = ChangeWithArrivals(
            Clamped(static_cast<long long>(state.count) - storedCount), state.count, folder.status,
            before ? before->uidNext : 0, before ? before->uidValidity : 0);
        judged.push_back(std::move(state));
    }
    return judged;
}

ImapCount CountFolders(const AccountSettings& account, ImapClient& client, const IniFile& settings,
                       RunState& runState, int newHeaders) {
    const std::string section = AccountSection(account);
    const std::vector<FolderRunState> stored = StoredFolderStates(settings, section);
    std::vector<std::string> known;
    for (const FolderRunState& folder : stored) known.push_back(folder.name);
    const std::vector<CountedFolder> counted =
        CountWatchedFolders(client, ParseFolderChoice(account.folders), known);
    FolderRunState previous;
    previous.name = account.Folder();
    previous.count = settings.ReadInteger(section, run_state::kCount, 0);
    previous.uidNext = StoredNumber(settings, section, run_state::kUidNext);
    previous.uidValidity = StoredNumber(settings, section, run_state::kUidValidity);

    ImapCount result;
    result.counted = true;
    result.folders = JudgeFolders(counted, stored, previous);
    long long count = 0;
    long long change = 0;
    long long arrived = 0;
    long long unseen = 0;
    for (const FolderRunState& folder : result.folders) {
        count += folder.count;
        change += folder.change;
        arrived += std::max(folder.change, 0);
        unseen += folder.unseen;
    }
    result.count = Clamped(count);
    // Mail that came to one folder is news even while more went from another (as within one
    // folder): then the change is the arrivals.
    result.change = Clamped(arrived > 0 ? arrived : change);
    result.unseen = static_cast<std::uint32_t>(std::min<long long>(unseen, UINT32_MAX));
    if (result.change > 0 && newHeaders > 0)
        result.newHeaders = FolderHeaders(client, result.folders, counted, stored,
                                          std::min(newHeaders, kNewHeaderLimit));

    if (result.count != settings.ReadInteger(section, run_state::kCount, 0))
        runState.Write(section, run_state::kCount, std::to_string(result.count));
    runState.Write(section, run_state::kUnseen, std::to_string(result.unseen));
    runState.Edit([section, folders = result.folders](IniFile& ini) {
        StoreFolderStates(ini, section, folders);
    });
    return result;
}
