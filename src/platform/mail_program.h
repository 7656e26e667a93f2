#pragma once
// "Open mail program": MAIL_PROGRAM of [GENERAL] when it is set (a command line split into
// arguments without a shell), otherwise the desktop's default handler of mailto links started
// as its desktop entry, without an address, so that it opens its main window rather than a
// compose window.

#include <QString>
#include <QStringList>
#include <optional>

class QWidget;

struct MailProgramLaunch {
    QString program;
    QStringList arguments;
    QString workingDirectory;  // Path= of the desktop entry; empty: the program's own
};

// What "Open mail program" starts; none when there is neither a MAIL_PROGRAM nor a default
// mailto handler.
std::optional<MailProgramLaunch> FindMailProgram();

// The launch of the desktop entry at `path` (Exec, Path, Terminal); none when it cannot be
// read or is hidden or has no usable Exec line.
std::optional<MailProgramLaunch> LaunchOfDesktopEntry(const QString& path);

// The path of the desktop's default handler of `mimeType` (mimeapps.list files in the
// freedesktop.org order, the first listed entry that exists); empty when there is none.
QString DefaultHandlerEntry(const QString& mimeType);

// Starts the mail program detached; a message box names the problem when there is none or it
// cannot be started. True when it started.
bool OpenMailProgram(QWidget* owner);
