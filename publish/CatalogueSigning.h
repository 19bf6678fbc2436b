#pragma once

#include "common/Result.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QDateTime>
#include <QString>

// The vendor's side of signed catalogues (the app's side is
// catalogue/CatalogueSignature.h). Private keys travel as PKCS #8 PEM, the
// form `openssl genpkey -algorithm ed25519` writes too.

struct SigningKeyPair
{
    QByteArray privateKeyPem;
    QByteArray publicKey; // the 32 raw bytes; BrenvossCatalogueKey is their base64
};

// A new Ed25519 key pair.
Result<SigningKeyPair> generateSigningKey();

// The public key (32 raw bytes) of a PEM private key; fails unless it is an
// Ed25519 key.
Result<QByteArray> publicKeyOf(const QByteArray& privateKeyPem);

// The signature file for `catalogue` (its exact bytes) as the `edition`
// document, valid from `signedAt` until `expires`.
Result<QByteArray> signCatalogue(QByteArrayView catalogue, const QString& edition, const QDateTime& signedAt,
                                 const QDateTime& expires, const QByteArray& privateKeyPem);

// A signature file for exactly `statement`, whatever it holds.
Result<QByteArray> signStatement(const QByteArray& statement, const QByteArray& privateKeyPem);

// Creates `path` for a private key: readable by its owner only from the
// moment it exists (never widened and then narrowed), and never over a file
// that is already there.
Result<bool> writePrivateKeyFile(const QString& path, const QByteArray& pem);
