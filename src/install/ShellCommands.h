#pragma once

#include "platform/SystemRoot.h"

#include <QList>
#include <QString>
#include <QStringList>

// `text` as one /bin/sh word: wrapped in single quotes, each single quote
// written as '\'' (close, escaped quote, reopen). Nothing inside single
// quotes is special to the shell, so any path or identifier stays one
// argument, whatever it holds.
QString shellQuoted(const QString& text);

// A Mac tool's path as a shell word: exactly as written on a real Mac, quoted
// like any other path inside a simulated Mac's root.
QString shellToolPath(const SystemRoot& root, const QString& macPath);

// A package that passed the check in the user's download folder, and what
// root checks its own copy against before installing it.
struct VerifiedPackage
{
    QString file;   // absolute path in the download folder
    QString sha256; // the catalogue digest, in either case
    QString name;   // the component's display name, for the failure message
};

// The one root shell line that installs `packages` in order. The download
// folder belongs to the user, so anything running as the user could swap a
// package while the password prompt is open; root therefore copies each
// package into a folder of its own (mktemp -d in the sticky /private/tmp,
// where no one else can rename or enter it), checks the copy's SHA-256
// against the catalogue and installs only those copies, and only once every
// copy has passed. A mismatch writes "The security check for NAME failed."
// to standard error and stops the chain before anything is installed; a
// failing installer run stops it with the packages before it installed. The
// private folder is removed whatever happened and the chain's status is
// kept. The line never holds a NUL (a name's shows as U+FFFD). No packages,
// no line.
QString installCommandLine(const QList<VerifiedPackage>& packages, const SystemRoot& root);

// Where root's private folder is made: a mktemp template, as a Mac path.
inline constexpr char privateFolderTemplate[] = "/private/tmp/brenvoss-install.XXXXXXXX";

// `command` as the body of an AppleScript string literal: backslashes doubled
// first, then each double quote preceded by a backslash.
QString appleScriptEscaped(const QString& command);

// do shell script "<escaped command>" with administrator privileges
QString administratorScript(const QString& commandLine);
