#pragma once

#include <QString>
#include <QVariantMap>
#include <optional>

// A bundle's information dictionary: the top-level keys of its Info.plist.
// Strings become QString; every other property-list type keeps a non-string
// QVariant (integers, reals, booleans, dates, data, arrays, dictionaries), so
// callers can tell "a string" from "present but of another type".
using InfoDictionary = QVariantMap;

// Reads an Info.plist in XML or binary form. Absent when the file cannot be
// read or its root is not a dictionary.
std::optional<InfoDictionary> readInfoDictionary(const QString& plistPath);
std::optional<InfoDictionary> parseInfoDictionary(const QByteArray& plistBytes);

// The value of `key` when it is present and holds a string.
std::optional<QString> infoString(const InfoDictionary& info, const QString& key);
