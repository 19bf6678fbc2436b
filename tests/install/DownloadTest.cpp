#include "install/DownloadRequest.h"
#include "install/Sha256.h"
#include "platform/DownloadFolder.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

TEST(DownloadAddress, AppendsTheDigestAfterAnyQueryOrRefuses)
{
    // Each address and what is fetched for it; the hostile digest stays one value.
    const std::pair<const char*, const char*> cases[] = {
        {"http://127.0.0.1:8080/a.pkg", "http://127.0.0.1:8080/a.pkg?sha256=a%26admin%3D1%23x"},
        {"https://h.test/a.pkg?token=x&b=2", "https://h.test/a.pkg?token=x&b=2&sha256=a%26admin%3D1%23x"},
        {"https:///a.pkg", "refused"}, // no host
        {"ftp://h.test/a.pkg", "refused"},
    };
    for (const auto& [address, expected] : cases) {
        const std::optional<QUrl> url =
            packageDownloadURL(QUrl(QString::fromUtf8(address)), QStringLiteral("a&admin=1#x"));
        EXPECT_EQ(url ? url->toString(QUrl::FullyEncoded).toStdString() : "refused", expected);
    }
}

// A package name is one plain path component; catalogue digests compare ignoring case only.
TEST(PackageNameAndDigest, RefuseWhatCouldEscapeOrDiffer)
{
    EXPECT_TRUE(isSafePackageName(QStringLiteral("..grain-delay_2")));
    for (const QString& bad : {QString(), QStringLiteral("."), QStringLiteral(".."), QStringLiteral("a/b"),
                               QStringLiteral("a") + QChar(0)})
        EXPECT_FALSE(isSafePackageName(bad)) << bad.toStdString();
    const QString computed =
        QStringLiteral("ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
    EXPECT_TRUE(digestsMatch(computed, computed.toUpper()));
    for (const QString& other : {computed + QLatin1Char(' '), computed.left(63), QString()})
        EXPECT_FALSE(digestsMatch(computed, other)) << other.toStdString();
}

// Start-up removes what killed runs left behind: only real folders named
// exactly like a download folder, and none that a running installer holds.
// A symbolic link is never followed, in the folder or as the folder.
TEST(DownloadFolders, StaleOnesGoHeldOnesAndLookalikesStay)
{
    QTemporaryDir temporary;
    const QString name =
        temporary.filePath(QStringLiteral("Brenvoss-Tesselar-00000000-0000-0000-0000-00000000000"));
    const QString held = name + u'1', stale = name + u'A', link = name + u'B', lookalike = name + u'a';
    const QString outside = temporary.filePath(QStringLiteral("outside"));
    HeldFolder hold = HeldFolder::create(held).value();
    ASSERT_TRUE(HeldFolder::create(stale).ok()); // its run has ended
    for (const QString& folder : {held, outside, lookalike, stale + QStringLiteral("/sub")})
        ASSERT_TRUE(QDir().mkpath(folder) &&
                    QFile(folder + QStringLiteral("/a.pkg")).open(QIODevice::WriteOnly));
    ASSERT_TRUE(QFile::link(outside, link) && QFile::link(outside, stale + QStringLiteral("/link")));

    removeStaleDownloadFolders(temporary.path());
    EXPECT_FALSE(QFileInfo::exists(stale));
    for (const QString& kept : {held, lookalike, outside, link})
        EXPECT_TRUE(QFileInfo::exists(kept + QStringLiteral("/a.pkg"))) << kept.toStdString();
    hold = HeldFolder();
    removeStaleDownloadFolders(temporary.path());
    EXPECT_FALSE(QFileInfo::exists(held));
}

} // namespace
