#include "install/Sha256.h"

#include <QFile>

#include <openssl/evp.h>

#include <array>

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

Result<QString> sha256(const QString& of)
{
    constexpr qint64 blockSize = 1024 * 1024;
    QFile file(of);
    if (!file.open(QIODevice::ReadOnly))
        return Error{QStringLiteral("File"), qint64(file.error()), file.errorString()};
    Sha256Stream stream;
    QByteArray block(blockSize, Qt::Uninitialized);
    for (;;) {
        const qint64 n = file.read(block.data(), blockSize);
        if (n < 0)
            return Error{QStringLiteral("File"), qint64(file.error()), file.errorString()};
        if (n == 0)
            break;
        stream.update(block.constData(), n);
    }
    return stream.finalHex();
}

bool digestsMatch(const QString& computed, const QString& expected)
{
    return computed.compare(expected, Qt::CaseInsensitive) == 0;
}
