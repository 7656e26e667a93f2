#pragma once
// A fresh folder below the build's temporary area (or below `root`), removed with its contents
// when the object goes away. Tests, benchmarks and fuzzers point the program folder at it to
// get their own settings file.

#include <cstddef>
#include <string>
#include <string_view>

class TempFolder {
public:
    explicit TempFolder(std::string_view prefix = "tarnwick", std::string_view root = {});
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const std::string& Path() const { return path_; }
    std::string File(std::string_view name) const { return path_ + "/" + std::string(name); }
    void Write(std::string_view name, std::string_view contents) const;
    std::string Read(std::string_view name) const;
    // How many files the folder holds, to see that no temporary file was left behind.
    std::size_t FileCount() const;

private:
    std::string path_;
};

// Makes `folder` the program folder (where vellmoor.ini is looked for) while it lives.
class ProgramFolderScope {
public:
    explicit ProgramFolderScope(const std::string& folder);
    ~ProgramFolderScope();
    ProgramFolderScope(const ProgramFolderScope&) = delete;
    ProgramFolderScope& operator=(const ProgramFolderScope&) = delete;
};

// The system's temporary folder (reachable by every user, unlike the build tree).
std::string SystemTempRoot();
// A memory-backed folder when there is one (/dev/shm): replacing a file there costs no flush.
std::string MemoryTempRoot();

// One memory-backed program folder for the whole process (a fuzzer's run), removed at exit.
const std::string& ProcessProgramFolder();
