#include "install/DownloadRequest.h"

#include <gtest/gtest.h>

namespace {

TEST(DownloadAddress, AppendsTheDigestAfterAnyQueryOrRefuses)
{
    const struct
    {
        const char* url;
        const char* sha256;
        const char* expected; // nullptr: the address is refused
    } cases[] = {
        {"http://127.0.0.1:8080/a.pkg", "ab", "http://127.0.0.1:8080/a.pkg?sha256=ab"},
        {"https://h.test/a.pkg?token=x&b=2", "AB", "https://h.test/a.pkg?token=x&b=2&sha256=AB"},
        // A hostile digest stays one value.
        {"https://h.test/a.pkg", "a&admin=1#x", "https://h.test/a.pkg?sha256=a%26admin%3D1%23x"},
        {"packages/a.pkg", "ab", nullptr},
        {"file:///etc/passwd", "ab", nullptr},
        {"ftp://h.test/a.pkg", "ab", nullptr},
    };
    for (const auto& c : cases) {
        const std::optional<QUrl> url =
            packageDownloadURL(QUrl(QString::fromUtf8(c.url)), QString::fromUtf8(c.sha256));
        EXPECT_EQ(url ? url->toString(QUrl::FullyEncoded).toStdString() : "refused",
                  c.expected ? c.expected : "refused");
    }
}

TEST(PackageName, OnlyOnePlainPathComponentNamesAFile)
{
    EXPECT_TRUE(isSafePackageName(QStringLiteral("..grain-delay_2")));
    for (const QString& bad : {QString(), QStringLiteral("."), QStringLiteral(".."), QStringLiteral("../x"),
                               QStringLiteral("a/b"), QStringLiteral("a") + QChar(0)})
        EXPECT_FALSE(isSafePackageName(bad)) << bad.toStdString();
}

} // namespace
