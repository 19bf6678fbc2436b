#include "installed/InstalledBundles.h"

#include "BundleFixtures.h"
#include "installed/BundleRoot.h"
#include "support/TestEnvironment.h"

#include <QDir>
#include <QFile>
#include <gtest/gtest.h>

#define VST3 "/Library/Audio/Plug-Ins/VST3/"

// Each row is one rule: a receipt path and its bundle root (null: none).
// Extensions count in any case.
TEST(PluginBundleRoot, ReducesReceiptPathsToTheirBundle)
{
    const std::pair<const char*, const char*> cases[] = {
        {"Library/Audio/Plug-Ins/VST3/Alpha.vst3/Contents/MacOS/Alpha", VST3 "Alpha.vst3"},
        // The order of the extensions decides, not their place in the path.
        {VST3 "Alpha.vst3/Contents/Beta.component/Info.plist", VST3 "Alpha.vst3/Contents/Beta.component"},
        // An extension counts only where it ends a name, after at least one character.
        {VST3 "Alpha.vst3.bak/x", nullptr},
        {VST3 "Alpha.vst3/", VST3 "Alpha.vst3"},
        {VST3 ".vst3", nullptr},
        {"/Library/Application Support/Avid/Audio/Plug-Ins/A.AAXPLUGIN/x",
         "/Library/Application Support/Avid/Audio/Plug-Ins/A.AAXPLUGIN"},
        // Only strictly inside a plugin folder spelt exactly.
        {VST3, nullptr},
        {"/Library/Audio/Plug-Ins/VST3-Other/Alpha.vst3", nullptr},
        {"/library/audio/plug-ins/vst3/Alpha.vst3", nullptr},
        {"/Users/ann" VST3 "Alpha.vst3", nullptr},
        // A path that could leave the folder never gives a root.
        {VST3 "../Alpha.vst3", nullptr},
        {VST3 "./Alpha.vst3", nullptr},
    };
    for (const auto& [path, root] : cases)
        EXPECT_EQ(pluginBundleRoot(QString::fromUtf8(path)),
                  root ? std::optional(QString::fromUtf8(root)) : std::nullopt)
            << path;
    EXPECT_EQ(pluginBundleRoot(QStringLiteral(VST3 "Alpha") + QChar(u'\0') + QStringLiteral(".vst3")),
              std::nullopt);
}

// Versions and Info.plist forms: see StatusRefreshTest. A dangling link is
// not installed; a link to a bundle is followed.
TEST(InstalledBundles, FollowsLinksToTheirBundle)
{
    TestWorld world;
    const QString mac = world.systemRoot();
    const SystemRoot root(mac);
    const QString vst3 = QStringLiteral(VST3 "Alpha.vst3");
    ASSERT_TRUE(QDir().mkpath(mac + QStringLiteral(VST3)));
    ASSERT_TRUE(QFile::link(mac + QStringLiteral("/Shared/Alpha.vst3"), mac + vst3));
    EXPECT_FALSE(inspectInstalledBundles(root, {vst3}).installed);
    ASSERT_TRUE(
        makeBundle(mac, QStringLiteral("/Shared/Alpha.vst3"), xmlPlistWithVersion(QStringLiteral("3.1"))));
    EXPECT_EQ(inspectInstalledBundles(root, {vst3}).versions, QStringList{QStringLiteral("3.1")});
    // A plain file where a bundle belongs is installed, with no version; no
    // install paths give no roots at all.
    ASSERT_TRUE(QFile::remove(mac + vst3) && writeFile(mac, vst3, QByteArrayLiteral("x")));
    EXPECT_TRUE(inspectInstalledBundles(root, {vst3}).installed);
    EXPECT_TRUE(inspectInstalledBundles(root, {vst3}).versions.isEmpty());
    EXPECT_TRUE(bundleRoots(std::nullopt).isEmpty());
}
