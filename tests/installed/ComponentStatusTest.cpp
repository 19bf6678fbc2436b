#include "installed/ComponentStatus.h"

#include <gtest/gtest.h>

TEST(ComponentStatus, FollowsVersionsThenTheRecord)
{
    using Kind = ComponentStatusKind;
    const QString digest = QStringLiteral("9f86d081884c7d659a2feaa0c55ad015a3bf4f1b2b0b822cd15d6c15b0f00a08");
    const auto record = [](const char* slug, const QString& text) {
        return InstalledRecords{{QString::fromUtf8(slug), text}};
    };
    const auto v = [](const char* text) { return QString::fromUtf8(text); };
    const InstalledBundles absent{};
    const InstalledBundles versionless{true, {}};

    const struct
    {
        const char* what;
        std::optional<QString> pluginVersion;
        InstalledBundles bundles;
        InstalledRecords records;
        const char16_t* text;
        Kind kind;
    } cases[] = {
        {"absent", std::nullopt, absent, {}, u"Not installed", Kind::notInstalled},
        {"absent though recorded", v("1.1.0"), absent, record("alpha", digest),
         u"v1.1.0  \u2022  Not installed", Kind::notInstalled},
        {"one format behind",
         v("1.1.0"),
         {true, {v("1.1.0"), v("1.0.0")}},
         record("alpha", digest),
         u"v1.0.0 \u2192 v1.1.0  \u2022  \u2191 Update",
         Kind::update},
        {"1.2 against 1.2.0",
         v("1.2.0"),
         {true, {v("1.2")}},
         {},
         u"v1.2 \u2192 v1.2.0  \u2022  \u2191 Update",
         Kind::update},
        {"1.10 against 1.9",
         v("1.9"),
         {true, {v("1.10")}},
         {},
         u"v1.9  \u2022  \u2713 Up to date",
         Kind::upToDate},
        {"an empty version",
         v("1.0"),
         {true, {QString()}},
         {},
         u"v \u2192 v1.0  \u2022  \u2191 Update",
         Kind::update},
        // Without versions to compare, the record decides, ignoring case.
        {"upper-case record", v("1.1.0"), versionless, record("alpha", digest.toUpper()),
         u"\u2713 Up to date", Kind::upToDate},
        {"no catalogue version",
         std::nullopt,
         {true, {v("1.0")}},
         record("alpha", digest),
         u"\u2713 Up to date",
         Kind::upToDate},
        {"no record", std::nullopt, versionless, {}, u"Installed", Kind::installed},
        {"another digest", std::nullopt, versionless, record("alpha", QString(digest).replace(0, 1, u'0')),
         u"Installed", Kind::installed},
        {"another slug", v("1.0"), versionless, record("ALPHA", digest), u"Installed", Kind::installed},
    };
    for (const auto& c : cases) {
        PluginComponent component;
        component.slug = QStringLiteral("alpha");
        component.sha256 = digest;
        component.pluginVersion = c.pluginVersion;
        const ComponentStatus status = componentStatus(component, c.bundles, c.records);
        EXPECT_EQ(status.text, QString::fromUtf16(c.text)) << c.what;
        EXPECT_EQ(status.kind, c.kind) << c.what;
    }
}
