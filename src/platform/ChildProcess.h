#pragma once

#include "common/Error.h"
#include "common/Utf8Text.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <optional>

// How a child process ended. Blocking: call only from a background thread.
struct ChildOutcome
{
    std::optional<Error> launchError; // the child could not be started
    int exitStatus = 0;               // its exit status, or the number of the signal that ended it
    QByteArray standardOutput;        // only when captured
    QByteArray standardError;
};

enum class StandardOutput { Inherit, Capture };

// Runs `program` with exactly `arguments` (no shell), reads its standard
// error (and standard output when captured) completely while it runs, so a
// chatty child never stalls on a full pipe, and waits for it to exit. An
// argument holding a NUL is a launch error: the child is never started.
ChildOutcome runChildProcess(const QString& program, const QStringList& arguments, StandardOutput output);
