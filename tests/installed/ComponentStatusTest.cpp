#include "installed/ComponentStatus.h"

#include "installed/VersionCompare.h"

#include <gtest/gtest.h>

// Versions decide when both sides have one; otherwise the record's digest for
// the slug does, ignoring case. Bundles: null when none exists, else the
// versions they report, separated by blanks.
TEST(ComponentStatus, FollowsVersionsThenTheRecord)
{
    using enum ComponentStatusKind;
    const QString alpha = QStringLiteral("alpha");
    const QString digest = QStringLiteral("9f86d081884c7d65");
    const InstalledRecords recorded{{alpha, digest}};
    const std::tuple<const char*, const char*, const char*, InstalledRecords, const char16_t*,
                     ComponentStatusKind>
        cases[] = {
            {"absent", nullptr, nullptr, recorded, u"Not installed", notInstalled},
            {"absent, offered", "1.1.0", nullptr, recorded, u"v1.1.0  •  Not installed", notInstalled},
            {"one is older", "1.1.0", "1.1.0 1.0.0", recorded, u"v1.0.0 → v1.1.0  •  ↑ Update", update},
            {"same version", "1.9", "1.9", {}, u"v1.9  •  ✓ Up to date", upToDate},
            {"upper-case record", "1.1.0", "", {{alpha, digest.toUpper()}}, u"✓ Up to date", upToDate},
            {"no catalogue version", nullptr, "1.0", recorded, u"✓ Up to date", upToDate},
            {"another digest", nullptr, "", {{alpha, digest.chopped(1) + u'0'}}, u"Installed", installed},
        };
    for (const auto& [what, offered, versions, records, text, kind] : cases) {
        PluginComponent component;
        component.slug = alpha;
        component.sha256 = digest;
        if (offered)
            component.pluginVersion = QString::fromUtf8(offered);
        const InstalledBundles bundles{versions != nullptr,
                                       QString::fromUtf8(versions).split(u' ', Qt::SkipEmptyParts)};
        const ComponentStatus status = componentStatus(component, bundles, records);
        EXPECT_EQ(status.text, QString::fromUtf16(text)) << what;
        EXPECT_EQ(status.kind, kind) << what;
    }
}

// Each pair is in order, first < second, either way round.
TEST(NumericCompare, OrdersEachPairAndIsAntisymmetric)
{
    const std::pair<const char16_t*, const char16_t*> ordered[] = {
        // Digit runs by value, of any length; a prefix first; other characters by
        // code point, case significant; leading zeros only when nothing else differs.
        {u"1.9", u"1.10"},     {u"99999999999999999999", u"100000000000000000000"},
        {u"1.2", u"1.2.0"},    {u"1.0B", u"1.0a"},
        {u"1.02.5", u"1.2.6"}, {u"1.\uFFFD", u"1.\U0001F600"},
        {u"1", u"v2"},
    };
    for (const auto& [first, second] : ordered) {
        const QString a = QString::fromUtf16(first), b = QString::fromUtf16(second);
        EXPECT_TRUE(numericCompare(a, b) < 0 && numericCompare(b, a) > 0 && numericCompare(a, a) == 0)
            << qPrintable(a) << " < " << qPrintable(b);
    }
}
