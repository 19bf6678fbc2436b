#include "install/AdministratorCommand.h"

#include "install/ShellCommands.h"
#include "platform/ChildProcess.h"

AdministratorOutcome runAdministratorShellCommand(const QString& commandLine, const SystemRoot& root)
{
    const ChildOutcome child =
        runChildProcess(root.resolve(QStringLiteral("/usr/bin/osascript")),
                        {QStringLiteral("-e"), administratorScript(commandLine)}, StandardOutput::Inherit);
    if (child.launchError)
        return AdministratorOutcome{child.launchError, 0, {}};
    return AdministratorOutcome{std::nullopt, child.exitStatus, strictUtf8(child.standardError)};
}
