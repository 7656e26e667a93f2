#include "platform/new_mail_command.h"

#include <QCoreApplication>
#include <QProcess>

#include "settings/language.h"
#include "settings/text_utils.h"
#include "widgets/ui_text.h"

QProcessEnvironment NewMailCommandEnvironment(QProcessEnvironment base, const std::string& email,
                                              int count, int change) {
    base.insert(QStringLiteral("TARNWICK_EMAIL"), ToQt(email));
    base.insert(QStringLiteral("TARNWICK_COUNT"), QString::number(count));
    base.insert(QStringLiteral("TARNWICK_CHANGE"), QString::number(change));
    return base;
}

void RunNewMailCommand(const std::string& command, const std::string& email, int count, int change,
                       CommandFailed failed) {
    if (!HasText(command)) return;
    // Owned by the application, so that a command still running when the program ends is
    // ended with it rather than left behind.
    auto* process = new QProcess(QCoreApplication::instance());
    process->setProgram(QStringLiteral("/bin/sh"));
    process->setArguments({QStringLiteral("-c"), ToQt(command)});
    process->setProcessEnvironment(
        NewMailCommandEnvironment(QProcessEnvironment::systemEnvironment(), email, count, change));
    process->setStandardInputFile(QProcess::nullDevice());
    process->setStandardOutputFile(QProcess::nullDevice());
    process->setStandardErrorFile(QProcess::nullDevice());
    QObject::connect(process, &QProcess::errorOccurred, process,
                     [process, failed](QProcess::ProcessError error) {
                         if (error != QProcess::FailedToStart) return;  // finished says the rest
                         if (failed) failed(FromQt(process->errorString()));
                         process->deleteLater();
                     });
    QObject::connect(
        process, &QProcess::finished, process,
        [process, failed](int status, QProcess::ExitStatus how) {
            if (failed && how == QProcess::CrashExit)
                failed(GetLangText("command_crashed"));
            else if (failed && status != 0)
                failed(GetLangText("command_exit_status") + " " + std::to_string(status));
            process->deleteLater();
        });
    process->start();
}
