#include "platform/start_drive.h"

#include <QStorageInfo>

#include "settings/program_path.h"
#include "widgets/ui_text.h"

namespace {
FileSystemTypeHook& Hook() {
    static FileSystemTypeHook hook;
    return hook;
}
}  // namespace

bool IsCdRomFileSystem(const QByteArray& fileSystemType) {
    const QByteArray type = fileSystemType.toLower();
    return type == "iso9660" || type == "udf";
}

bool ProgramOnCdRom() {
    const QString folder = ToQt(ProgramFolder());
    const QByteArray type = Hook() ? Hook()(folder) : QStorageInfo(folder).fileSystemType();
    return IsCdRomFileSystem(type);
}

void SetFileSystemTypeHook(FileSystemTypeHook hook) {
    Hook() = std::move(hook);
}
