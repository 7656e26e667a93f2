#pragma once
// Whole-file reading and replacing for the settings and language files. A file is replaced by
// writing a temporary file beside it and renaming that over it, so a crash or a full disk
// never leaves half a file behind.

#include <sys/types.h>
#include <ctime>
#include <optional>
#include <string>
#include <string_view>

enum class ReadStatus { Ok, Missing, Failed };

// What stat(2) tells of a file's contents without reading them: a replacement by rename gives
// another inode, a change in place another size or change time.
struct FileStamp {
    dev_t device = 0;
    ino_t inode = 0;
    off_t size = 0;
    std::timespec modified{};
    std::timespec changed{};

    bool operator==(const FileStamp& other) const;
};

// The stamp of the regular file at `path` (links followed); none when there is none.
std::optional<FileStamp> StampOf(const std::string& path);

// Reads every byte of `path` into `bytes` (left empty unless the status is Ok); on Failed the
// system's error number goes to `error` when given. With `stamp`, the stamp of the file read
// goes there (none for what is not a regular file).
ReadStatus ReadFileBytes(const std::string& path, std::string& bytes, int* error = nullptr,
                         std::optional<FileStamp>* stamp = nullptr);

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
