#pragma once

#include "platform/SystemRoot.h"

#include <QSet>
#include <QString>
#include <QStringList>

// One shell command line that deletes every bundle (ascending path order)
// and then forgets every receipt (ascending), joined with " && ":
//   /bin/rm -rf -- '<bundle>' && … && { /usr/sbin/pkgutil --forget '<id>' >/dev/null 2>&1 || true; } && …
// A missing receipt never fails the chain, but a failed delete does: it stops
// the chain with its own status, so the failure reaches the user instead of
// being turned into success by a later "|| true".
QString removalCommandLine(const QSet<QString>& roots, const QStringList& receipts, const SystemRoot& root);
