#pragma once

#include <QString>
#include <QStringList>
#include <QUrl>
#include <optional>

// The address a package is fetched from: the catalogue's `url` with the query
// item sha256=<digest> added after any query it already has. Absent when no
// valid http or https address can be formed (a relative or file: address
// never reaches the network layer).
std::optional<QUrl> packageDownloadURL(const QUrl& url, const QString& sha256);

// Whether `slug` can name a file in the download folder: one plain path
// component, so "<slug>.pkg" can never point outside the folder.
bool isSafePackageName(const QString& slug);

// The position of the first slug in `slugs` whose package file would be the
// file of an earlier one on a Mac's default volume, which ignores letter case
// and Unicode normalisation; absent when every package file is distinct.
std::optional<qsizetype> firstRepeatedPackageName(const QStringList& slugs);
