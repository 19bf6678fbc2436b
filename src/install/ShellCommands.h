#pragma once

#include "platform/SystemRoot.h"

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

// One `installer -pkg FILE -target /` per package, joined with " && " so the
// chain stops at the first package that fails.
QString installCommandLine(const QStringList& packageFiles, const SystemRoot& root);

// `command` as the body of an AppleScript string literal: backslashes doubled
// first, then each double quote preceded by a backslash.
QString appleScriptEscaped(const QString& command);

// do shell script "<escaped command>" with administrator privileges
QString administratorScript(const QString& commandLine);
