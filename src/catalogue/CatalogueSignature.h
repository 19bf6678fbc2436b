#pragma once

#include "common/Error.h"
#include "common/Result.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QDateTime>
#include <QString>
#include <QVariant>
#include <optional>

// A signed catalogue: beside "<Edition>.json" the vendor's server holds
// "<Edition>.json.sig", two lines of text, each ending in a line feed:
//
//   {"format":1,"edition":"Native","sha256":"<64 hex>","signed":"<UTC>","expires":"<UTC>"}
//   <base64 of the Ed25519 signature over the exact bytes of the first line>
//
// Times are RFC 3339 in UTC to the second ("2026-12-06T12:00:00Z"). The app
// holds the vendor's public key (Info.plist BrenvossCatalogueKey: base64 of
// the 32 raw key bytes) and counts a catalogue only when its file verifies.

inline constexpr qint64 maximumSignatureFileBytes = 4096;
inline constexpr int catalogueSignatureFormat = 1;
// A Mac whose clock runs this far behind the signer's still accepts a
// catalogue signed just now.
inline constexpr qint64 signatureClockToleranceSeconds = 3600;

// What the signature says about one catalogue document.
struct CatalogueStatement
{
    QString edition;
    QString sha256; // of the catalogue's exact bytes, 64 lower-case hex digits
    QDateTime signedAt;
    QDateTime expires;

    friend bool operator==(const CatalogueStatement&, const CatalogueStatement&) = default;
};

// Why a catalogue does not count; each has its own sentence for the user.
enum class SignatureFault {
    missing,   // the server has no signature file
    malformed, // not a signature file of a format this app reads
    invalid,   // made with another key, or altered
    otherEdition,
    mismatch, // the catalogue is not the one that was signed
    expired,
    notYetValid,
    unusableKey, // the app's own BrenvossCatalogueKey is not an Ed25519 key
};

// The error the catalogue load reports for `fault`: domain "Brenvoss",
// code ErrorCode::CatalogueSignature.
Error signatureError(SignatureFault fault);

// The public key of a BrenvossCatalogueKey value: the 32 raw bytes, or absent
// when the value is not a string of exactly that in canonical base64.
std::optional<QByteArray> cataloguePublicKey(const QVariant& infoValue);

// The statement line of a signature file, written exactly as the verifier
// reads it (no blanks, members in the order above, no line feed).
QByteArray encodeCatalogueStatement(const CatalogueStatement& statement);

// The statement of a signature file whose Ed25519 signature verifies with
// `publicKey` (32 raw bytes). Fails with `malformed` for anything but two
// lines of the format above within maximumSignatureFileBytes, `invalid` when
// the signature does not verify.
Result<CatalogueStatement> verifiedStatement(QByteArrayView signatureFile, const QByteArray& publicKey);

// Whether `catalogue`, fetched as the `edition` document at `now`, counts:
// absent when it does, else the error to report. `publicKey` absent means
// the app's key is unusable: nothing counts.
std::optional<Error> verifyCatalogueSignature(QByteArrayView catalogue, QByteArrayView signatureFile,
                                              const QString& edition,
                                              const std::optional<QByteArray>& publicKey,
                                              const QDateTime& now);

// RFC 3339 to the second in UTC ("2026-12-06T12:00:00Z"), and back: any
// other spelling (an offset, fractions, lower-case letters) is absent.
QString utcTimestamp(const QDateTime& time);
std::optional<QDateTime> parseUtcTimestamp(const QString& text);
