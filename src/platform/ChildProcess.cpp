#include "platform/ChildProcess.h"

#include <QProcess>

ChildOutcome runChildProcess(const QString& program, const QStringList& arguments, StandardOutput output)
{
    // An argument reaches the child as a C string: a NUL would end it there
    // and hand the child another, shorter text than the one meant.
    ChildOutcome outcome;
    for (const QString& argument : arguments) {
        if (argument.contains(QChar(0))) {
            outcome.launchError = Error{QStringLiteral("Process"), qint64(QProcess::FailedToStart),
                                        QStringLiteral("An argument holds a NUL character.")};
            return outcome;
        }
    }
    QProcess process;
    process.setProcessChannelMode(output == StandardOutput::Capture ? QProcess::SeparateChannels
                                                                    : QProcess::ForwardedOutputChannel);
    process.setInputChannelMode(QProcess::ForwardedInputChannel);
    process.start(program, arguments, QIODevice::ReadOnly);
    if (!process.waitForStarted(-1)) {
        outcome.launchError =
            Error{QStringLiteral("Process"), qint64(process.error()), process.errorString()};
        return outcome;
    }
    // waitForFinished keeps draining both pipes into QProcess's buffers.
    process.waitForFinished(-1);
    outcome.standardOutput = process.readAllStandardOutput();
    outcome.standardError = process.readAllStandardError();
    // A child ended by a signal reports that signal's number as its status,
    // which QProcess on Unix gives as the exit code of a crashed child. A
    // crash never reads as success.
    outcome.exitStatus = process.exitCode();
    if (process.exitStatus() == QProcess::CrashExit && outcome.exitStatus == 0)
        outcome.exitStatus = -1;
    return outcome;
}
