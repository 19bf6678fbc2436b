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

struct DiscoveryCase
{
    const char* name;
    QList<PluginComponent> components;
    QHash<QString, QStringList> receipts; // what pkgutil knows
    QSet<QString> roots;
    QStringList foundReceipts;
};

class Discovery : public ::testing::TestWithParam<DiscoveryCase>
{
};

TEST_P(Discovery, FindsBundlesFromInstallPathsAndReceipts)
{
    const DiscoveryCase& c = GetParam();
    QStringList asked;
    const InstalledFiles found =
        discoverInstalledFiles(c.components, [&](const QString& id) -> std::optional<QStringList> {
            asked.append(id);
            if (!c.receipts.contains(id))
                return std::nullopt;
            return c.receipts.value(id);
        });
    EXPECT_EQ(found.roots, c.roots);
    EXPECT_EQ(found.receipts, c.foundReceipts);
    // Every candidate once, in ascending order.
    QStringList sorted = asked;
    sorted.sort();
    sorted.removeDuplicates();
    EXPECT_EQ(asked, sorted);
}

const QString vst3 = QStringLiteral("/Library/Audio/Plug-Ins/VST3/Alpha.vst3");
const QString au = QStringLiteral("/Library/Audio/Plug-Ins/Components/Alpha.component");

INSTANTIATE_TEST_SUITE_P(
    Uninstall, Discovery,
    ::testing::Values(
        DiscoveryCase{"ReceiptOnly",
                      {component(QStringLiteral("alpha"), QStringLiteral("com.v.alpha"), std::nullopt)},
                      {{QStringLiteral("com.v.alpha"),
                        {QStringLiteral("Library/Audio/Plug-Ins/VST3/Alpha.vst3"),
                         QStringLiteral("Library/Audio/Plug-Ins/VST3/Alpha.vst3/Contents/Info.plist")}}},
                      {vst3},
                      {QStringLiteral("com.v.alpha")}},
        DiscoveryCase{
            "InstallPathsOnlyWhetherOrNotOnDisk",
            {component(QStringLiteral("alpha"), QStringLiteral("com.v.alpha"),
                       QStringList{QStringLiteral("Library/Audio/Plug-Ins/Components/Alpha.component")})},
            {},
            {au},
            {}},
        DiscoveryCase{"BothNameTheSameBundle",
                      {component(QStringLiteral("alpha"), QStringLiteral("com.v.alpha"), QStringList{vst3})},
                      {{QStringLiteral("audio.brenvoss.tesselar.native.alpha"),
                        {QStringLiteral("Library/Audio/Plug-Ins/VST3/Alpha.vst3/Contents/MacOS/Alpha")}}},
                      {vst3},
                      {QStringLiteral("audio.brenvoss.tesselar.native.alpha")}},
        DiscoveryCase{
            "SharedPackageIdQueriedOnce",
            {component(QStringLiteral("alpha"), QStringLiteral("com.v.bundle"), std::nullopt),
             component(QStringLiteral("beta"), QStringLiteral("com.v.bundle"), std::nullopt)},
            {{QStringLiteral("com.v.bundle"), {QStringLiteral("Library/Audio/Plug-Ins/VST3/Alpha.vst3")}}},
            {vst3},
            {QStringLiteral("com.v.bundle")}},
        DiscoveryCase{
            "ReceiptOutsideThePluginFoldersAddsNoBundle",
            {component(QStringLiteral("alpha"), QStringLiteral("com.v.alpha"), std::nullopt)},
            {{QStringLiteral("com.v.alpha"),
              {QStringLiteral("Applications/Alpha.app"), QStringLiteral("Library/Audio/Plug-Ins/VST3")}}},
            {},
            {QStringLiteral("com.v.alpha")}},
        DiscoveryCase{"UnsafeReceiptPathsIgnored",
                      {component(QStringLiteral("alpha"), QStringLiteral("com.v.alpha"), std::nullopt)},
                      {{QStringLiteral("com.v.alpha"),
                        {QStringLiteral("Library/Audio/Plug-Ins/VST3/../../../Alpha.vst3"),
                         QStringLiteral("Library/Audio/Plug-Ins/VST3/./x.vst3"),
                         QStringLiteral("Library/Audio/Plug-Ins/VST3/Alpha.vst3.bak/x")}}},
                      {},
                      {QStringLiteral("com.v.alpha")}}),
    [](const auto& testInfo) { return std::string(testInfo.param.name); });

} // namespace
