#include "installed/ComponentStatus.h"

#include "installed/VersionCompare.h"

namespace {

// Two blanks, U+2022 BULLET, two blanks.
const QString separator = QStringLiteral("  \u2022  ");

} // namespace

ComponentStatus componentStatus(const PluginComponent& component, const InstalledBundles& bundles,
                                const InstalledRecords& records)
{
    const std::optional<QString>& offered = component.pluginVersion;
    if (!bundles.installed) {
        if (!offered)
            return {QStringLiteral("Not installed"), ComponentStatusKind::notInstalled};
        return {QLatin1Char('v') + *offered + separator + QStringLiteral("Not installed"),
                ComponentStatusKind::notInstalled};
    }

    if (offered && !bundles.versions.isEmpty()) {
        const std::optional<QString> lowest = lowestVersion(bundles.versions);
        // The lowest version is below the offered one exactly when any is.
        if (numericCompare(*lowest, *offered) < 0) {
            return {QLatin1Char('v') + *lowest + QStringLiteral(" \u2192 v") + *offered + separator +
                        QStringLiteral("\u2191 Update"),
                    ComponentStatusKind::update};
        }
        return {QLatin1Char('v') + *offered + separator + QStringLiteral("\u2713 Up to date"),
                ComponentStatusKind::upToDate};
    }

    const auto entry = records.constFind(component.slug);
    if (entry != records.constEnd() && entry->compare(component.sha256, Qt::CaseInsensitive) == 0)
        return {QStringLiteral("\u2713 Up to date"), ComponentStatusKind::upToDate};
    return {QStringLiteral("Installed"), ComponentStatusKind::installed};
}
