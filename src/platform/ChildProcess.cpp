#include "platform/ChildProcess.h"

#include <QProcess>

ChildOutcome runChildProcess(const QString& program, const QStringList& arguments, StandardOutput output)
{
    QProcess process;
    process.setProcessChannelMode(output == StandardOutput::Capture ? QProcess::SeparateChannels
                                                                    : QProcess::ForwardedOutputChannel);
    process.setInputChannelMode(QProcess::ForwardedInputChannel);
    process.start(program, arguments, QIODevice::ReadOnly);
    ChildOutcome outcome;
    if (!process.waitForStarted(-1)) {
        outcome.launchError = Error{QStringLiteral("Process"), qint64(process.error()), process.errorString()};
        return outcome;
    }
    // waitForFinished keeps draining both pipes into QProcess's buffers.
    process.waitForFinished(-1);
    outcome.standardOutput = process.readAllStandardOutput();
    outcome.standardError = process.readAllStandardError();
    outcome.exitStatus = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    return outcome;
}
