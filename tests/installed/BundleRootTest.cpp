#include "installed/BundleRoot.h"

#include <QString>
#include <gtest/gtest.h>
#include <optional>

namespace {

QString s(const char* text)
{
    return QString::fromUtf8(text);
}

const QString vst3 = s("/Library/Audio/Plug-Ins/VST3/");
const QString components = s("/Library/Audio/Plug-Ins/Components/");
const QString avid = s("/Library/Application Support/Avid/Audio/Plug-Ins/");
const std::optional<QString> none;

void expectRoot(const QString& path, const std::optional<QString>& expected)
{
    const std::optional<QString> root = pluginBundleRoot(path);
    ASSERT_EQ(root, expected) << "path: " << path.toStdString()
                              << "  got: " << root.value_or(s("<none>")).toStdString();
    if (!root)
        return;
    // Whatever the input, a root is strictly inside a plugin folder and ends
    // where a component of the absolute input ends.
    const QString absolute = path.startsWith(QLatin1Char('/')) ? path : QLatin1Char('/') + path;
    EXPECT_TRUE(absolute.startsWith(*root) &&
                (absolute.size() == root->size() || absolute.at(root->size()) == QLatin1Char('/')));
    EXPECT_TRUE(std::any_of(pluginFolders.begin(), pluginFolders.end(), [&](QLatin1String folder) {
        return root->startsWith(folder) && root->size() > folder.size();
    }));
}

} // namespace

TEST(PluginBundleRoot, ReducesReceiptPathsToTheirBundle)
{
    const struct
    {
        QString path;
        std::optional<QString> root;
    } cases[] = {
        {s("Library/Audio/Plug-Ins/VST3/Alpha.vst3/Contents/MacOS/Alpha"), vst3 + s("Alpha.vst3")},
        {s("/Library/Audio/Plug-Ins/Components/Alpha.COMPONENT"), components + s("Alpha.COMPONENT")},
        {s("Library/Audio/Plug-Ins/VST3/Alpha.vst3/"), vst3 + s("Alpha.vst3")},
        {s("Library/Audio/Plug-Ins/VST3/Brenvoss/Alpha.vst3/Contents"), vst3 + s("Brenvoss/Alpha.vst3")},
        // The order of the extensions decides, not their place in the path.
        {s("Library/Audio/Plug-Ins/VST3/Alpha.vst3/Contents/Beta.component/Info.plist"),
         vst3 + s("Alpha.vst3/Contents/Beta.component")},
        {avid.mid(1) + s("Alpha.aaxplugin/Contents/Beta.vst3"),
         avid + s("Alpha.aaxplugin/Contents/Beta.vst3")},
        // An extension counts only where it ends a component.
        {s("/Library/Audio/Plug-Ins/VST3/My.componentizer.vst3/Contents/x"),
         vst3 + s("My.componentizer.vst3")},
        {s("/Library/Audio/Plug-Ins/VST3/Alpha.vst3.bak/x"), none},
        {s("/Library/Audio/Plug-Ins/VST3/Alpha.vst3x/Beta.aaxplugin/c"),
         vst3 + s("Alpha.vst3x/Beta.aaxplugin")},
        // Outside the folders, or the folder itself.
        {s("/Library/Audio/Plug-Ins/VST3"), none},
        {s("Library/Audio/Plug-Ins/Components"), none},
        {s("/Library/Application Support/Avid/Audio/Plug-Ins"), none},
        {s("/Library/Audio/Plug-Ins/VST3/"), none},
        {s("/Library/Audio/Plug-Ins/VST3/.vst3/Contents"), none},
        {s("/Library/Audio/Plug-Ins/Components/.COMPONENT"), none},
        {s("/Applications/Alpha.vst3"), none},
        {s("/library/audio/plug-ins/vst3/Alpha.vst3"), none},
        {s("/Users/ann/Library/Audio/Plug-Ins/VST3/Alpha.vst3"), none},
        {s(""), none},
        {s("/Library/Audio/Plug-Ins/VST3/Alpha/readme.txt"), none},
        // Ambiguous paths never give a root.
        {s("/Library/Audio/Plug-Ins/VST3/../Alpha.vst3"), none},
        {s("/Library/Audio/Plug-Ins/VST3/Alpha.vst3/../../../.."), none},
        {s("/Library/Audio/Plug-Ins/VST3/./Alpha.vst3"), none},
        {s("/Library/Audio/Plug-Ins/VST3/Alpha.vst3/."), none},
        {s("/Library/Audio/Plug-Ins/VST3//Alpha.vst3"), none},
        {s("/Library/Audio/Plug-Ins/VST3/Alpha.vst3//Contents"), none},
        {s("//Library/Audio/Plug-Ins/VST3/Alpha.vst3"), none},
        {vst3 + s("Alpha.vst3") + QChar(u'\0') + s("/x"), none},
        // A name that merely starts with dots is an ordinary name.
        {s("/Library/Audio/Plug-Ins/VST3/..vst3"), vst3 + s("..vst3")},
    };
    for (const auto& c : cases)
        expectRoot(c.path, c.root);
}

TEST(PluginBundleRoot, FindsEveryExtensionInEveryFolder)
{
    for (const QLatin1String folder : pluginFolders) {
        for (const QLatin1String extension : bundleExtensions) {
            const QString bundle = folder + QStringLiteral("Alpha") + extension;
            const QString upper = folder + QStringLiteral("Alpha") + QString(extension).toUpper();
            expectRoot(bundle, bundle);
            expectRoot(bundle.mid(1) + QStringLiteral("/Contents/Info.plist"), bundle);
            expectRoot(upper + QStringLiteral("/Contents/MacOS/Alpha"), upper);
            expectRoot(QString(folder).chopped(1) + extension, none);
        }
    }
}
