#pragma once

#include "catalogue/Manifest.h"

#include <QList>
#include <QString>

// One thing wrong with a catalogue, as the vendor's tool reports it. An error
// is what the app would refuse or fail on; a warning is what it accepts but a
// musician would suffer from.
struct Finding
{
    enum class Severity { error, warning };
    Severity severity = Severity::error;
    QString rule;      // a stable name for scripts: "slug-clash", "install-path"…
    QString component; // the slug, empty for the document as a whole
    QString message;   // one sentence naming the component

    friend bool operator==(const Finding&, const Finding&) = default;
};

Finding errorFinding(QString rule, const PluginComponent* component, const QString& what);
Finding warningFinding(QString rule, const PluginComponent* component, const QString& what);

struct RuleOptions
{
    bool allowHttp = false; // package addresses may be http (a local test server)
};

// The rules a catalogue must meet before it is published, in document order:
//   errors   edition (not "Native" or "DSP"), slug-file-name, slug-clash (on a
//            volume that ignores case), install-path (not a bundle in the
//            plugin folders), plugin-version (not numbers and dots, which the
//            status refresh compares), url (no download request can be made,
//            or not https)
//   warnings sha256 (not 64 hexadecimal digits), size (0 or less),
//            unversioned-url (the address does not hold the package version,
//            so a new version would have the old one's address)
QList<Finding> checkCatalogue(const Manifest& manifest, const RuleOptions& options);

// Whether the status refresh compares `version` as the vendor means it:
// decimal numbers separated by single dots ("2.10.1").
bool isComparableVersion(const QString& version);
