#include "settings/program_path.h"

#include <filesystem>
#include <system_error>

#include "settings/text_utils.h"

namespace {

std::string& FolderOverride() {
    static std::string folder;
    return folder;
}

std::string ExecutableFolder() {
    std::error_code error;
    const std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", error);
    if (error) return std::filesystem::current_path(error).string();
    return exe.parent_path().string();
}

}  // namespace

std::string ProgramFolder() {
    if (!FolderOverride().empty()) return FolderOverride();
    static const std::string folder = ExecutableFolder();
    return folder;
}

void SetProgramFolder(std::string folder) {
    while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
    FolderOverride() = std::move(folder);
}

std::string ProgramFilePath(std::string_view fileName) {
    std::string path = ProgramFolder() + "/" + std::string(fileName);
    while (path.find("//") != std::string::npos) path = ReplaceAll(path, "//", "/");
    return path;
}
