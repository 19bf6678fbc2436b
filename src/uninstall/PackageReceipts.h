#pragma once

#include "platform/SystemRoot.h"

#include <QString>
#include <QStringList>
#include <optional>

// The receipt identifiers a component's packages may have left: its
// packageId and the two edition-prefixed forms of its slug.
QStringList candidateReceiptIds(const QString& packageId, const QString& slug);

// The paths a package receipt lists (relative to the volume, as pkgutil
// prints them), or absent when there is no such receipt or pkgutil cannot be
// run. Blocks until pkgutil exits: background threads only.
std::optional<QStringList> packageFiles(const QString& receiptId, const SystemRoot& root);

// pkgutil's output split into lines; empty lines dropped, nothing trimmed.
QStringList receiptLines(const QString& output);
