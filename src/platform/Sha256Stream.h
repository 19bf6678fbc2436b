#pragma once

#include <QString>

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
