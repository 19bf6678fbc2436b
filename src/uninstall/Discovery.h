#pragma once

#include "catalogue/Manifest.h"

#include <QSet>
#include <QString>
#include <QStringList>
#include <functional>
#include <optional>

// What uninstalling some components would remove.
struct InstalledFiles
{
    QSet<QString> roots;  // plugin bundles to delete, whether or not they exist now
    QStringList receipts; // receipts that exist, ascending
};

// The receipt lookup: the paths a receipt lists, or absent without a receipt.
using ReceiptLookup = std::function<std::optional<QStringList>(const QString& receiptId)>;

// Bundle roots from the components' installPaths and from the file lists of
// their receipts (each candidate identifier looked up once, in ascending
// order). Paths that name no bundle inside a plugin folder are ignored.
InstalledFiles discoverInstalledFiles(const QList<PluginComponent>& components,
                                      const ReceiptLookup& packageFiles);
