#include "app/AppDelegate.h"
#include "ui/PluginListStackView.h"

#include <QCheckBox>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>

void AppDelegate::showManifest(const Manifest& newManifest)
{
    manifest = newManifest;
    while (QLayoutItem* item = listStack->stackLayout()->takeAt(0)) {
        delete item->widget();
        delete item;
    }
    componentStatusLabels.clear();
    checkboxes.clear();
    rowStatusLabels.clear();
    for (const PluginComponent& component : manifest->components) {
        auto* checkbox = new QCheckBox(component.name);
        checkbox->setChecked(true);
        auto* status = new QLabel(QStringLiteral("Checking\u2026"));
        listStack->stackLayout()->addWidget(checkbox);
        listStack->stackLayout()->addWidget(status);
        componentStatusLabels.insert(component.slug, status);
        rowStatusLabels.append(status);
        checkboxes.append({checkbox, component});
    }
    statusLabel->setText(QStringLiteral("%1 plugins ready \u2014 collection version %2")
                             .arg(manifest->components.size())
                             .arg(manifest->collectionVersion));
    installButton->setText(QStringLiteral("INSTALL / UPDATE SELECTED"));
    progress->setValue(0);
    updateComponentStatuses();
    setBusy(false);
}

void AppDelegate::selectAll()
{
    for (const auto& row : checkboxes) {
        if (row.first->isEnabled())
            row.first->setChecked(true);
    }
}

void AppDelegate::selectNone()
{
    for (const auto& row : checkboxes)
        row.first->setChecked(false);
}
