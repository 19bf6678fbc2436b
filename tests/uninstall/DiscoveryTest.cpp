#include "uninstall/Discovery.h"

#include <QHash>
#include <gtest/gtest.h>

namespace {

PluginComponent component(const QString& slug, const QString& packageId,
                          std::optional<QStringList> installPaths)
{
    PluginComponent c;
    c.slug = slug;
    c.name = slug;
    c.packageId = packageId;
    c.installPaths = std::move(installPaths);
    return c;
}

TEST(Discovery, FindsBundlesFromInstallPathsAndReceipts)
{
    const QString id = QStringLiteral("com.v.alpha"),
                  vst3 = QStringLiteral("Library/Audio/Plug-Ins/VST3/Alpha.vst3"),
                  au = QStringLiteral("Library/Audio/Plug-Ins/Components/Alpha.component"),
                  prefixed = QStringLiteral("audio.brenvoss.tesselar.native.alpha");
    const PluginComponent receiptOnly = component(QStringLiteral("alpha"), id, std::nullopt);
    struct Case
    {
        const char* name;
        QList<PluginComponent> components;
        QHash<QString, QStringList> receipts; // what pkgutil knows
        QSet<QString> roots;
        QStringList foundReceipts;
    };
    const Case cases[] = {
        {"receipt only",
         {receiptOnly},
         {{id, {vst3, vst3 + QStringLiteral("/Contents/Info.plist")}}},
         {u'/' + vst3},
         {id}},
        {"install paths only, whether or not on disk",
         {component(QStringLiteral("alpha"), id, QStringList{au})},
         {},
         {u'/' + au},
         {}},
        {"both name the same bundle",
         {component(QStringLiteral("alpha"), id, QStringList{u'/' + vst3})},
         {{prefixed, {vst3 + QStringLiteral("/Contents/MacOS/Alpha")}}},
         {u'/' + vst3},
         {prefixed}},
        {"shared package id queried once",
         {receiptOnly, component(QStringLiteral("beta"), id, std::nullopt)},
         {{id, {vst3}}},
         {u'/' + vst3},
         {id}},
        {"receipt outside the plugin folders adds no bundle",
         {receiptOnly},
         {{id, {QStringLiteral("Applications/Alpha.app"), QStringLiteral("Library/Audio/Plug-Ins/VST3")}}},
         {},
         {id}},
        {"unsafe receipt paths ignored",
         {receiptOnly},
         {{id,
           {QStringLiteral("Library/Audio/Plug-Ins/VST3/../../../Alpha.vst3"),
            QStringLiteral("Library/Audio/Plug-Ins/VST3/./x.vst3"), vst3 + QStringLiteral(".bak/x")}}},
         {},
         {id}},
    };
    for (const Case& c : cases) {
        QStringList asked;
        const InstalledFiles found =
            discoverInstalledFiles(c.components, [&](const QString& receipt) -> std::optional<QStringList> {
                asked.append(receipt);
                return c.receipts.contains(receipt) ? std::optional(c.receipts.value(receipt)) : std::nullopt;
            });
        EXPECT_EQ(found.roots, c.roots) << c.name;
        EXPECT_EQ(found.receipts, c.foundReceipts) << c.name;
        // Every candidate once, in ascending order.
        QStringList sorted = asked;
        sorted.sort();
        sorted.removeDuplicates();
        EXPECT_EQ(asked, sorted) << c.name;
    }
}

} // namespace
