#include "install/AdministratorCommand.h"

#include "install/ShellCommands.h"
#include "platform/ChildProcess.h"

#include <QRegularExpression>

AdministratorOutcome runAdministratorShellCommand(const QString& commandLine, const SystemRoot& root)
{
    const ChildOutcome child =
        runChildProcess(root.resolve(QStringLiteral("/usr/bin/osascript")),
                        {QStringLiteral("-e"), administratorScript(commandLine)}, StandardOutput::Inherit);
    if (child.launchError)
        return AdministratorOutcome{child.launchError, 0, {}};
    return AdministratorOutcome{std::nullopt, child.exitStatus, strictUtf8(child.standardError)};
}

ScriptFailure readScriptFailure(const QString& standardError)
{
    // The message may span lines and end in anything, even " (-128)" of its
    // own, so only the last status on the text is osascript's.
    static const QRegularExpression wrapped(
        QStringLiteral(R"(\A\d+:\d+: execution error: (.*) \((-?\d+)\)\n?\z)"),
        QRegularExpression::DotMatchesEverythingOption);
    const QRegularExpressionMatch match = wrapped.match(standardError);
    if (!match.hasMatch())
        return ScriptFailure{false, standardError};
    if (match.capturedView(2) == u"-128")
        return ScriptFailure{true, {}};
    const QString message = match.captured(1);
    // Nothing of the shell's own to show: the whole line says more than nothing.
    return ScriptFailure{false, message.isEmpty() ? standardError : message};
}
