#include "catalogue/CatalogueSignature.h"

#include "platform/Sha256Stream.h"

#include <QRegularExpression>
#include <QTimeZone>
#include <memory>
#include <nlohmann/json.hpp>
#include <openssl/evp.h>

namespace {

constexpr qsizetype publicKeyBytes = 32;
constexpr qsizetype signatureBytes = 64;

// Canonical base64 of exactly `size` bytes: the one spelling that encodes
// them, so a signature file or key has a single accepted form.
std::optional<QByteArray> canonicalBase64(QByteArrayView text, qsizetype size)
{
    const QByteArray encoded = text.toByteArray();
    auto decoded = QByteArray::fromBase64Encoding(encoded, QByteArray::AbortOnBase64DecodingErrors);
    if (!decoded || decoded.decoded.size() != size || decoded.decoded.toBase64() != encoded)
        return std::nullopt;
    return decoded.decoded;
}

bool ed25519Verifies(QByteArrayView message, const QByteArray& signature, const QByteArray& publicKey)
{
    const std::unique_ptr<EVP_PKEY, decltype(&EVP_PKEY_free)> key(
        EVP_PKEY_new_raw_public_key(EVP_PKEY_ED25519, nullptr,
                                    reinterpret_cast<const unsigned char*>(publicKey.constData()),
                                    size_t(publicKey.size())),
        EVP_PKEY_free);
    const std::unique_ptr<EVP_MD_CTX, decltype(&EVP_MD_CTX_free)> context(EVP_MD_CTX_new(), EVP_MD_CTX_free);
    if (!key || !context || EVP_DigestVerifyInit(context.get(), nullptr, nullptr, nullptr, key.get()) != 1)
        return false;
    return EVP_DigestVerify(context.get(), reinterpret_cast<const unsigned char*>(signature.constData()),
                            size_t(signature.size()), reinterpret_cast<const unsigned char*>(message.data()),
                            size_t(message.size())) == 1;
}

bool isLowerHexDigest(const QString& text)
{
    static const QRegularExpression hex(QStringLiteral("^[0-9a-f]{64}$"));
    return hex.match(text).hasMatch();
}

// The statement of a line that is exactly what encodeCatalogueStatement
// writes for it; anything else (other members, blanks, another order, escapes
// spelt differently) is not a statement of this format.
std::optional<CatalogueStatement> decodeStatement(QByteArrayView line)
{
    try {
        const auto document = nlohmann::json::parse(line.begin(), line.end(), nullptr, false);
        if (!document.is_object() || document.size() != 5)
            return std::nullopt;
        const auto& format = document.value("format", nlohmann::json());
        if (!format.is_number_integer() || format.get<std::int64_t>() != catalogueSignatureFormat)
            return std::nullopt;
        const auto text = [&](const char* key) -> std::optional<QString> {
            const auto found = document.find(key);
            if (found == document.end() || !found->is_string())
                return std::nullopt;
            return QString::fromStdString(found->get<std::string>());
        };
        const auto edition = text("edition"), sha256 = text("sha256");
        const auto signedText = text("signed"), expiresText = text("expires");
        if (!edition || !sha256 || !signedText || !expiresText || !isLowerHexDigest(*sha256))
            return std::nullopt;
        const auto signedAt = parseUtcTimestamp(*signedText), expires = parseUtcTimestamp(*expiresText);
        if (!signedAt || !expires || *expires <= *signedAt)
            return std::nullopt;
        CatalogueStatement statement{*edition, *sha256, *signedAt, *expires};
        if (encodeCatalogueStatement(statement) != line)
            return std::nullopt;
        return statement;
    } catch (const std::exception&) { // text that is not valid UTF-8, memory
        return std::nullopt;
    }
}

} // namespace

