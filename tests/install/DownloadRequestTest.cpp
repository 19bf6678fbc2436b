#include "install/DownloadRequest.h"

#include <gtest/gtest.h>

namespace {

struct UrlCase
{
    const char* url;
    const char* sha256;
    const char* expected; // nullptr: the address is invalid
};

class DownloadAddress : public ::testing::TestWithParam<UrlCase>
{
};

TEST_P(DownloadAddress, AppendsTheDigestAfterAnyQuery)
{
    const UrlCase& c = GetParam();
    const std::optional<QUrl> url =
        packageDownloadURL(QUrl(QString::fromUtf8(c.url)), QString::fromUtf8(c.sha256));
    if (!c.expected) {
        EXPECT_FALSE(url.has_value()) << url->toString().toStdString();
        return;
    }
    ASSERT_TRUE(url.has_value());
    EXPECT_EQ(url->toString(QUrl::FullyEncoded).toStdString(), std::string(c.expected));
}

INSTANTIATE_TEST_SUITE_P(
    Install, DownloadAddress,
    ::testing::Values(
        UrlCase{"https://h.test/p/a.pkg", "ab12", "https://h.test/p/a.pkg?sha256=ab12"},
        UrlCase{"https://h.test/a.pkg?token=x&b=2", "AB", "https://h.test/a.pkg?token=x&b=2&sha256=AB"},
        UrlCase{"http://127.0.0.1:8080/a.pkg", "ab", "http://127.0.0.1:8080/a.pkg?sha256=ab"},
        // A hostile digest stays one value.
        UrlCase{"https://h.test/a.pkg", "a&admin=1#x", "https://h.test/a.pkg?sha256=a%26admin%3D1%23x"},
        UrlCase{"packages/a.pkg", "ab", nullptr}, UrlCase{"file:///etc/passwd", "ab", nullptr},
        UrlCase{"ftp://h.test/a.pkg", "ab", nullptr}, UrlCase{"javascript:alert(1)", "ab", nullptr}));

TEST(PackageName, OnlyOnePlainPathComponentNamesAFile)
{
    EXPECT_TRUE(isSafePackageName(QStringLiteral("alpha")));
    EXPECT_TRUE(isSafePackageName(QStringLiteral("grain-delay_2")));
    EXPECT_TRUE(isSafePackageName(QStringLiteral("..alpha")));
    for (const QString& bad :
         {QString(), QStringLiteral("."), QStringLiteral(".."), QStringLiteral("../x"), QStringLiteral("a/b"),
          QStringLiteral("/etc/x"), QStringLiteral("a") + QChar(0)})
        EXPECT_FALSE(isSafePackageName(bad)) << bad.toStdString();
}

} // namespace
