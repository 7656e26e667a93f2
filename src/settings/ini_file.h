#pragma once
// Reader and writer of Windows-style initialisation files: sections and keys matched without
// regard to case, file order kept, CR LF line ends. Every operation works on the file as it
// is on disk at that moment, so two objects on the same file never undo each other's writes.
// Every write goes to a temporary file beside the file and is renamed over it; a failed write
// throws TarnwickError("Unable to write to <path>").

#include <string>
#include <string_view>
#include <vector>

class IniFile {
public:
    explicit IniFile(std::string path);

    const std::string& Path() const { return path_; }

    // Value trimmed of blanks, at most 2047 characters; `def` when the section or key is missing.
    std::string ReadString(std::string_view section, std::string_view key,
                           std::string_view def) const;
    // Decimal, "0x" hex or "$" hex; `def` for anything else.
    int ReadInteger(std::string_view section, std::string_view key, int def) const;
    // An integer read with the default 1 or 0; any value but 0 is true.
    bool ReadBool(std::string_view section, std::string_view key, bool def) const;

    void WriteString(std::string_view section, std::string_view key, std::string_view value);
    void WriteInteger(std::string_view section, std::string_view key, int value);
    void WriteBool(std::string_view section, std::string_view key, bool value);

    // Section names as written, in file order (as far as a 16 384-byte name list holds them).
    std::vector<std::string> ReadSections() const;
    // Key names of one section, in file order (same limit).
    std::vector<std::string> ReadSection(std::string_view section) const;
    bool SectionExists(std::string_view section) const;
    void EraseSection(std::string_view section);

private:
    std::string path_;
};
