#pragma once

#include "platform/Environment.h"

#include <QString>
#include <QStringList>
#include <functional>
#include <memory>

class AppDelegate;

struct TourOptions
{
    QString outputDirectory;
    QString manifestBaseURL; // a catalogue server; empty: the demo vendor, served by the tour
    QString edition = QStringLiteral("Native");
};

// Builds the real window in each state a musician sees and writes one PNG per
// state. Returns the paths written, in order; an empty list when a state could
// not be reached (the reason is on stderr).
QStringList runTour(const TourOptions& options);

// Runs the event loop until `done` holds or `timeoutMs` passes. The tour is a
// script, not the product: it may wait like this.
bool spinUntil(const std::function<bool()>& done, int timeoutMs);
