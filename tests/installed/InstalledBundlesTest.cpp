#include "installed/InstalledBundles.h"

#include "BundleFixtures.h"
#include "installed/BundleRoot.h"
#include "support/TestEnvironment.h"

#include <QFile>
#include <gtest/gtest.h>

#define VST3 "/Library/Audio/Plug-Ins/VST3/"

namespace {

const QString vst3 = QStringLiteral(VST3 "Alpha.vst3");
const QString au = QStringLiteral("/Library/Audio/Plug-Ins/Components/Alpha.component");

} // namespace

// Each row is one rule: a receipt path and its bundle root (null: none).
TEST(PluginBundleRoot, ReducesReceiptPathsToTheirBundle)
{
    const std::pair<const char*, const char*> cases[] = {
        {"Library/Audio/Plug-Ins/VST3/Alpha.vst3/Contents/MacOS/Alpha", VST3 "Alpha.vst3"},
        {VST3 "Alpha.vst3/", VST3 "Alpha.vst3"},
        // The order of the extensions decides, not their place in the path.
        {VST3 "Alpha.vst3/Contents/Beta.component/Info.plist", VST3 "Alpha.vst3/Contents/Beta.component"},
        {VST3 "Alpha.aaxplugin/Contents/Beta.vst3", VST3 "Alpha.aaxplugin/Contents/Beta.vst3"},
        // An extension counts only where it ends a name, after at least one character.
        {VST3 "Alpha.vst3.bak/x", nullptr},
        {VST3 "..vst3", VST3 "..vst3"},
        // Only strictly inside a plugin folder spelt exactly.
        {VST3, nullptr},
        {"/Library/Audio/Plug-Ins/VST3-Other/Alpha.vst3", nullptr},
        {"/library/audio/plug-ins/vst3/Alpha.vst3", nullptr},
        {"/Users/ann" VST3 "Alpha.vst3", nullptr},
        // Ambiguous paths never give a root.
        {VST3 "../Alpha.vst3", nullptr},
        {VST3 "Alpha.vst3/.", nullptr},
        {VST3 "Alpha.vst3//Contents", nullptr},
    };
    for (const auto& [path, root] : cases)
        EXPECT_EQ(pluginBundleRoot(QString::fromUtf8(path)),
                  root ? std::optional(QString::fromUtf8(root)) : std::nullopt)
            << path;
    EXPECT_EQ(pluginBundleRoot(QStringLiteral(VST3 "Alpha") + QChar(u'\0') + QStringLiteral(".vst3")),
              std::nullopt);
}

// Every extension in every folder, in any case; a bare extension is no bundle.
TEST(PluginBundleRoot, FindsEveryExtensionInEveryFolder)
{
    for (const QLatin1String folder : pluginFolders) {
        for (const QLatin1String extension : bundleExtensions) {
            const QString bundle = folder + QStringLiteral("Alpha") + QString(extension).toUpper();
            EXPECT_EQ(pluginBundleRoot(bundle.mid(1) + QStringLiteral("/Contents/Info.plist")), bundle);
            EXPECT_EQ(pluginBundleRoot(folder + extension), std::nullopt)
                << folder.data() << extension.data();
        }
    }
}

TEST(InstalledBundles, ReadsStringVersionsInsideTheSystemRootAndFollowsLinks)
{
    TestWorld world;
    const QString mac = world.systemRoot();
    const SystemRoot root(mac);
    EXPECT_FALSE(inspectInstalledBundles(root, {}).installed);
    EXPECT_FALSE(inspectInstalledBundles(root, {vst3, au}).installed);
    // Every existing root is installed; only a string (an empty one too) in an
    // Info.plist that reads gives a version. Info.plist forms: see InfoDictionary.
    const QString key = QStringLiteral("<key>CFBundleShortVersionString</key>");
    const QByteArray infoPlists[] = {xmlPlistWithVersion(QStringLiteral("1.2")),
                                     binaryPlistWithVersion(QStringLiteral("1.3")),
                                     xmlPlist(key + QStringLiteral("<string></string>")),
                                     QByteArray(), // none
                                     xmlPlist(key + QStringLiteral("<integer>2</integer>")),
                                     QByteArrayLiteral("CFBundleShortVersionString = 1.0")};
    QStringList roots;
    for (const QByteArray& infoPlist : infoPlists) {
        roots << QStringLiteral(VST3 "%1.vst3").arg(roots.size());
        ASSERT_TRUE(makeBundle(mac, roots.last(), infoPlist));
        EXPECT_TRUE(inspectInstalledBundles(root, {roots.last()}).installed) << roots.size();
    }
    EXPECT_EQ(inspectInstalledBundles(root, roots).versions,
              (QStringList{QStringLiteral("1.2"), QStringLiteral("1.3"), QString()}));
    // A plain file where the bundle belongs is installed but opens as nothing.
    ASSERT_TRUE(writeFile(mac, au, xmlPlistWithVersion(QStringLiteral("1.0"))));
    EXPECT_EQ(inspectInstalledBundles(root, {au}).versions, QStringList());
    EXPECT_TRUE(inspectInstalledBundles(root, {au}).installed);
    // A dangling link is not installed; a link to a bundle is followed.
    ASSERT_TRUE(QFile::link(mac + QStringLiteral("/Shared/Alpha.vst3"), mac + vst3));
    EXPECT_FALSE(inspectInstalledBundles(root, {vst3}).installed);
    ASSERT_TRUE(
        makeBundle(mac, QStringLiteral("/Shared/Alpha.vst3"), binaryPlistWithVersion(QStringLiteral("3.1"))));
    EXPECT_EQ(inspectInstalledBundles(root, {vst3}).versions, QStringList{QStringLiteral("3.1")});
    // The same bundles seen from another root do not count.
    TestWorld elsewhere;
    EXPECT_FALSE(inspectInstalledBundles(SystemRoot(elsewhere.systemRoot()), {au, vst3}).installed);
}

// The distinct roots, sorted; paths that name no plugin bundle are dropped.
TEST(InstalledBundles, BundleRootsAreDistinctAndSorted)
{
    EXPECT_TRUE(bundleRoots(std::nullopt).isEmpty());
    const QStringList paths{vst3 + QStringLiteral("/Contents/Info.plist"), vst3,
                            QStringLiteral("Applications/Alpha.app/Contents/Info.plist"), au};
    EXPECT_EQ(bundleRoots(paths), (QStringList{au, vst3}));
}
