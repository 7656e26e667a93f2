#pragma once
// Reader and writer of Windows-style initialisation files: sections and keys matched without
// regard to case, file order kept, CR LF line ends. Every operation works on the file as it
// is on disk at that moment, so two objects on the same file never undo each other's writes.
// Reading costs one stat(2) while the file is as the process last read or wrote it: its parsed
// lines are shared by every object on the file in the process and parsed again only when the
// file's stamp (FileStamp) changes; a file changed within the last clock ticks, whose stamp
// proves nothing yet, is read again and its bytes compared.
// Every write takes the file's lock (FileLock, waited for at most 10 s), reads the file as it is
// then, changes only what it writes, puts the result in a temporary file beside the file,
// renames that over it and releases the lock; so writers in other threads and processes never
// undo each other's writes either. A failed write throws
// TarnwickError("Unable to write to <path>: <reason>").

#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "settings/file_io.h"
#include "settings/file_lock.h"

class IniDocument;

class IniFile {
public:
    // `access`: who may read and write the file once this object has replaced it.
    explicit IniFile(std::string path, FileAccess access = FileAccess::KeepExisting);
    IniFile(IniFile&&) noexcept;
    IniFile& operator=(IniFile&&) noexcept;
    ~IniFile();

    const std::string& Path() const { return path_; }

    // Throws TarnwickError("Unable to read <path>: <reason>") when the file exists and cannot
    // be read, or holds zero bytes (binary data, not a text file); a missing file is fine.
    void CheckReadable() const;

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

    // Every section name as written, in file order.
    std::vector<std::string> ReadSections() const;
    // Every key name of one section, in file order.
    std::vector<std::string> ReadSection(std::string_view section) const;
    bool SectionExists(std::string_view section) const;
    void EraseSection(std::string_view section);
    void EraseKey(std::string_view section, std::string_view key);

    // Between these two calls the file's lock is held, the file is read once and every write
    // is collected in memory (reads see it); CommitBatch then replaces the file once with the
    // result (when anything was written) and releases the lock. For a run of writes that must
    // reach the file together, such as saving the whole account list or the spam filter; the
    // object's destruction releases the lock of a batch that was never committed.
    void BeginBatch();
    void CommitBatch();

private:
    const IniDocument& Current() const;
    // Applies `change` (true when it changed anything) within the running batch, or as a batch
    // of its own.
    void Change(const std::function<bool(IniDocument&)>& change);
    void Store();

    std::string path_;
    FileAccess access_;
    // The file as this object last read or wrote it.
    mutable std::shared_ptr<const IniDocument> document_;
    std::unique_ptr<IniDocument> batch_;  // the lines with the running batch's changes
    std::unique_ptr<FileLock> lock_;      // held while batching
    bool batching_ = false;
    bool batchChanged_ = false;
};
