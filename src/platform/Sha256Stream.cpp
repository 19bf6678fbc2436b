#include "platform/Sha256Stream.h"

#include <array>
#include <openssl/evp.h>

Sha256Stream::Sha256Stream() : m_context(EVP_MD_CTX_new())
{
    EVP_DigestInit_ex(m_context, EVP_sha256(), nullptr);
}

Sha256Stream::~Sha256Stream()
{
    EVP_MD_CTX_free(m_context);
}

void Sha256Stream::update(const char* data, qsizetype length)
{
    EVP_DigestUpdate(m_context, data, std::size_t(length));
}

QString Sha256Stream::finalHex()
{
    std::array<unsigned char, EVP_MAX_MD_SIZE> digest{};
    unsigned int length = 0;
    EVP_DigestFinal_ex(m_context, digest.data(), &length);
    return QString::fromLatin1(QByteArray(reinterpret_cast<const char*>(digest.data()), length).toHex());
}
