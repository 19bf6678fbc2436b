#pragma once

#include "common/Error.h"
#include "platform/SystemRoot.h"

#include <QString>
#include <optional>

// How an administrator command ended: it could not be started at all, or it
// ran and exited with a status and its complete standard-error text.
struct AdministratorOutcome
{
    std::optional<Error> launchError;
    int status = 0;
    QString errorText; // empty when nothing was written or it was not valid UTF-8
};

// Runs `commandLine` (already quoted for the shell) with administrator
// privileges: one osascript child, one authorisation prompt. Blocks until the
// child exits, so it runs on a background thread only.
AdministratorOutcome runAdministratorShellCommand(const QString& commandLine, const SystemRoot& root);

// What osascript's standard error says about a script that failed. osascript
// writes "START:END: execution error: MESSAGE (NUMBER)" and a line feed, where
// START:END are the character positions of the failing statement.
// For `do shell script` the MESSAGE is the shell's own error text and the
// NUMBER its exit status; when the user dismisses the password prompt it is
// "User canceled." and -128.
struct ScriptFailure
{
    bool cancelled = false; // the user dismissed the prompt
    QString message;        // the shell's text; any other text exactly as it was written
};
ScriptFailure readScriptFailure(const QString& standardError);
