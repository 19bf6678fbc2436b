#include "app/AppDelegate.h"
#include "installed/ComponentStatus.h"

#include <QCheckBox>
#include <QLabel>
#include <QPalette>

namespace {

void setTextColour(QLabel* label, const QColor& colour)
{
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, colour);
    label->setPalette(palette);
}

} // namespace

void AppDelegate::updateComponentStatuses()
{
    const InstalledRecords records = loadInstalledRecords();
    // Each row refreshes its own label, so every card of a repeated slug
    // shows its status; a list built without per-row labels falls back to
    // the label kept for the slug.
    const bool rowsHaveLabels = rowStatusLabels.size() == checkboxes.size();
    for (qsizetype row = 0; row < checkboxes.size(); ++row) {
        const auto& [checkbox, component] = checkboxes.at(row);
        const InstalledBundles bundles =
            inspectInstalledBundles(m_environment.systemRoot, bundleRoots(component.installPaths));
        const ComponentStatus status = componentStatus(component, bundles, records);

        if (QLabel* label =
                rowsHaveLabels ? rowStatusLabels.at(row) : componentStatusLabels.value(component.slug)) {
            label->setText(status.text);
            switch (status.kind) {
            case ComponentStatusKind::notInstalled:
                setTextColour(label, palette.muted);
                break;
            case ComponentStatusKind::upToDate:
                setTextColour(label, palette.upToDateGreen);
                break;
            case ComponentStatusKind::update:
            case ComponentStatusKind::installed:
                setTextColour(label, palette.burgundy);
                break;
            }
        }
        // Only ever cleared here: a row the user selected stays selected
        // unless it is up to date.
        if (status.kind == ComponentStatusKind::upToDate)
            checkbox->setChecked(false);
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
