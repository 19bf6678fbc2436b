#pragma once

#include "platform/SystemRoot.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>
#include <QStringView>
#include <QTemporaryDir>
#include <cstddef>
#include <cstdint>
#include <optional>

// Runs our command lines through /bin/sh inside a simulated Mac whose tools
// (installer, rm, pkgutil, cp, mktemp, shasum) are stubs that log their name
// and arguments, NUL after each, to one file. mktemp answers privateFolder(),
// shasum answers fileDigest for any file. A target compares that log with the arguments it
// meant to pass. The root folder's own name is full of shell syntax, so tool
// paths and the install target are quoted as carefully as package paths.
class ShellHarness
{
public:
    ShellHarness();

    const SystemRoot& root() const { return m_root; }
    const QString& privateFolder() const { return m_private; }
    static constexpr char fileDigest[] = "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855";

    struct Run
    {
        int status = 0;        // sh's exit status, 128 + signal when killed
        QList<QByteArray> log; // every stub call: tool name, then its arguments
        QByteArray output;     // what sh and the tools wrote to stdout and stderr
    };
    Run run(const QString& commandLine) const;

private:
    QTemporaryDir m_folder;
    SystemRoot m_root;
    QString m_log;
    QString m_output;
    QString m_private;
};

// The fuzz input as up to `limit` strings, split on NUL (paths and receipt
// identifiers never hold one). No input, no strings.
QStringList splitOnNul(const std::uint8_t* data, std::size_t size, qsizetype limit);

// The text an AppleScript string literal stands for, given what is between
// its quotes: \\ is a backslash and \" a quote. Absent for any other escape
// (\n, \t… would mean something else to AppleScript) or a bare quote, which
// would end the literal early.
std::optional<QString> decodeAppleScriptLiteral(QStringView body);

// administratorScript(commandLine) hands osascript exactly `commandLine`,
// and appleScriptEscaped() of each of `texts` decodes to that text.
void checkAppleScript(const QString& commandLine, const QStringList& texts);

// Aborts with both lists shown unless the stubs were called exactly so and
// sh exited with `status`.
void checkCalls(const ShellHarness::Run& run, const QList<QByteArray>& expected, const QString& commandLine,
                int status = 0);
