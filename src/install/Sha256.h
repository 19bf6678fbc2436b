#pragma once

#include "common/Result.h"

#include <QString>

// The SHA-256 digest of a file on disk, read in 1 MiB blocks, as 64
// lower-case hexadecimal digits. Fails with the file system's error when the
// file cannot be opened or read.
Result<QString> sha256(const QString& of);

// Whether a computed digest matches the catalogue's, ignoring letter case and
// nothing else (a blank or line feed in the catalogue value never matches).
bool digestsMatch(const QString& computed, const QString& expected);
