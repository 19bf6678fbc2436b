#pragma once

#include "platform/InfoDictionary.h"
#include "platform/SystemRoot.h"

#include <QDateTime>
#include <QString>
#include <QUrl>
#include <functional>

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
    // executable, BRENVOSS_SYSTEM_ROOT, BRENVOSS_DOWNLOAD_SERVER, HOME, TMPDIR
    // and the system clock.
    static Environment fromMachine(const QString& executableDirectory);
};

// The current user's home: HOME when it names a folder other than "/", else
// the account's home from the user database (as the Mac's
// homeDirectoryForCurrentUser does), else empty. Never "/": QDir::homePath()
// gives "/" when HOME is unset, which would put per-user files in the
// system-wide /Library.
QString userHomeDirectory();

// The compiled-in address of the installer-release document, with its scheme
// and host replaced by `downloadServer` when that is a usable address.
QUrl installerReleaseURL(const QString& downloadServer);
