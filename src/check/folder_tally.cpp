#include "check/folder_tally.h"

#include <algorithm>
#include <climits>

#include "settings/counted_text.h"
#include "settings/settings.h"

std::vector<FolderRunState> ShownFolderStates(const AccountSettings& account, const IniFile& ini,
                                              int lastChange) {
    const std::string section = AccountSection(account);
    if (!WatchesFolders(account)) {
        FolderRunState one;
        one.name = account.Folder();
        one.count = ini.ReadInteger(section, "COUNT", 0);
        one.change = lastChange;
        return {one};
    }
    std::vector<FolderRunState> stored = StoredFolderStates(ini, section);
    if (!stored.empty()) return stored;
    for (const std::string& name : ParseFolderChoice(account.folders).names)
        stored.push_back({name, 0, 0, 0, 0, 0});
    return stored;
}

std::string FolderCountsText(const std::vector<FolderRunState>& folders) {
    std::string text;
    for (const FolderRunState& folder : folders) {
        if (!text.empty()) text += "\n";
        text += folder.name + " " + std::to_string(folder.count);
        if (folder.change != 0)
            text += std::string(" (") + (folder.change > 0 ? "+" : "") +
                    std::to_string(folder.change) + ")";
    }
    return text;
}

void AddFolderArrival(std::vector<FolderArrival>& into, const FolderArrival& arrived) {
    if (arrived.count <= 0) return;
    auto found = std::find_if(into.begin(), into.end(), [&](const FolderArrival& known) {
        return known.folder == arrived.folder;
    });
    if (found == into.end()) {
        into.push_back(arrived);
        return;
    }
    found->count = arrived.count > INT_MAX - found->count ? INT_MAX : found->count + arrived.count;
}

std::vector<FolderArrival> FolderArrivals(const std::vector<FolderRunState>& folders) {
    std::vector<FolderArrival> arrivals;
    for (const FolderRunState& folder : folders)
        AddFolderArrival(arrivals, {folder.name, folder.change});
    return arrivals;
}

std::vector<std::string> FolderArrivalLines(const std::vector<FolderArrival>& arrivals) {
    std::vector<std::string> lines;
    for (const FolderArrival& arrival : arrivals) {
        if (arrival.count <= 0) continue;
        const auto count = static_cast<unsigned long long>(arrival.count);
        lines.push_back(arrival.folder + ": " + std::to_string(count) + " " +
                        CountedText("notification_new", count));
    }
    return lines;
}
