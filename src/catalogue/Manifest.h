#pragma once

#include "common/Result.h"

#include <QByteArrayView>
#include <QList>
#include <QString>
#include <QStringList>
#include <QUrl>
#include <optional>

// One package entry of the vendor's catalogue. Immutable once decoded.
struct PluginComponent
{
    QString slug;
    QString name;
    QString packageId;
    QString version;
    std::optional<QString> pluginVersion;
    QString sha256;
    qint64 sizeBytes = 0;
    QUrl url;
    QStringList formats;
    std::optional<QStringList> installPaths;

    friend bool operator==(const PluginComponent&, const PluginComponent&) = default;
};

// The catalogue of one edition, components in document order.
struct Manifest
{
    QString edition;
    QString collectionVersion;
    QList<PluginComponent> components;

    friend bool operator==(const Manifest&, const Manifest&) = default;
};

// The most components a catalogue may hold: the window builds a card for
// each, on the main thread, at every load. A real catalogue holds tens; the
// list of this many is built and laid out in about half a second and under
// 100 MiB, and a longer one is refused as too large before any card is
// built.
inline constexpr qsizetype maximumComponents = 1000;

// Decodes a catalogue document strictly: every required key present with its
// JSON type, optional keys absent, null or of their type, unknown keys ignored.
// The first fault fails the whole document with a sentence naming where it is.
Result<Manifest> decodeManifest(QByteArrayView json);

// The error of a document that does not decode; domain "Decoding".
Error decodingError(QString description);

// True when `text` is a URL our network layer accepts: non-empty, parsed
// without repair, no whitespace or control characters.
bool isWellFormedUrl(const QString& text);
