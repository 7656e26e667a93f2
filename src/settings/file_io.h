#pragma once
// Whole-file reading and replacing for the settings and language files. A file is replaced by
// writing a temporary file beside it and renaming that over it, so a crash or a full disk
// never leaves half a file behind.

#include <string>
#include <string_view>

enum class ReadStatus { Ok, Missing, Failed };

// Reads every byte of `path` into `bytes` (left empty unless the status is Ok); on Failed the
// system's error number goes to `error` when given.
ReadStatus ReadFileBytes(const std::string& path, std::string& bytes, int* error = nullptr);

// Who may read and write a file that is replaced.
enum class FileAccess {
    KeepExisting,  // as the old file (a new file: as the file mode mask allows)
    OwnerOnly,     // the owner only (0600), whatever the old file allowed
};

// The file that a write of `path` really replaces: the target of a symbolic link, else `path`.
std::string ReplacedFile(const std::string& path);

// Replaces the file at `path` by `content`. The new file is written without a name where the
// platform allows (a killed save leaves nothing behind), else under a temporary name beside
// it; temporary files that killed saves left are removed. On any failure the old file stays
// as it was and TarnwickError(WriteErrorText(path, reason)) is thrown.
void WriteFileAtomically(const std::string& path, std::string_view content,
                         FileAccess access = FileAccess::KeepExisting);

// "Unable to write to <path>: <the system's text for `error`>".
std::string WriteErrorText(const std::string& path, int error);
