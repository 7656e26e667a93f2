#pragma once
// Whether the program runs from a CD-ROM: the file system of the program's folder.

#include <QByteArray>
#include <QString>
#include <functional>

// True for the file systems of optical discs (iso9660, udf).
bool IsCdRomFileSystem(const QByteArray& fileSystemType);

// True when the program's folder lies on an optical disc.
bool ProgramOnCdRom();

// When set, ProgramOnCdRom asks the hook for the file system type of the folder (tests).
using FileSystemTypeHook = std::function<QByteArray(const QString& folder)>;
void SetFileSystemTypeHook(FileSystemTypeHook hook);
