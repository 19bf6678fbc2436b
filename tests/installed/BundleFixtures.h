#pragma once

#include <QByteArray>
#include <QString>

// Plugin bundles made by hand inside a simulated Mac root.

// An XML property list whose root dictionary holds `body` (raw key/value elements).
QByteArray xmlPlist(const QString& body);
// Info.plists with CFBundleShortVersionString = `version`, in XML and in Apple's binary form.
QByteArray xmlPlistWithVersion(const QString& version);
QByteArray binaryPlistWithVersion(const QString& version);

// Makes the folder `root` + `bundlePath` and, unless `infoPlist` is null, its
// Contents/Info.plist. writeFile() writes `bytes` to `root` + `path`, making
// its folders. Both return false on any failure.
bool makeBundle(const QString& root, const QString& bundlePath, const QByteArray& infoPlist);
bool writeFile(const QString& root, const QString& path, const QByteArray& bytes);
