#pragma once

#include <QLatin1String>
#include <QString>
#include <array>
#include <optional>

// The three folders plugins are installed into, in the order they are tested.
// Each ends with "/" so that a folder name alone is not a path inside it.
inline constexpr std::array<QLatin1String, 3> pluginFolders{
    QLatin1String("/Library/Audio/Plug-Ins/Components/"),               // AU
    QLatin1String("/Library/Audio/Plug-Ins/VST3/"),                     // VST3
    QLatin1String("/Library/Application Support/Avid/Audio/Plug-Ins/"), // AAX
};

// Plugin bundle extensions, in the order they are searched.
inline constexpr std::array<QLatin1String, 3> bundleExtensions{
    QLatin1String(".component"),
    QLatin1String(".vst3"),
    QLatin1String(".aaxplugin"),
};

// The plugin bundle that contains `fromReceiptPath`, a path as a package
// receipt lists it (relative to the volume root; an absolute path is accepted
// too). Absent when the path is not inside a plugin folder or names no
// bundle. The result is what uninstallation deletes, so it is always a
// bundle strictly inside one of `pluginFolders` and never wider than the
// input says; see BundleRoot.cpp for the rules.
std::optional<QString> pluginBundleRoot(const QString& fromReceiptPath);