Error signatureError(SignatureFault fault)
{
    const char* sentence = "";
    switch (fault) {
    case SignatureFault::missing:
        sentence = "The plugin list is not signed.";
        break;
    case SignatureFault::malformed:
        sentence = "The plugin list's signature could not be read.";
        break;
    case SignatureFault::invalid:
        sentence = "The plugin list's signature is not valid.";
        break;
    case SignatureFault::otherEdition:
        sentence = "The plugin list's signature is for another edition.";
        break;
    case SignatureFault::mismatch:
        sentence = "The plugin list does not match its signature.";
        break;
    case SignatureFault::expired:
        sentence = "The plugin list's signature has expired.";
        break;
    case SignatureFault::notYetValid:
        sentence = "The plugin list's signature is not yet valid. Check the date and time of this Mac.";
        break;
    case SignatureFault::unusableKey:
        sentence = "This installer's catalogue key is not valid.";
        break;
    }
    return Error::brenvoss(ErrorCode::CatalogueSignature, QString::fromUtf8(sentence));
}

std::optional<QByteArray> cataloguePublicKey(const QVariant& infoValue)
{
    if (infoValue.typeId() != QMetaType::QString)
        return std::nullopt;
    return canonicalBase64(infoValue.toString().toLatin1(), publicKeyBytes);
}

QByteArray encodeCatalogueStatement(const CatalogueStatement& statement)
{
    const nlohmann::ordered_json document = {
        {"format", catalogueSignatureFormat},
        {"edition", statement.edition.toStdString()},
        {"sha256", statement.sha256.toStdString()},
        {"signed", utcTimestamp(statement.signedAt).toStdString()},
        {"expires", utcTimestamp(statement.expires).toStdString()},
    };
    return QByteArray::fromStdString(document.dump());
}

Result<CatalogueStatement> verifiedStatement(QByteArrayView signatureFile, const QByteArray& publicKey)
{
    const Error malformed = signatureError(SignatureFault::malformed);
    if (signatureFile.size() > maximumSignatureFileBytes || !signatureFile.endsWith('\n'))
        return malformed;
    const QByteArrayView body = signatureFile.chopped(1);
    const qsizetype split = body.indexOf('\n');
    if (split < 0 || body.indexOf('\n', split + 1) >= 0)
        return malformed;
    const QByteArrayView line = body.first(split);
    const std::optional<QByteArray> signature = canonicalBase64(body.sliced(split + 1), signatureBytes);
    if (!signature)
        return malformed;
    // Nothing of the statement is believed before the signature holds.
    if (!ed25519Verifies(line, *signature, publicKey))
        return signatureError(SignatureFault::invalid);
    std::optional<CatalogueStatement> statement = decodeStatement(line);
    if (!statement)
        return malformed;
    return std::move(*statement);
}

std::optional<Error> verifyCatalogueSignature(QByteArrayView catalogue, QByteArrayView signatureFile,
                                              const QString& edition,
                                              const std::optional<QByteArray>& publicKey,
                                              const QDateTime& now)
{
    if (!publicKey)
        return signatureError(SignatureFault::unusableKey);
    const Result<CatalogueStatement> statement = verifiedStatement(signatureFile, *publicKey);
    if (!statement)
        return statement.error();
    if (statement->edition != edition)
        return signatureError(SignatureFault::otherEdition);
    Sha256Stream digest;
    digest.update(catalogue.data(), catalogue.size());
    if (digest.finalHex() != statement->sha256)
        return signatureError(SignatureFault::mismatch);
    if (now.secsTo(statement->signedAt) > signatureClockToleranceSeconds)
        return signatureError(SignatureFault::notYetValid);
    if (now >= statement->expires)
        return signatureError(SignatureFault::expired);
    return std::nullopt;
}

QString utcTimestamp(const QDateTime& time)
{
    return time.toUTC().toString(QStringLiteral("yyyy-MM-dd'T'HH:mm:ss'Z'"));
}

std::optional<QDateTime> parseUtcTimestamp(const QString& text)
{
    static const QRegularExpression shape(
        QStringLiteral("^([0-9]{4})-([0-9]{2})-([0-9]{2})T([0-9]{2}):([0-9]{2}):([0-9]{2})Z$"));
    const QRegularExpressionMatch match = shape.match(text);
    if (!match.hasMatch())
        return std::nullopt;
    const auto number = [&](int group) { return match.capturedView(group).toInt(); };
    const QDate date(number(1), number(2), number(3));
    const QTime time(number(4), number(5), number(6));
    if (!date.isValid() || !time.isValid())
        return std::nullopt;
    return QDateTime(date, time, QTimeZone::utc());
}
