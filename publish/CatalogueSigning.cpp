#include "publish/CatalogueSigning.h"

#include "catalogue/CatalogueSignature.h"
#include "platform/Sha256Stream.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <openssl/evp.h>
#include <openssl/pem.h>
#include <unistd.h>

namespace {

using KeyPointer = std::unique_ptr<EVP_PKEY, decltype(&EVP_PKEY_free)>;
using BioPointer = std::unique_ptr<BIO, decltype(&BIO_free)>;

Error signingError(const QString& sentence)
{
    return Error{QStringLiteral("Signing"), 1, sentence};
}

Result<KeyPointer> readPrivateKey(const QByteArray& pem)
{
    const BioPointer bio(BIO_new_mem_buf(pem.constData(), int(pem.size())), BIO_free);
    KeyPointer key(bio ? PEM_read_bio_PrivateKey(bio.get(), nullptr, nullptr, nullptr) : nullptr,
                   EVP_PKEY_free);
    if (!key || EVP_PKEY_get_id(key.get()) != EVP_PKEY_ED25519)
        return signingError(QStringLiteral("The private key is not an Ed25519 key in PEM form."));
    return key;
}

QByteArray rawPublicKey(EVP_PKEY* key)
{
    QByteArray bytes(32, '\0');
    size_t length = size_t(bytes.size());
    if (EVP_PKEY_get_raw_public_key(key, reinterpret_cast<unsigned char*>(bytes.data()), &length) != 1 ||
        length != 32)
        return {};
    return bytes;
}

} // namespace

Result<SigningKeyPair> generateSigningKey()
{
    EVP_PKEY* made = nullptr;
    const std::unique_ptr<EVP_PKEY_CTX, decltype(&EVP_PKEY_CTX_free)> context(
        EVP_PKEY_CTX_new_id(EVP_PKEY_ED25519, nullptr), EVP_PKEY_CTX_free);
    if (!context || EVP_PKEY_keygen_init(context.get()) != 1 || EVP_PKEY_keygen(context.get(), &made) != 1)
        return signingError(QStringLiteral("No Ed25519 key could be made."));
    const KeyPointer key(made, EVP_PKEY_free);
    const BioPointer bio(BIO_new(BIO_s_mem()), BIO_free);
    if (!bio || PEM_write_bio_PrivateKey(bio.get(), key.get(), nullptr, nullptr, 0, nullptr, nullptr) != 1)
        return signingError(QStringLiteral("The new key could not be written as PEM."));
    char* data = nullptr;
    const long length = BIO_get_mem_data(bio.get(), &data);
    return SigningKeyPair{QByteArray(data, qsizetype(length)), rawPublicKey(key.get())};
}

Result<QByteArray> publicKeyOf(const QByteArray& privateKeyPem)
{
    Result<KeyPointer> key = readPrivateKey(privateKeyPem);
    if (!key)
        return key.error();
    return rawPublicKey(key.value().get());
}

Result<QByteArray> signCatalogue(QByteArrayView catalogue, const QString& edition, const QDateTime& signedAt,
                                 const QDateTime& expires, const QByteArray& privateKeyPem)
{
    if (expires <= signedAt)
        return signingError(QStringLiteral("The signature must expire after it is made."));
    Sha256Stream digest;
    digest.update(catalogue.data(), catalogue.size());
    return signStatement(encodeCatalogueStatement({edition, digest.finalHex(), signedAt, expires}),
                         privateKeyPem);
}

Result<QByteArray> signStatement(const QByteArray& statement, const QByteArray& privateKeyPem)
{
    Result<KeyPointer> key = readPrivateKey(privateKeyPem);
    if (!key)
        return key.error();
    const std::unique_ptr<EVP_MD_CTX, decltype(&EVP_MD_CTX_free)> context(EVP_MD_CTX_new(), EVP_MD_CTX_free);
    QByteArray signature(64, '\0');
    size_t length = size_t(signature.size());
    if (!context || EVP_DigestSignInit(context.get(), nullptr, nullptr, nullptr, key.value().get()) != 1 ||
        EVP_DigestSign(context.get(), reinterpret_cast<unsigned char*>(signature.data()), &length,
                       reinterpret_cast<const unsigned char*>(statement.constData()),
                       size_t(statement.size())) != 1 ||
        length != 64)
        return signingError(QStringLiteral("The catalogue could not be signed."));
    return statement + '\n' + signature.toBase64() + '\n';
}

Result<bool> writePrivateKeyFile(const QString& path, const QByteArray& pem)
{
    const QByteArray name = path.toLocal8Bit();
    const int fd = ::open(name.constData(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd < 0)
        return signingError(QStringLiteral("%1: %2").arg(path, QString::fromLocal8Bit(std::strerror(errno))));
    qsizetype written = 0;
    while (written < pem.size()) {
        const ssize_t n = ::write(fd, pem.constData() + written, size_t(pem.size() - written));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            const QString reason = QString::fromLocal8Bit(std::strerror(errno));
            ::close(fd);
            ::unlink(name.constData());
            return signingError(QStringLiteral("%1: %2").arg(path, reason));
        }
        written += n;
    }
    const bool synced = ::fsync(fd) == 0;
    if (::close(fd) != 0 || !synced) {
        ::unlink(name.constData());
        return signingError(QStringLiteral("%1: could not be written.").arg(path));
    }
    return true;
}
