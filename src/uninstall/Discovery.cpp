#include "uninstall/Discovery.h"

#include "installed/BundleRoot.h"
#include "uninstall/CodePointOrder.h"
#include "uninstall/PackageReceipts.h"

#include <algorithm>

namespace {

void addBundleRoots(const QStringList& paths, QSet<QString>& roots)
{
    for (const QString& path : paths) {
        if (const std::optional<QString> bundle = pluginBundleRoot(path))
            roots.insert(*bundle);
    }
}

} // namespace

InstalledFiles discoverInstalledFiles(const QList<PluginComponent>& components,
                                      const ReceiptLookup& packageFiles)
{
    QSet<QString> candidates;
    InstalledFiles found;
    for (const PluginComponent& component : components) {
        for (const QString& id : candidateReceiptIds(component.packageId, component.slug))
            candidates.insert(id);
        addBundleRoots(component.installPaths.value_or(QStringList{}), found.roots);
    }
    QStringList ids(candidates.cbegin(), candidates.cend());
    std::sort(ids.begin(), ids.end(), codePointLess);
    for (const QString& id : ids) {
        const std::optional<QStringList> files = packageFiles(id);
        if (!files)
            continue;
        found.receipts.append(id);
        addBundleRoots(*files, found.roots);
    }
    return found;
}
