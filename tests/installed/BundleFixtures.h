#pragma once

#include <QByteArray>
#include <QString>

// Plugin bundles made by hand inside a simulated Mac root.

// An XML property list whose root is a dictionary holding `body` (raw XML
// key/value elements).
QByteArray xmlPlist(const QString& body);
// An XML property list with CFBundleShortVersionString = `version`.
QByteArray xmlPlistWithVersion(const QString& version);
// The same dictionary in Apple's binary form, made by libplist.
QByteArray binaryPlistWithVersion(const QString& version);

// Creates the directory `root` + `bundlePath` and, unless `infoPlist` is null,
// its Contents/Info.plist with those bytes. Returns false on any failure.
bool makeBundle(const QString& root, const QString& bundlePath, const QByteArray& infoPlist);
// Writes `bytes` to `root` + `path`, creating parent folders.
bool writeFile(const QString& root, const QString& path, const QByteArray& bytes);
