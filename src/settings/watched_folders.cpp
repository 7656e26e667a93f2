#include "settings/watched_folders.h"

#include <algorithm>
#include <charconv>

#include "settings/run_state_keys.h"
#include "settings/text_utils.h"

namespace {

std::string FolderKey(std::size_t n, std::string_view what) {
    return run_state::kFolderPrefix + std::to_string(n) + "_" + std::string(what);
}

std::uint32_t ReadNumber(const IniFile& ini, std::string_view section, const std::string& key) {
    const std::string text = Trim(ini.ReadString(section, key, ""));
    std::uint32_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    return error == std::errc() && end == text.data() + text.size() ? value : 0;
}

}  // namespace

FolderChoice ParseFolderChoice(std::string_view value) {
    FolderChoice choice;
    if (Trim(value) == "*") {
        choice.allSubscribed = true;
        return choice;
    }
    while (!value.empty()) {
        const std::size_t comma = value.find(',');
        std::string name = Trim(value.substr(0, comma));
        value = comma == std::string_view::npos ? std::string_view() : value.substr(comma + 1);
        if (!name.empty() &&
            std::find(choice.names.begin(), choice.names.end(), name) == choice.names.end())
            choice.names.push_back(std::move(name));
    }
    return choice;
}

std::string FolderChoiceValue(const FolderChoice& choice) {
    if (choice.allSubscribed) return "*";
    std::string value;
    for (const std::string& name : choice.names) {
        if (!value.empty()) value += ", ";
        value += name;
    }
    return value;
}

std::vector<FolderRunState> StoredFolderStates(const IniFile& ini, std::string_view section) {
    std::vector<FolderRunState> folders;
    for (std::size_t n = 1;; ++n) {
        FolderRunState folder;
        folder.name = ini.ReadString(section, FolderKey(n, run_state::kFolderName), "");
        if (folder.name.empty()) break;
        folder.count = ini.ReadInteger(section, FolderKey(n, run_state::kCount), 0);
        folder.change = ini.ReadInteger(section, FolderKey(n, run_state::kFolderChange), 0);
        folder.unseen = ReadNumber(ini, section, FolderKey(n, run_state::kUnseen));
        folder.uidNext = ReadNumber(ini, section, FolderKey(n, run_state::kUidNext));
        folder.uidValidity = ReadNumber(ini, section, FolderKey(n, run_state::kUidValidity));
        folders.push_back(std::move(folder));
    }
    return folders;
}

void StoreFolderStates(IniFile& ini, std::string_view section,
                       const std::vector<FolderRunState>& folders) {
    std::size_t n = 1;
    for (const FolderRunState& folder : folders) {
        ini.WriteString(section, FolderKey(n, run_state::kFolderName), folder.name);
        ini.WriteInteger(section, FolderKey(n, run_state::kCount), folder.count);
        ini.WriteInteger(section, FolderKey(n, run_state::kFolderChange), folder.change);
        ini.WriteString(section, FolderKey(n, run_state::kUnseen), std::to_string(folder.unseen));
        ini.WriteString(section, FolderKey(n, run_state::kUidNext), std::to_string(folder.uidNext));
        ini.WriteString(section, FolderKey(n, run_state::kUidValidity),
                        std::to_string(folder.uidValidity));
        ++n;
    }
    for (; !ini.ReadString(section, FolderKey(n, run_state::kFolderName), "").empty(); ++n)
        for (const char* what :
             {run_state::kFolderName, run_state::kCount, run_state::kFolderChange,
              run_state::kUnseen, run_state::kUidNext, run_state::kUidValidity})
            ini.EraseKey(section, FolderKey(n, what));
}

const FolderRunState* FindFolderState(const std::vector<FolderRunState>& folders,
                                      std::string_view name) {
    const auto found = std::find_if(folders.begin(), folders.end(),
                                    [name](const FolderRunState& f) { return f.name == name; });
    return found == folders.end() ? nullptr : &*found;
}
