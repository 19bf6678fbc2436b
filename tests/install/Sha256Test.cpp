#include "install/Sha256.h"

#include "platform/Sha256Stream.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

QString writeFile(const QTemporaryDir& dir, const QString& name, const QByteArray& bytes)
{
    const QString path = dir.filePath(name);
    QFile file(path);
    file.open(QIODevice::WriteOnly);
    file.write(bytes);
    return path;
}

TEST(Sha256, KnownDigestsAtBlockBoundaries)
{
    QTemporaryDir dir;
    struct Case
    {
        QByteArray bytes;
        const char* digest;
    };
    const Case cases[] = {
        {QByteArray(), "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855"},
        {QByteArray("abc"), "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"},
        // Exactly one 1 MiB block, and one block and a byte: the loop reads to the end.
        {QByteArray(1024 * 1024, 'a'), "9bc1b2a288b26af7257a36277ae3816a7d4f16e89c1e7e77d0a5c48bad62b360"},
        {QByteArray(1024 * 1024 + 1, 'a'),
         "4a3f0c0c213adea174f9a3d4c13177315b588bdb2e9c1012d3d0bf0453ca0f6a"},
    };
    int index = 0;
    for (const Case& c : cases) {
        const Result<QString> digest = sha256(writeFile(dir, QString::number(index++), c.bytes));
        ASSERT_TRUE(digest.ok());
        // The streaming digest agrees with the file digest.
        Sha256Stream stream;
        stream.update(c.bytes.constData(), c.bytes.size());
        EXPECT_EQ(stream.finalHex(), digest.value());
        EXPECT_EQ(digest.value().toStdString(), std::string(c.digest));
    }
}

TEST(Sha256, MissingFileFailsWithTheFileSystemError)
{
    QTemporaryDir dir;
    const Result<QString> digest = sha256(dir.filePath(QStringLiteral("deleted.pkg")));
    ASSERT_FALSE(digest.ok());
    EXPECT_FALSE(digest.error().description.isEmpty());
    EXPECT_NE(digest.error().domain, QStringLiteral("Brenvoss"));
}

TEST(Sha256, CatalogueDigestsCompareIgnoringCaseOnly)
{
    const QString computed =
        QStringLiteral("ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
    EXPECT_TRUE(digestsMatch(computed, computed.toUpper()));
    EXPECT_TRUE(digestsMatch(computed, computed));
    EXPECT_FALSE(digestsMatch(computed, computed + QLatin1Char(' ')));
    EXPECT_FALSE(digestsMatch(computed, QLatin1Char('\n') + computed));
    EXPECT_FALSE(digestsMatch(computed, computed.left(63)));
    EXPECT_FALSE(digestsMatch(computed, QString()));
}

} // namespace
