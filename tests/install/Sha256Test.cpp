#include "install/Sha256.h"

#include "platform/Sha256Stream.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

TEST(Sha256, FileAndStreamAgreeAtBlockBoundaries)
{
    QTemporaryDir dir;
    const struct
    {
        QByteArray bytes;
        const char* digest;
    } cases[] = {
        {QByteArray(), "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855"},
        // One 1 MiB block and a byte: the loop reads to the end.
        {QByteArray(1024 * 1024 + 1, 'a'),
         "4a3f0c0c213adea174f9a3d4c13177315b588bdb2e9c1012d3d0bf0453ca0f6a"},
    };
    for (const auto& c : cases) {
        QFile file(dir.filePath(QString::number(c.bytes.size())));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly) && file.write(c.bytes) == c.bytes.size());
        file.close();
        const Result<QString> digest = sha256(file.fileName());
        ASSERT_TRUE(digest.ok());
        Sha256Stream stream;
        stream.update(c.bytes.constData(), c.bytes.size());
        EXPECT_EQ(stream.finalHex(), digest.value());
        EXPECT_EQ(digest.value().toStdString(), std::string(c.digest));
    }
    const Result<QString> missing = sha256(dir.filePath(QStringLiteral("deleted.pkg")));
    ASSERT_FALSE(missing.ok());
    EXPECT_NE(missing.error().domain, QStringLiteral("Brenvoss")); // the file system's own error
}

TEST(Sha256, CatalogueDigestsCompareIgnoringCaseOnly)
{
    const QString computed =
        QStringLiteral("ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
    EXPECT_TRUE(digestsMatch(computed, computed.toUpper()));
    for (const QString& other : {computed + QLatin1Char(' '), computed.left(63), QString()})
        EXPECT_FALSE(digestsMatch(computed, other)) << other.toStdString();
}

} // namespace
