#include "platform/mail_program.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>

#include "platform/desktop_entry.h"
#include "settings/language.h"
#include "settings/settings.h"
#include "settings/text_utils.h"
#include "widgets/message_box.h"
#include "widgets/ui_text.h"

namespace {

QString EnvironmentPath(const char* name, const QString& fallback) {
    const QString value = qEnvironmentVariable(name);
    return value.isEmpty() ? fallback : value;
}

QStringList EnvironmentPaths(const char* name, const QString& fallback) {
    return EnvironmentPath(name, fallback).split(QLatin1Char(':'), Qt::SkipEmptyParts);
}

// The folders of the freedesktop.org base directories, the user's first.
QStringList ConfigFolders() {
    return QStringList{EnvironmentPath("XDG_CONFIG_HOME", QDir::homePath() + "/.config")} +
           EnvironmentPaths("XDG_CONFIG_DIRS", QStringLiteral("/etc/xdg"));
}
QStringList DataFolders() {
    return QStringList{EnvironmentPath("XDG_DATA_HOME", QDir::homePath() + "/.local/share")} +
           EnvironmentPaths("XDG_DATA_DIRS", QStringLiteral("/usr/local/share:/usr/share"));
}

// Every mimeapps.list in the order they count: per folder the desktop's own files first.
QStringList MimeappsFiles() {
    QStringList names;
    for (const QString& desktop :
         qEnvironmentVariable("XDG_CURRENT_DESKTOP").split(QLatin1Char(':'), Qt::SkipEmptyParts))
        names << desktop.toLower() + QStringLiteral("-mimeapps.list");
    names << QStringLiteral("mimeapps.list");
    QStringList files;
    QStringList folders = ConfigFolders();
    for (const QString& data : DataFolders()) folders << data + QStringLiteral("/applications");
    for (const QString& folder : folders)
        for (const QString& name : names) files << folder + QLatin1Char('/') + name;
    return files;
}

std::string ReadText(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return {};
    return file.read(1 << 20).toStdString();  // desktop files are small; a huge one is cut
}

// The installed desktop entry of a desktop file id ("vendor-app.desktop" may also live in
// "vendor/app.desktop").
QString EntryPath(const QString& id) {
    QStringList relative{id};
    if (const int dash = id.indexOf(QLatin1Char('-')); dash > 0)
        relative << id.left(dash) + QLatin1Char('/') + id.mid(dash + 1);
    for (const QString& data : DataFolders())
        for (const QString& name : relative) {
            const QString path = data + QStringLiteral("/applications/") + name;
            if (QFileInfo(path).isFile()) return path;
        }
    return {};
}

bool ShowProblem(QWidget* owner, const std::string& key, const QString& detail = {}) {
    QString text = ToQt(GetLangText(key));
    if (!detail.isEmpty()) text += QStringLiteral("\n\n") + detail;
    ShowMessageBox(owner, ToQt(GetLangText("mail_program_dialog_title")), text,
                   QMessageBox::Information);
    return false;
}

}  // namespace

QString DefaultHandlerEntry(const QString& mimeType) {
    for (const QString& file : MimeappsFiles()) {
        for (const std::string& id : DefaultApplications(ReadText(file), FromQt(mimeType))) {
            const QString path = EntryPath(ToQt(id));
            if (!path.isEmpty()) return path;
        }
    }
    return {};
}

std::optional<MailProgramLaunch> LaunchOfDesktopEntry(const QString& path) {
    const auto keys = ReadDesktopGroup(ReadText(path), "Desktop Entry");
    const auto value = [&](const char* key) {
        const auto found = keys.find(key);
        return found == keys.end() ? std::string() : found->second;
    };
    if (value("Hidden") == "true") return std::nullopt;
    const std::string icon = value("Icon");
    const auto arguments = ExecArguments(value("Exec"), {icon, value("Name"), FromQt(path)});
    if (!arguments) return std::nullopt;
    QStringList words;
    for (const std::string& word : *arguments) words << ToQt(word);
    // A terminal program (mutt, say) gets a terminal of its own.
    if (value("Terminal") == "true")
        words = QStringList{QStringLiteral("x-terminal-emulator"), QStringLiteral("-e")} + words;
    return MailProgramLaunch{words.takeFirst(), words, ToQt(value("Path"))};
}

std::optional<MailProgramLaunch> FindMailProgram() {
    const std::string command = ReadGeneralText("MAIL_PROGRAM");
    if (HasText(command)) {
        QStringList words = QProcess::splitCommand(ToQt(Trim(command)));
        if (!words.isEmpty()) return MailProgramLaunch{words.takeFirst(), words, {}};
    }
    const QString entry = DefaultHandlerEntry(QStringLiteral("x-scheme-handler/mailto"));
    if (entry.isEmpty()) return std::nullopt;
    return LaunchOfDesktopEntry(entry);
}

bool OpenMailProgram(QWidget* owner) {
    const std::optional<MailProgramLaunch> launch = FindMailProgram();
    if (!launch) return ShowProblem(owner, "no_mail_program_dialog");
    QProcess process;
    process.setProgram(launch->program);
    process.setArguments(launch->arguments);
    process.setWorkingDirectory(launch->workingDirectory);
    process.setStandardInputFile(QProcess::nullDevice());
    process.setStandardOutputFile(QProcess::nullDevice());
    process.setStandardErrorFile(QProcess::nullDevice());
    if (process.startDetached()) return true;
    return ShowProblem(owner, "mail_program_failed_dialog",
                       launch->program + QStringLiteral(": ") + process.errorString());
}
