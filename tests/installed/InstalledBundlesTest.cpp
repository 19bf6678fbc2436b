#include "installed/InstalledBundles.h"

#include "BundleFixtures.h"
#include "support/TestEnvironment.h"

#include <QFile>
#include <gtest/gtest.h>

namespace {

const QString vst3 = QStringLiteral("/Library/Audio/Plug-Ins/VST3/Alpha.vst3");

} // namespace

TEST(InstalledBundles, RootsThatOpenAsNoBundleCountAsInstalledWithoutAVersion)
{
    const auto key = [](const char* value) {
        return xmlPlist(QStringLiteral("<key>CFBundleShortVersionString</key>") + QString::fromUtf8(value));
    };
    const struct
    {
        const char* what;
        QByteArray infoPlist; // null: no Contents/Info.plist
        QStringList versions;
    } cases[] = {
        {"xml", xmlPlistWithVersion(QStringLiteral("1.2")), {QStringLiteral("1.2")}},
        {"binary", binaryPlistWithVersion(QStringLiteral("1.3")), {QStringLiteral("1.3")}},
        {"an empty string", key("<string></string>"), {QString()}},
        {"no Info.plist", QByteArray(), {}},
        {"no version key", xmlPlist(QStringLiteral("<key>CFBundleName</key><string>a</string>")), {}},
        {"a number", key("<integer>2</integer>"), {}},
        {"a date", key("<date>2024-01-01T00:00:00Z</date>"), {}},
        {"an array root",
         QByteArrayLiteral("<plist version=\"1.0\"><array><string>1</string></array></plist>"),
         {}},
        {"not a property list", QByteArrayLiteral("CFBundleShortVersionString = 1.0"), {}},
        {"a truncated binary list", binaryPlistWithVersion(QStringLiteral("1.0")).first(20), {}},
    };
    for (const auto& c : cases) {
        TestWorld world;
        ASSERT_TRUE(makeBundle(world.systemRoot(), vst3, c.infoPlist));
        const InstalledBundles bundles = inspectInstalledBundles(SystemRoot(world.systemRoot()), {vst3});
        EXPECT_TRUE(bundles.installed) << c.what;
        EXPECT_EQ(bundles.versions, c.versions) << c.what;
    }
}

TEST(InstalledBundles, LooksInsideTheSystemRootAndFollowsLinks)
{
    TestWorld world;
    const QString mac = world.systemRoot();
    const QString au = QStringLiteral("/Library/Audio/Plug-Ins/Components/Alpha.component");
    EXPECT_FALSE(inspectInstalledBundles(SystemRoot(mac), {}).installed);
    EXPECT_FALSE(inspectInstalledBundles(SystemRoot(mac), {vst3, au}).installed);

    // A plain file where the bundle belongs is installed but opens as nothing.
    ASSERT_TRUE(writeFile(mac, au, xmlPlistWithVersion(QStringLiteral("1.0"))));
    EXPECT_TRUE(inspectInstalledBundles(SystemRoot(mac), {au}).installed);
    EXPECT_TRUE(inspectInstalledBundles(SystemRoot(mac), {au}).versions.isEmpty());

    // A dangling link is not installed; a link to a bundle is followed.
    ASSERT_TRUE(makeBundle(mac, QStringLiteral("/Library/Audio/Plug-Ins/VST3"), QByteArray()));
    ASSERT_TRUE(QFile::link(mac + QStringLiteral("/Shared/Alpha.vst3"), mac + vst3));
    EXPECT_FALSE(inspectInstalledBundles(SystemRoot(mac), {vst3}).installed);
    ASSERT_TRUE(
        makeBundle(mac, QStringLiteral("/Shared/Alpha.vst3"), binaryPlistWithVersion(QStringLiteral("3.1"))));
    EXPECT_EQ(inspectInstalledBundles(SystemRoot(mac), {vst3}).versions, QStringList{QStringLiteral("3.1")});

    // The same bundles seen from another root do not count.
    TestWorld elsewhere;
    EXPECT_FALSE(inspectInstalledBundles(SystemRoot(elsewhere.systemRoot()), {au, vst3}).installed);
}

TEST(InstalledBundles, BundleRootsAreDistinct)
{
    EXPECT_TRUE(bundleRoots(std::nullopt).isEmpty());
    const QStringList paths{
        QStringLiteral("Library/Audio/Plug-Ins/VST3/Alpha.vst3/Contents/Info.plist"),
        QStringLiteral("Library/Audio/Plug-Ins/VST3/Alpha.vst3/Contents/MacOS/Alpha"),
        QStringLiteral("/Library/Audio/Plug-Ins/VST3/Alpha.vst3"),
        QStringLiteral("Applications/Alpha.app/Contents/Info.plist"),
        QStringLiteral("Library/Audio/Plug-Ins/Components/Alpha.component"),
    };
    EXPECT_EQ(bundleRoots(paths),
              (QStringList{QStringLiteral("/Library/Audio/Plug-Ins/Components/Alpha.component"), vst3}));
}
