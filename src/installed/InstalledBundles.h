#pragma once

#include "platform/SystemRoot.h"

#include <QString>
#include <QStringList>
#include <optional>

// What the disk says about one component's plugin bundles.
struct InstalledBundles
{
    // At least one bundle root exists (file or directory).
    bool installed = false;
    // "CFBundleShortVersionString" of every existing root that opens as a
    // bundle and has it as a string (an empty string counts), in root order.
    QStringList versions;
};

// The distinct bundle roots of a component's `installPaths` (absent counts as
// empty), sorted; entries that name no plugin bundle are dropped.
QStringList bundleRoots(const std::optional<QStringList>& installPaths);

// Looks at `roots` (Mac paths) inside `systemRoot`. A root opens as a bundle
// when it is a directory whose Contents/Info.plist reads as a dictionary, in
// XML or binary form.
InstalledBundles inspectInstalledBundles(const SystemRoot& systemRoot, const QStringList& roots);

// The lowest of `versions` by numericCompare(); absent for an empty list.
std::optional<QString> lowestVersion(const QStringList& versions);
