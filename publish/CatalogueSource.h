#pragma once

#include "catalogue/Manifest.h"
#include "publish/CatalogueRules.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QUrl>

// The release engineer's description of a catalogue, in JSON:
//
//   {"edition": "Native", "collectionVersion": "2026.12",
//    "components": [{"slug": "alpha", "name": "Alpha", "packageId": "…",
//                    "version": "1.0.0", "pluginVersion": "1.0.0",
//                    "formats": ["AU", "VST3"], "installPaths": ["Library/…"],
//                    "package": "alpha-1.0.0.pkg"}]}
//
// "pluginVersion" and "installPaths" may be left out, as in the catalogue;
// "package" (the file in the packages folder) defaults to
// "<slug>-<version>.pkg". Digests, sizes and addresses come from the files.

struct MadeCatalogue
{
    QByteArray document;     // the catalogue's bytes; empty when an error was found
    QList<Finding> findings; // errors stop the catalogue from being written
};

// Builds the catalogue from `source`, the packages in `packagesFolder` and the
// folder-like address `baseUrl` they are published under, then decodes what
// it wrote with the app's own decoder and applies checkCatalogue. Refuses a
// source that does not read, a package that is missing, and a .pkg file in
// the folder that no component names.
MadeCatalogue makeCatalogue(const QByteArray& source, const QString& packagesFolder, const QUrl& baseUrl,
                            const RuleOptions& options);

// Re-hashes each component's package in `packagesFolder` (named by the last
// path component of its address) against the catalogue's digest and size.
QList<Finding> checkLocalPackages(const Manifest& manifest, const QString& packagesFolder);

// The file name a component's package is published as: the last path
// component of its address, decoded.
QString packageFileName(const PluginComponent& component);
