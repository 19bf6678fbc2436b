#pragma once

#include "catalogue/Manifest.h"

#include <QHash>
#include <QList>
#include <QString>
#include <functional>

// The per-user record of what this installer installed: slug to the catalogue
// digest of the package that was installed.
using InstalledRecords = QHash<QString, QString>;

// "<home>/Library/Application Support/Brenvoss/Installer/installed-components.json";
// empty for an empty home (see userHomeDirectory()), which reads as an empty
// record and is never written.
QString installedRecordsPath(const QString& homeDirectory);

// The record at `path`; empty when the file is missing, unreadable, not JSON,
// not an object, or holds any value that is not a string.
InstalledRecords readInstalledRecords(const QString& path);

// Writes the record compactly and atomically, creating its folder first. A
// failure leaves the previous file whole and is not reported.
void writeInstalledRecords(const QString& path, const InstalledRecords& records);

// Reads the record at `path`, lets `change` change it and writes it back,
// all under an exclusive lock beside it ("….json.lock"): two installers of
// one user (the Native and the DSP bundle) never lose each other's entries.
// A lock not had within a few seconds leaves the record as it is, like any
// failed write.
void changeInstalledRecords(const QString& path, const std::function<void(InstalledRecords&)>& change);
