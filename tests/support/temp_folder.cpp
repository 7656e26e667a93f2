#include "support/temp_folder.h"

#include <unistd.h>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <stdexcept>

#include "settings/program_path.h"

namespace fs = std::filesystem;

namespace {

fs::path TempRoot() {
#ifdef TARNWICK_TEST_TMP
    return TARNWICK_TEST_TMP;
#else
    return fs::temp_directory_path();
#endif
}

}  // namespace

TempFolder::TempFolder(std::string_view prefix, std::string_view rootFolder) {
    static std::atomic<int> counter{0};
    const fs::path root = rootFolder.empty() ? TempRoot() : fs::path(rootFolder);
    fs::create_directories(root);
    for (;;) {
        const fs::path candidate = root / (std::string(prefix) + "-" + std::to_string(getpid()) +
                                           "-" + std::to_string(counter++));
        if (fs::create_directory(candidate)) {
            path_ = candidate.string();
            return;
        }
    }
}

TempFolder::~TempFolder() {
    std::error_code ignored;
    fs::remove_all(path_, ignored);
}

void TempFolder::Write(std::string_view name, std::string_view contents) const {
    std::ofstream out(File(name), std::ios::binary | std::ios::trunc);
    out.write(contents.data(), static_cast<std::streamsize>(contents.size()));
    if (!out) throw std::runtime_error("cannot write " + File(name));
}

std::string TempFolder::Read(std::string_view name) const {
    std::ifstream in(File(name), std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

std::size_t TempFolder::FileCount() const {
    return static_cast<std::size_t>(
        std::distance(fs::directory_iterator(path_), fs::directory_iterator()));
}

std::string SystemTempRoot() {
    return fs::temp_directory_path().string();
}

std::string MemoryTempRoot() {
    std::error_code error;
    if (fs::is_directory("/dev/shm", error) && ::access("/dev/shm", W_OK) == 0) return "/dev/shm";
    return SystemTempRoot();
}

const std::string& ProcessProgramFolder() {
    static const TempFolder folder("tarnwick-fuzz", MemoryTempRoot());
    static const ProgramFolderScope scope(folder.Path());
    return folder.Path();
}

ProgramFolderScope::ProgramFolderScope(const std::string& folder) {
    SetProgramFolder(folder);
}

ProgramFolderScope::~ProgramFolderScope() {
    SetProgramFolder("");
}
