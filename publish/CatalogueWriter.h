#pragma once

#include "catalogue/Manifest.h"
#include "update/InstallerRelease.h"

#include <QByteArray>

// The one way a catalogue is written, by the vendor's tool, the demo vendor
// and the tests: the members in the order of the format's tables, two-space
// indentation, UTF-8 as it is, a final line feed. The same value always gives
// the same bytes, and decodeManifest gives the value back.
QByteArray encodeManifest(const Manifest& manifest);

// installer-latest.json, written the same way.
QByteArray encodeInstallerRelease(const InstallerRelease& release);
