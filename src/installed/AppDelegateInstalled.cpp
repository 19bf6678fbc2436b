#include "app/AppDelegate.h"
#include "installed/ComponentStatus.h"

#include <QCheckBox>
#include <QLabel>

void AppDelegate::updateComponentStatuses()
{
    const InstalledRecords records = loadInstalledRecords();
    for (const PluginRow& row : checkboxes) {
        const InstalledBundles bundles =
            inspectInstalledBundles(m_environment.systemRoot, bundleRoots(row.component.installPaths));
        const ComponentStatus status = componentStatus(row.component, bundles, records);
        row.statusLabel->setText(status.text);
        switch (status.kind) {
        case ComponentStatusKind::notInstalled:
            setTextColour(row.statusLabel, palette.muted);
            break;
        case ComponentStatusKind::upToDate:
            setTextColour(row.statusLabel, palette.upToDateGreen);
            break;
        case ComponentStatusKind::update:
        case ComponentStatusKind::installed:
            setTextColour(row.statusLabel, palette.burgundy);
            break;
        }
        // Only ever cleared here: a row the user selected stays selected
        // unless it is up to date.
        if (status.kind == ComponentStatusKind::upToDate)
            row.checkbox->setChecked(false);
    }
}

QString AppDelegate::installedRecordsPath() const
{
    return ::installedRecordsPath(m_environment.homeDirectory);
}

InstalledRecords AppDelegate::loadInstalledRecords() const
{
    return readInstalledRecords(installedRecordsPath());
}

void AppDelegate::recordInstalled(const QList<PluginComponent>& components)
{
    changeInstalledRecords(installedRecordsPath(), [&components](InstalledRecords& records) {
        for (const PluginComponent& component : components)
            records.insert(component.slug, component.sha256);
    });
}

void AppDelegate::removeInstalledRecords(const QList<PluginComponent>& components)
{
    changeInstalledRecords(installedRecordsPath(), [&components](InstalledRecords& records) {
        for (const PluginComponent& component : components)
            records.remove(component.slug);
    });
}
