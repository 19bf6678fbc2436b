#pragma once

#include "app/Result.h"

#include <QString>

#include <memory>

struct evp_md_ctx_st;

// An incremental SHA-256 over bytes as they arrive (OpenSSL EVP).
class Sha256Stream
{
public:
    Sha256Stream();
    ~Sha256Stream();
    Sha256Stream(const Sha256Stream&) = delete;
    Sha256Stream& operator=(const Sha256Stream&) = delete;

    void update(const char* data, qsizetype length);
    // The digest as 64 lower-case hexadecimal digits; the stream is spent.
    QString finalHex();

private:
    evp_md_ctx_st* m_context;
};

// The SHA-256 digest of a file on disk, read in 1 MiB blocks, as 64
// lower-case hexadecimal digits. Fails with the file system's error when the
// file cannot be opened or read.
Result<QString> sha256(const QString& of);

// Whether a computed digest matches the catalogue's, ignoring letter case and
// nothing else (a blank or line feed in the catalogue value never matches).
bool digestsMatch(const QString& computed, const QString& expected);
