#include "catalogue/ManifestLocation.h"

#include <gtest/gtest.h>

namespace {

TEST(CatalogueLocation, AppendsTheEditionDocumentToAnAbsoluteBase)
{
    const std::tuple<QVariant, const char*, const char*> cases[] = {
        // base, edition, address (nullptr: none)
        {QStringLiteral("https://h.test/catalogue"), "Native", "https://h.test/catalogue/Native.json"},
        {QStringLiteral("https://h.test/catalogue/"), "DSP", "https://h.test/catalogue/DSP.json"},
        // An edition is one path component, never a way to another folder or a query.
        {QStringLiteral("https://h.test/c"), "../x?y", "https://h.test/c/..%2Fx%3Fy.json"},
        {QVariant(), "Native", nullptr},
        {QStringLiteral("https://h.test/a b"), "Native", nullptr},
        {QStringLiteral("catalogue/relative"), "Native", nullptr},
        {QStringLiteral("//h.test/c"), "Native", nullptr}, // a host, no scheme
        {QStringLiteral("file:///c"), "Native", nullptr},  // a scheme, no host
    };
    for (const auto& [base, edition, expected] : cases) {
        InfoDictionary info;
        if (base.isValid())
            info.insert(QStringLiteral("BrenvossManifestBaseURL"), base);
        const std::optional<QUrl> url = catalogueURL(info, QString::fromUtf8(edition));
        EXPECT_EQ(url ? url->toString(QUrl::FullyEncoded) : QString(), QString::fromUtf8(expected))
            << base.toString().toStdString();
    }
}

} // namespace
