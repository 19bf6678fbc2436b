#pragma once

#include "platform/InfoDictionary.h"
#include "platform/SystemRoot.h"

#include <QDateTime>
#include <QString>
#include <QUrl>
#include <functional>
#include <optional>

// Everything AppDelegate needs from the machine it runs on, in one value:
// main() fills it from the real machine, tests from fakes.
struct Environment
{
    InfoDictionary infoDictionary;    // the app bundle's Info.plist
    SystemRoot systemRoot;            // "/" on a real Mac
    QUrl installerReleaseURL;         // the installer-latest.json address
    QString homeDirectory;            // the user's home (the record lives under it); empty when none
    QString temporaryDirectory;       // where download folders are made
    std::function<QDateTime()> clock; // the current time

    // The machine this process runs on: the bundle's Info.plist next to the
    // executable, the root "/", the compiled-in installer-release address,
    // HOME, TMPDIR and the system clock. (A development build may then point
    // it elsewhere: platform/TestHooks.h.)
    static Environment fromMachine(const QString& executableDirectory);
};

// The current user's home: HOME when it names a folder other than "/", else
// the account's home from the user database (as the Mac's
// homeDirectoryForCurrentUser does), else empty. Never "/": QDir::homePath()
// gives "/" when HOME is unset, which would put per-user files in the
// system-wide /Library.
QString userHomeDirectory();

// The compiled-in address of the installer-release document; a non-empty
// `downloadServer` replaces its scheme, host and port. Nothing when that is
// not an http or https address with a host and nothing else (no user, path
// past "/", query or fragment), since those parts would be dropped unseen.
std::optional<QUrl> installerReleaseURL(const QString& downloadServer);
