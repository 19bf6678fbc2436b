#include "installed/InstalledBundles.h"

#include "installed/BundleRoot.h"
#include "installed/VersionCompare.h"
#include "platform/InfoDictionary.h"

#include <QFileInfo>
#include <algorithm>

QStringList bundleRoots(const std::optional<QStringList>& installPaths)
{
    QStringList roots;
    if (!installPaths)
        return roots;
    for (const QString& path : *installPaths) {
        if (std::optional<QString> root = pluginBundleRoot(path))
            roots.append(std::move(*root));
    }
    roots.sort();
    roots.erase(std::unique(roots.begin(), roots.end()), roots.end());
    return roots;
}

InstalledBundles inspectInstalledBundles(const SystemRoot& systemRoot, const QStringList& roots)
{
    InstalledBundles result;
    for (const QString& root : roots) {
        const QString resolved = systemRoot.resolve(root);
        // Like the Mac's fileExists(atPath:), a symbolic link counts by its
        // target: a dangling link is not an installed plugin.
        const QFileInfo info(resolved);
        if (!info.exists())
            continue;
        result.installed = true;
        if (!info.isDir())
            continue;
        const std::optional<InfoDictionary> dictionary =
            readInfoDictionary(resolved + QStringLiteral("/Contents/Info.plist"));
        if (!dictionary)
            continue;
        if (std::optional<QString> version =
                infoString(*dictionary, QStringLiteral("CFBundleShortVersionString")))
            result.versions.append(std::move(*version));
    }
    return result;
}

std::optional<QString> lowestVersion(const QStringList& versions)
{
    const auto lowest =
        std::min_element(versions.begin(), versions.end(),
                         [](const QString& a, const QString& b) { return numericCompare(a, b) < 0; });
    if (lowest == versions.end())
        return std::nullopt;
    return *lowest;
}
