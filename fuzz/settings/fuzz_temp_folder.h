#pragma once
// One temporary folder for the whole fuzzing run, made the program's folder and removed at exit.

#include <stdlib.h>
#include <unistd.h>

#include <filesystem>
#include <string>

#include "settings/program_path.h"

class FuzzTempFolder {
public:
    FuzzTempFolder() {
        // Memory-backed when possible: replacing a file on a disk file system costs a flush.
        std::error_code error;
        const bool shm =
            std::filesystem::is_directory("/dev/shm", error) && ::access("/dev/shm", W_OK) == 0;
        const std::filesystem::path base =
            shm ? std::filesystem::path("/dev/shm") : std::filesystem::temp_directory_path();
        path_ = (base / "tarnwick-fuzz-XXXXXX").string();
        if (::mkdtemp(path_.data()) == nullptr) abort();
        SetProgramFolder(path_);
    }
    FuzzTempFolder(const FuzzTempFolder&) = delete;
    FuzzTempFolder& operator=(const FuzzTempFolder&) = delete;
    ~FuzzTempFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    const std::string& Path() const { return path_; }

private:
    std::string path_;
};

inline const std::string& FuzzFolder() {
    static const FuzzTempFolder folder;
    return folder.Path();
}
