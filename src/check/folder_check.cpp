#include "check/folder_check.h"

#include <algorithm>
#include <climits>

#include "settings/errors.h"
#include "settings/settings.h"

namespace {

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
    const std::vector<CountedFolder> counted =
        CountWatchedFolders(client, ParseFolderChoice(account.folders));
    const std::vector<FolderRunState> stored = StoredFolderStates(settings, section);
    FolderRunState previous;
    previous.name = account.Folder();
    previous.count = settings.ReadInteger(section, "COUNT", 0);
    previous.uidNext = StoredNumber(settings, section, "UIDNEXT");
    previous.uidValidity = StoredNumber(settings, section, "UIDVALIDITY");

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

    if (result.count != settings.ReadInteger(section, "COUNT", 0))
        runState.Write(section, "COUNT", std::to_string(result.count));
    runState.Write(section, "UNSEEN", std::to_string(result.unseen));
    runState.Edit([section, folders = result.folders](IniFile& ini) {
        StoreFolderStates(ini, section, folders);
    });
    return result;
}
