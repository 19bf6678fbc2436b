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
