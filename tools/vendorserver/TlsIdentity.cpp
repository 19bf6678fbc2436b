#include "vendorserver/VendorServer.h"

#include <memory>
#include <openssl/bn.h>
#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/x509.h>
#include <openssl/x509v3.h>
#include <stdexcept>

namespace {

using Key = std::unique_ptr<EVP_PKEY, decltype(&EVP_PKEY_free)>;
using Certificate = std::unique_ptr<X509, decltype(&X509_free)>;

void check(bool ok, const char* what)
{
    if (!ok)
        throw std::runtime_error(std::string("generating the TLS identity failed: ") + what);
}

Key newKey()
{
    Key key(EVP_PKEY_Q_keygen(nullptr, nullptr, "EC", "P-256"), &EVP_PKEY_free);
    check(key != nullptr, "key generation");
    return key;
}

void addExtension(X509* certificate, X509* issuer, int nid, const char* value)
{
    X509V3_CTX context;
    X509V3_set_ctx_nodb(&context);
    X509V3_set_ctx(&context, issuer, certificate, nullptr, nullptr, 0);
    X509_EXTENSION* extension = X509V3_EXT_conf_nid(nullptr, &context, nid, value);
    check(extension != nullptr, value);
    X509_add_ext(certificate, extension, -1);
    X509_EXTENSION_free(extension);
}

// A certificate for `key` named `commonName`, signed by `issuerKey` under
// `issuer` (self-signed when `issuer` is null).
Certificate newCertificate(EVP_PKEY* key, const char* commonName, X509* issuer, EVP_PKEY* issuerKey)
{
    Certificate certificate(X509_new(), &X509_free);
    check(certificate != nullptr, "X509_new");
    X509* x = certificate.get();
    X509_set_version(x, 2);
    std::unique_ptr<BIGNUM, decltype(&BN_free)> serial(BN_new(), &BN_free);
    check(serial && BN_rand(serial.get(), 63, BN_RAND_TOP_ANY, BN_RAND_BOTTOM_ANY) == 1, "serial number");
    check(BN_to_ASN1_INTEGER(serial.get(), X509_get_serialNumber(x)) != nullptr, "serial number");
    X509_gmtime_adj(X509_getm_notBefore(x), -60 * 60);
    X509_gmtime_adj(X509_getm_notAfter(x), 30L * 24 * 60 * 60);
    check(X509_set_pubkey(x, key) == 1, "public key");

    X509_NAME* name = X509_get_subject_name(x);
    X509_NAME_add_entry_by_txt(name, "O", MBSTRING_ASC,
                               reinterpret_cast<const unsigned char*>("Brenvoss Demo"), -1, -1, 0);
    X509_NAME_add_entry_by_txt(name, "CN", MBSTRING_ASC, reinterpret_cast<const unsigned char*>(commonName),
                               -1, -1, 0);
    X509_set_issuer_name(x, issuer ? X509_get_subject_name(issuer) : name);

    X509* signer = issuer ? issuer : x;
    addExtension(x, signer, NID_subject_key_identifier, "hash");
    if (!issuer) {
        addExtension(x, signer, NID_basic_constraints, "critical,CA:TRUE");
        addExtension(x, signer, NID_key_usage, "critical,keyCertSign,cRLSign");
    } else {
        addExtension(x, signer, NID_authority_key_identifier, "keyid:always");
        addExtension(x, signer, NID_basic_constraints, "critical,CA:FALSE");
        addExtension(x, signer, NID_key_usage, "critical,digitalSignature,keyEncipherment");
        addExtension(x, signer, NID_ext_key_usage, "serverAuth");
        addExtension(x, signer, NID_subject_alt_name, "IP:127.0.0.1,DNS:localhost");
    }
    check(X509_sign(x, issuerKey, EVP_sha256()) > 0, "signing");
    return certificate;
}

template <class Write> std::string pem(Write write)
{
    std::unique_ptr<BIO, decltype(&BIO_free)> bio(BIO_new(BIO_s_mem()), &BIO_free);
    check(bio && write(bio.get()), "PEM encoding");
    char* data = nullptr;
    const long length = BIO_get_mem_data(bio.get(), &data);
    return std::string(data, static_cast<std::size_t>(length));
}

} // namespace

TlsIdentity generateTlsIdentity()
{
    const Key caKey = newKey();
    const Certificate ca =
        newCertificate(caKey.get(), "Brenvoss Demo Certificate Authority", nullptr, caKey.get());
    const Key serverKey = newKey();
    const Certificate server = newCertificate(serverKey.get(), "127.0.0.1", ca.get(), caKey.get());

    TlsIdentity identity;
    identity.caCertificatePem = pem([&](BIO* bio) { return PEM_write_bio_X509(bio, ca.get()) == 1; });
    identity.serverCertificatePem = pem([&](BIO* bio) { return PEM_write_bio_X509(bio, server.get()) == 1; });
    identity.serverKeyPem = pem([&](BIO* bio) {
        return PEM_write_bio_PrivateKey(bio, serverKey.get(), nullptr, nullptr, 0, nullptr, nullptr) == 1;
    });
    return identity;
}
