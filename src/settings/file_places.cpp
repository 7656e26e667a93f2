#include "settings/file_places.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <system_error>

#include "settings/errors.h"
#include "settings/file_io.h"
#include "settings/program_path.h"
#include "settings/text_utils.h"

namespace fs = std::filesystem;

namespace {

// The shipped data of an installed tree, seen from its bin/ folder.
constexpr const char* kShippedFromBin = "../share/tarnwick";
constexpr const char* kEnglish = "en";

std::string CollapseSlashes(std::string path) {
    while (path.find("//") != std::string::npos) path = ReplaceAll(path, "//", "/");
    return path;
}

std::string InstalledDataFolder() {
    return fs::path(ProgramFolder() + "/" + kShippedFromBin).lexically_normal().string();
}

bool IsDirectory(const std::string& path) {
    std::error_code error;
    return fs::is_directory(path, error);
}

// Help pages and the language files to start from: share/tarnwick of an installed tree, or
// the program's own folder (a portable copy on a read-only disk carries them beside itself).
std::string ShippedFolder() {
    if (CurrentFileMode() == FileMode::Installed) {
        std::string data = InstalledDataFolder();
        if (IsDirectory(data)) return data;
    }
    return ProgramFolder();
}

std::string UserFolder() {
    if (CurrentFileMode() == FileMode::Portable) return ProgramFolder();
    return ConfigHomeFolder() + "/tarnwick";
}

// True for anything at `path`, a dangling link or an unreadable entry included: only a free
// name gets a copy.
bool PathTaken(const std::string& path) {
    std::error_code error;
    return fs::symlink_status(path, error).type() != fs::file_type::not_found;
}

}  // namespace

FileMode CurrentFileMode() {
    const std::string folder = ProgramFolder();
    if (access(folder.c_str(), W_OK) != 0) return FileMode::Installed;
    return IsDirectory(InstalledDataFolder() + "/lang") ? FileMode::Installed : FileMode::Portable;
}

std::string ProgramFileFolder(ProgramFile file) {
    switch (file) {
        case ProgramFile::Settings:
        case ProgramFile::Language:
        case ProgramFile::Sound:
            return UserFolder();
        case ProgramFile::Help:
            return ShippedFolder() + "/help";
        case ProgramFile::ShippedLanguages:
            return ShippedFolder() + "/lang";
    }
    return ProgramFolder();
}

std::string PlacedFilePath(ProgramFile file, std::string_view name) {
    return CollapseSlashes(ProgramFileFolder(file) + "/" + std::string(name));
}

std::string SettingsFilePath() {
    return PlacedFilePath(ProgramFile::Settings, "vellmoor.ini");
}

std::string LanguageFilePlace() {
    return PlacedFilePath(ProgramFile::Language, "vellmoar.lng");
}

std::string SoundFilePath(std::string_view fileName) {
    return PlacedFilePath(ProgramFile::Sound, fileName);
}

std::string ConfigHomeFolder() {
    const char* config = std::getenv("XDG_CONFIG_HOME");
    if (config != nullptr && config[0] == '/') return CollapseSlashes(std::string(config));
    const char* home = std::getenv("HOME");
    std::string folder = home != nullptr && home[0] != '\0' ? home : "";
    if (folder.empty()) {
        const passwd* entry = getpwuid(getuid());
        if (entry != nullptr && entry->pw_dir != nullptr) folder = entry->pw_dir;
    }
    return CollapseSlashes(folder + "/.config");
}

std::string LocaleLanguageCode(const char* lcAll, const char* lcMessages, const char* lang) {
    const char* chosen = "";
    for (const char* value : {lcAll, lcMessages, lang}) {
        if (value != nullptr && value[0] != '\0') {
            chosen = value;
            break;
        }
    }
    std::string code;
    for (const char* c = chosen; *c != '\0' && *c != '_' && *c != '.' && *c != '@'; ++c) {
        const char lower = *c >= 'A' && *c <= 'Z' ? static_cast<char>(*c - 'A' + 'a') : *c;
        // Only letters: the code names a shipped file and must never reach another folder.
        if (lower < 'a' || lower > 'z') return "";
        code += lower;
    }
    return code == "c" || code == "posix" ? "" : code;
}

void PrepareUserFiles() {
    std::error_code error;
    if (CurrentFileMode() == FileMode::Installed)
        fs::create_directories(ProgramFileFolder(ProgramFile::Settings), error);
    const std::string language = LanguageFilePlace();
    if (PathTaken(language)) return;
    std::string code =
        LocaleLanguageCode(std::getenv("LC_ALL"), std::getenv("LC_MESSAGES"), std::getenv("LANG"));
    for (const std::string& candidate : {code, std::string(kEnglish)}) {
        if (candidate.empty()) continue;
        std::string bytes;
        if (ReadFileBytes(PlacedFilePath(ProgramFile::ShippedLanguages, candidate + ".lng"),
                          bytes) != ReadStatus::Ok)
            continue;
        try {
            WriteFileAtomically(language, bytes);
        } catch (const TarnwickError&) {
        }
        return;
    }
}
