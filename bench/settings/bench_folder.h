#pragma once
// A temporary program folder for one benchmark, removed when it ends.

#include <stdlib.h>

#include <filesystem>
#include <string>

#include "settings/program_path.h"

class BenchFolder {
public:
    BenchFolder() {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "tarnwick-bench-XXXXXX").string();
        if (::mkdtemp(pattern.data()) == nullptr) abort();
        path_ = pattern;
        SetProgramFolder(path_);
    }
    BenchFolder(const BenchFolder&) = delete;
    BenchFolder& operator=(const BenchFolder&) = delete;
    ~BenchFolder() {
        SetProgramFolder("");
        std::filesystem::remove_all(path_);
    }
    const std::string& Path() const { return path_; }

private:
    std::string path_;
};
