#pragma once

#include "common/Result.h"

#include <QByteArrayView>
#include <QString>
#include <QUrl>

// The vendor's document about the newest installer build.
struct InstallerRelease
{
    QString version;
    QUrl nativeURL;
    QUrl dspURL;

    friend bool operator==(const InstallerRelease&, const InstallerRelease&) = default;
};

// Decodes installer-latest.json: an object whose "version" is a string and
// whose "nativeURL" and "dspURL" are valid absolute http or https addresses
// (they are opened in the user's browser, so no other scheme is usable).
// Other members are ignored.
Result<InstallerRelease> decodeInstallerRelease(QByteArrayView json);

// The build an edition downloads: the DSP build for exactly "DSP", the
// Native build for every other edition.
QUrl installerBuild(const InstallerRelease& release, const QString& edition);

// Whether `release` is newer than the installer's own version.
bool isUpdateAvailable(const QString& ownVersion, const InstallerRelease& release);
