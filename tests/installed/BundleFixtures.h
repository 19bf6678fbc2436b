#pragma once

#include <QByteArray>
#include <QString>

// Plugin bundles made by hand inside a simulated Mac root: an Info.plist with
// CFBundleShortVersionString = `version`; `root` + `bundlePath` with its
// Contents/Info.plist unless that is null, or a file with its folders (false
// on any failure).
QByteArray xmlPlistWithVersion(const QString& version);
bool makeBundle(const QString& root, const QString& bundlePath, const QByteArray& infoPlist);
bool writeFile(const QString& root, const QString& path, const QByteArray& bytes);
