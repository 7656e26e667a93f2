#include "platform/autorun.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <filesystem>
#include <fstream>
#include <system_error>

#include "settings/errors.h"
#include "settings/file_places.h"
#include "settings/program_path.h"
#include "widgets/ui_text.h"

namespace {

constexpr const char* kEntryName = "Tarnwick_Orv";

std::filesystem::path AutostartFolder() {
    return std::filesystem::path(ConfigHomeFolder()) / "autostart";
}

// The program file as the user would start it: the running executable's name inside the
// program's folder (the installed path when installed; never the user's file folder).
std::string ProgramPath() {
    return ProgramFilePath(FromQt(QFileInfo(QCoreApplication::applicationFilePath()).fileName()));
}

// Inside a quoted Exec argument ", `, $ and \ are escaped with a backslash; the key's value
// then escapes every backslash once more, and % is doubled as field codes use it.
std::string QuoteExecArgument(const std::string& argument) {
    std::string quoted;
    for (const char c : argument) {
        if (c == '"' || c == '`' || c == '$' || c == '\\') quoted += '\\';
        quoted += c;
    }
    std::string escaped = "\"";
    for (const char c : quoted) {
        if (c == '\\') escaped += '\\';
        if (c == '%') escaped += '%';
        escaped += c;
    }
    return escaped + "\"";
}

void WriteEntry(const std::filesystem::path& file, const std::string& programPath) {
    const std::filesystem::path temporary = file.string() + ".tmp";
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        out << "[Desktop Entry]\n"
            << "Type=Application\n"
            << "Name=Tarnwick\n"
            << "Comment=Mail checker in the notification area\n"
            << "Exec=" << AutorunExecLine(programPath) << "\n"
            << "Terminal=false\n"
            << "X-GNOME-Autostart-enabled=true\n";
        out.flush();
        if (!out) throw TarnwickError(std::string("Failed to set data for '") + kEntryName + "'");
    }
    std::error_code error;
    std::filesystem::rename(temporary, file, error);
    if (error) {
        std::filesystem::remove(temporary, error);
        throw TarnwickError(std::string("Failed to set data for '") + kEntryName + "'");
    }
}

}  // namespace

std::string AutorunFilePath() {
    return (AutostartFolder() / (std::string(kEntryName) + ".desktop")).string();
}

std::string AutorunExecLine(const std::string& programPath) {
    return QuoteExecArgument(programPath) + " /1";
}

void AddAutorun() {
    const std::filesystem::path folder = AutostartFolder();
    std::error_code error;
    std::filesystem::create_directories(folder, error);
    if (error || !std::filesystem::is_directory(folder, error))
        throw TarnwickError("Failed to create key " + folder.string());
    WriteEntry(AutorunFilePath(), ProgramPath());
}

void RemoveAutorun() {
    std::error_code error;
    std::filesystem::remove(AutorunFilePath(), error);
}
