#include "app/AppDelegate.h"

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
    InstalledRecords records = loadInstalledRecords();
    for (const PluginComponent& component : components)
        records.insert(component.slug, component.sha256);
    writeInstalledRecords(installedRecordsPath(), records);
}

void AppDelegate::removeInstalledRecords(const QList<PluginComponent>& components)
{
    InstalledRecords records = loadInstalledRecords();
    for (const PluginComponent& component : components)
        records.remove(component.slug);
    writeInstalledRecords(installedRecordsPath(), records);
}
