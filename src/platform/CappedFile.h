#pragma once

#include <QByteArray>
#include <QString>
#include <optional>

// The whole content of the file at `path` when, after following links, it is
// a regular file of at most `maximumBytes`; absent when it is missing,
// unreadable, larger, or anything else (a FIFO, a device such as /dev/zero, a
// directory, a socket). Never waits for a writer and never reads more than
// `maximumBytes` + 1 bytes, whatever the file claims or turns into.
std::optional<QByteArray> readRegularFile(const QString& path, qint64 maximumBytes);
