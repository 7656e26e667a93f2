#pragma once
// A fresh folder below the build's temporary area, removed with its contents when the object
// goes away. Tests point the program folder at it to get their own settings file.

#include <string>
#include <string_view>

class TempFolder {
public:
    explicit TempFolder(std::string_view prefix = "tarnwick");
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const std::string& Path() const { return path_; }
    std::string File(std::string_view name) const { return path_ + "/" + std::string(name); }
    void Write(std::string_view name, std::string_view contents) const;
    std::string Read(std::string_view name) const;

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
