#include "catalogue/ManifestLocation.h"

#include <gtest/gtest.h>

namespace {

InfoDictionary infoWithBase(const QVariant& base)
{
    InfoDictionary info;
    if (base.isValid())
        info.insert(QStringLiteral("BrenvossManifestBaseURL"), base);
    return info;
}

struct LocationCase
{
    const char* base;
    const char* edition;
    const char* expected; // nullptr: no catalogue address
};

class CatalogueLocation : public ::testing::TestWithParam<LocationCase>
{
};

TEST_P(CatalogueLocation, AppendsTheEditionDocument)
{
    const LocationCase& c = GetParam();
    const std::optional<QUrl> url =
        catalogueURL(infoWithBase(QString::fromUtf8(c.base)), QString::fromUtf8(c.edition));
    if (!c.expected) {
        EXPECT_FALSE(url.has_value()) << url->toString().toStdString();
        return;
    }
    ASSERT_TRUE(url.has_value());
    EXPECT_EQ(url->toString(QUrl::FullyEncoded).toStdString(), std::string(c.expected));
}

INSTANTIATE_TEST_SUITE_P(
    Catalogue, CatalogueLocation,
    ::testing::Values(
        LocationCase{"https://h.test/catalogue", "DSP", "https://h.test/catalogue/DSP.json"},
        LocationCase{"https://h.test/catalogue/", "DSP", "https://h.test/catalogue/DSP.json"},
        LocationCase{"https://h.test/catalogue", "Native", "https://h.test/catalogue/Native.json"},
        LocationCase{"https://h.test/catalogue", "dsp", "https://h.test/catalogue/dsp.json"},
        LocationCase{"https://h.test", "Native", "https://h.test/Native.json"},
        LocationCase{"http://127.0.0.1:8080/a/b", "Native", "http://127.0.0.1:8080/a/b/Native.json"},
        // An edition is one path component, never a way to another folder or a query.
        LocationCase{"https://h.test/c", "../x?y", "https://h.test/c/..%2Fx%3Fy.json"},
        LocationCase{"", "Native", nullptr}, LocationCase{"not a url", "Native", nullptr},
        LocationCase{"catalogue/relative", "Native", nullptr}));

TEST(CatalogueLocationKey, MissingOrNotAStringHasNoAddress)
{
    EXPECT_FALSE(catalogueURL(infoWithBase({}), QStringLiteral("Native")).has_value());
    EXPECT_FALSE(catalogueURL(infoWithBase(42), QStringLiteral("Native")).has_value());
    EXPECT_FALSE(catalogueURL(infoWithBase(QVariantList{}), QStringLiteral("Native")).has_value());
}

} // namespace
