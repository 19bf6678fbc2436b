// What a keyed app makes of a catalogue's signature file, case by case. The
// load around it (fetching the file, the alert, the kept list) is in the
// fault matrix.
#include "catalogue/CatalogueSignature.h"

#include "publish/CatalogueSigning.h"

#include <QTimeZone>
#include <functional>
#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {

const QByteArray catalogue = R"({"edition":"Native","collectionVersion":"1","components":[]})";
const QDateTime signedAt(QDate(2026, 12, 6), QTime(12, 0), QTimeZone::utc());
const QDateTime expires = signedAt.addDays(30);

const SigningKeyPair& vendor()
{
    static const SigningKeyPair pair = generateSigningKey().value();
    return pair;
}

QByteArray signedBy(const SigningKeyPair& key, const QByteArray& bytes = catalogue,
                    const QString& edition = u"Native"_s)
{
    return signCatalogue(bytes, edition, signedAt, expires, key.privateKeyPem).value();
}

QByteArray statementSigned(const QByteArray& statement)
{
    return signStatement(statement, vendor().privateKeyPem).value();
}

struct Case
{
    const char* name;
    std::function<QByteArray()> signatureFile;
    std::optional<SignatureFault> expected;
    QByteArray catalogueBytes = catalogue;
    QDateTime now = signedAt.addDays(1);
};

class Signature : public ::testing::TestWithParam<Case>
{
};

TEST_P(Signature, IsJudged)
{
    const Case& c = GetParam();
    const std::optional<Error> refused =
        verifyCatalogueSignature(c.catalogueBytes, c.signatureFile(), u"Native"_s, vendor().publicKey, c.now);
    if (!c.expected) {
        EXPECT_EQ(refused, std::nullopt) << refused->description.toStdString();
        return;
    }
    EXPECT_EQ(refused, signatureError(*c.expected)) << (refused ? refused->description.toStdString() : "");
}

const QByteArray good = signedBy(vendor());
const QByteArray statement = good.left(good.indexOf('\n'));

QByteArray replaced(QByteArray bytes, const char* before, const char* after)
{
    return bytes.replace(before, after);
}

const Case cases[] = {
    {"Valid", [] { return good; }, std::nullopt},
    {"ValidUntilTheLastSecond", [] { return good; }, std::nullopt, catalogue, expires.addSecs(-1)},
    {"ValidWithinTheClockTolerance", [] { return good; }, std::nullopt, catalogue, signedAt.addSecs(-3600)},
    {"Expired", [] { return good; }, SignatureFault::expired, catalogue, expires},
    {"NotYetValid", [] { return good; }, SignatureFault::notYetValid, catalogue, signedAt.addSecs(-3601)},
    {"CatalogueChanged", [] { return good; }, SignatureFault::mismatch, catalogue + ' '},
    {"OtherEdition", [] { return signedBy(vendor(), catalogue, u"DSP"_s); }, SignatureFault::otherEdition},
    {"OtherKey", [] { return signedBy(generateSigningKey().value()); }, SignatureFault::invalid},
    {"ExpiryMovedOn", [] { return replaced(good, "2027-01-05", "2028-01-05"); }, SignatureFault::invalid},
    {"Empty", [] { return QByteArray(); }, SignatureFault::malformed},
    {"NoFinalLineFeed", [] { return good.chopped(1); }, SignatureFault::malformed},
    {"CarriageReturns", [] { return replaced(good, "\n", "\r\n"); }, SignatureFault::malformed},
    {"ThirdLine", [] { return good + "x\n"; }, SignatureFault::malformed},
    {"SignatureNotBase64", [] { return statement + "\n" + QByteArray(86, '*') + "==\n"; },
     SignatureFault::malformed},
    {"SignatureTooShort", [] { return statement + "\n" + QByteArray(63, 'a').toBase64() + "\n"; },
     SignatureFault::malformed},
    {"OverSize", [] { return signedBy(vendor(), catalogue, QString(4096, u'N')); },
     SignatureFault::malformed},
    // Signed by the vendor's key, yet not a statement of this format.
    {"FormatTwo", [] { return statementSigned(replaced(statement, "\"format\":1", "\"format\":2")); },
     SignatureFault::malformed},
    {"ExtraMember", [] { return statementSigned(replaced(statement, "{", "{\"x\":1,")); },
     SignatureFault::malformed},
    {"Blanks", [] { return statementSigned(replaced(statement, ",", ", ")); }, SignatureFault::malformed},
    {"TimeWithOffset", [] { return statementSigned(replaced(statement, "12:00:00Z", "12:00:00+00:00")); },
     SignatureFault::malformed},
    {"ExpiresBeforeSigned", [] { return statementSigned(replaced(statement, "2027-01-05", "2026-01-05")); },
     SignatureFault::malformed},
    {"DigestUpperCase", [] { return statementSigned(statement.toUpper()); }, SignatureFault::malformed},
    {"NotJson", [] { return statementSigned("format 1"); }, SignatureFault::malformed},
};

INSTANTIATE_TEST_SUITE_P(Cases, Signature, ::testing::ValuesIn(cases),
                         [](const auto& test) { return std::string(test.param.name); });

TEST(CatalogueKey, OnlyCanonicalBase64OfThirtyTwoBytesIsAKey)
{
    const QString key = QString::fromLatin1(vendor().publicKey.toBase64());
    EXPECT_EQ(cataloguePublicKey(key), vendor().publicKey);
    for (const QVariant& bad : {QVariant(), QVariant(u""_s), QVariant(key.chopped(1)), QVariant(key + u' '),
                                QVariant(QString::fromLatin1(QByteArray(31, 'k').toBase64())),
                                QVariant(key.toUtf8()), QVariant(42)})
        EXPECT_EQ(cataloguePublicKey(bad), std::nullopt) << bad.toString().toStdString();
    // A bundle whose key is unusable trusts nothing, not even a good signature.
    EXPECT_EQ(verifyCatalogueSignature(catalogue, good, u"Native"_s, std::nullopt, signedAt),
              signatureError(SignatureFault::unusableKey));
}

} // namespace
