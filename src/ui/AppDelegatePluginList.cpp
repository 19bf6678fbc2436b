#include "app/AppDelegate.h"
#include "ui/PluginCard.h"
#include "ui/PluginListStackView.h"

#include <QCheckBox>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>

namespace {

// What widgetResizable does on the next layout pass, done now so that the list
// has its final size when showManifest() returns: as wide as the viewport and
// at least as tall.
void sizeToViewport(PluginListStackView* list, QScrollArea* scrollView)
{
    list->stackLayout()->activate();
    const QSize viewport = scrollView->viewport()->size();
    list->resize(qMax(viewport.width(), 1), qMax(list->sizeHint().height(), viewport.height()));
}

} // namespace

void AppDelegate::showManifest(const Manifest& newManifest)
{
    manifest = newManifest;

    // The old rows go first, and with them the pointers into them.
    checkboxes.clear();
    // Hidden while it is rebuilt, the list shows, polishes and lays out all
    // new lines in one pass when shown again, not line by line. (It always
    // has a parent: the window, or the holder of controls not yet laid out.)
    listStack->setUpdatesEnabled(false);
    listStack->hide();
    while (QLayoutItem* item = listStack->stackLayout()->takeAt(0)) {
        delete item->widget();
        delete item;
    }

    const PluginCardStyle style = PluginCardStyle::withMuted(palette.muted);
    QList<QWidget*> cards;
    cards.reserve(manifest->components.size());
    checkboxes.reserve(manifest->components.size());
    for (const PluginComponent& component : manifest->components) {
        // Each row keeps its own status label, so that every card of a
        // repeated slug is refreshed.
        const PluginCard card = buildPluginCard(component, style);
        checkboxes.append(PluginRow{card.checkbox, component, card.status});
        cards.append(card.card);
    }
    for (qsizetype first = 0; first < cards.size(); first += 3)
        listStack->stackLayout()->addWidget(buildPluginListLine(cards.mid(first, 3)));

    listStack->show();
    sizeToViewport(listStack, pluginScrollView);
    pluginScrollView->verticalScrollBar()->setValue(0);
    listStack->setUpdatesEnabled(true);

    statusLabel->setText(QString::number(manifest->components.size()) +
                         QStringLiteral(" plugins ready \u2014 collection version ") +
                         manifest->collectionVersion);
    installButton->setText(QStringLiteral("INSTALL / UPDATE SELECTED"));
    progress->setValue(0);
    updateComponentStatuses();
    setBusy(false);
}

void AppDelegate::selectAll()
{
    // A disabled checkbox is not the user's to change (the window is busy).
    for (const PluginRow& row : checkboxes) {
        if (row.checkbox->isEnabled())
            row.checkbox->setChecked(true);
    }
}

void AppDelegate::selectNone()
{
    for (const PluginRow& row : checkboxes)
        row.checkbox->setChecked(false);
}
