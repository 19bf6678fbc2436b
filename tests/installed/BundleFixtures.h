#pragma once

#include <QByteArray>
#include <QString>

// Plugin bundles made by hand inside a simulated Mac root.

// An XML property list whose root dictionary holds `body`.
QByteArray xmlPlist(const QString& body);
// Info.plists with CFBundleShortVersionString = `version`, in XML and in Apple's binary form.
QByteArray xmlPlistWithVersion(const QString& version);
QByteArray binaryPlistWithVersion(const QString& version);

// Make `root` + `bundlePath` with its Contents/Info.plist unless that is null,
// or a file with its folders; false on any failure.
bool makeBundle(const QString& root, const QString& bundlePath, const QByteArray& infoPlist);
bool writeFile(const QString& root, const QString& path, const QByteArray& bytes);
