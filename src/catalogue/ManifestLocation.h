#pragma once

#include "platform/InfoDictionary.h"

#include <QUrl>
#include <optional>

// The catalogue of `edition`: the BrenvossManifestBaseURL of the bundle with
// "<edition>.json" appended as one more path component (a trailing "/" on the
// base makes no difference). Absent when the key is missing, not a string, or
// not an absolute URL.
std::optional<QUrl> catalogueURL(const InfoDictionary& info, const QString& edition);

// Where the signature of the catalogue at `catalogue` lies: the same address
// with ".sig" added to its last path component.
QUrl catalogueSignatureURL(const QUrl& catalogue);
