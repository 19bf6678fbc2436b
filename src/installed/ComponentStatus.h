#pragma once

#include "catalogue/Manifest.h"
#include "installed/InstalledBundles.h"
#include "installed/InstalledRecords.h"

#include <QString>

// The four kinds of row status; the kind picks the label's colour and
// whether the row's checkbox is cleared.
enum class ComponentStatusKind {
    notInstalled, // muted
    update,       // burgundy
    upToDate,     // green; the checkbox is turned off
    installed,    // burgundy: installed, but neither versions nor the record can tell
};

struct ComponentStatus
{
    QString text;
    ComponentStatusKind kind = ComponentStatusKind::notInstalled;

    friend bool operator==(const ComponentStatus&, const ComponentStatus&) = default;
};

// The status of `component` given what its bundles on disk say and the
// installed-components record. Versions decide when the catalogue offers one
// and at least one bundle reports one; otherwise the record's digest for the
// slug, compared ignoring letter case, tells "Up to date" from "Installed".
ComponentStatus componentStatus(const PluginComponent& component, const InstalledBundles& bundles,
                                const InstalledRecords& records);
