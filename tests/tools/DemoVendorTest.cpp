#include "simmac/DemoVendor.h"

#include "ToolsTestSupport.h"
#include "catalogue/Manifest.h"
#include "platform/InfoDictionary.h"
#include "simmac/Digest.h"
#include "simmac/PackageFormat.h"
#include "simmac/SimulatedMac.h"
#include "support/TestEnvironment.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QNetworkAccessManager>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <set>

namespace fs = std::filesystem;

namespace {

class DemoVendor : public ::testing::Test
{
protected:
    QTemporaryDir temporary;
    fs::path base = fs::path(temporary.path().toStdString());
    std::string baseUrl = "http://127.0.0.1:8765";
};

TEST_F(DemoVendor, CataloguesDecodeAndDescribeTheirPackagesExactly)
{
    generateDemoTree(base / "vendor", baseUrl);
    for (const std::string edition : {"Native", "DSP"}) {
        const std::string json =
            readFileBytes(base / "vendor/downloads/tesselar/manifests" / (edition + ".json"));
        const Result<Manifest> manifest = decodeManifest(QByteArray::fromStdString(json));
        ASSERT_TRUE(manifest) << manifest.error().description.toStdString();
        EXPECT_EQ(manifest->edition.toStdString(), edition);
        EXPECT_EQ(manifest->components.size(), qsizetype(demoPlugins(edition).size()));

        for (const PluginComponent& component : manifest->components) {
            const std::string url = component.url.toString().toStdString();
            ASSERT_EQ(url.rfind(baseUrl + "/downloads/tesselar/packages/", 0), 0u) << url;
            const std::string bytes = readFileBytes(base / "vendor" / url.substr(baseUrl.size() + 1));
            EXPECT_EQ(component.sha256.toStdString(), sha256Hex(bytes));
            EXPECT_EQ(component.sizeBytes, qint64(bytes.size()));

            const auto package = readPackage(bytes).package;
            ASSERT_TRUE(package) << url;
            EXPECT_EQ(package->identifier, component.packageId.toStdString());
            EXPECT_EQ(component.packageId.toStdString(),
                      demoPackageId(edition, component.slug.toStdString()));
            std::set<std::string> payload;
            for (const auto& entry : package->payload)
                payload.insert(entry.path);
            ASSERT_TRUE(component.installPaths.has_value());
            EXPECT_EQ(component.installPaths->size(), component.formats.size());
            for (const QString& path : *component.installPaths)
                EXPECT_TRUE(payload.count(path.toStdString())) << path.toStdString();
        }
    }
    const auto release =
        QJsonDocument::fromJson(QByteArray::fromStdString(
                                    readFileBytes(base / "vendor/downloads/tesselar/installer-latest.json")))
            .object();
    EXPECT_EQ(release.value(QStringLiteral("version")).toString(), QStringLiteral("1.5.0"));
    EXPECT_EQ(release.value(QStringLiteral("dspURL")).toString().toStdString(),
              baseUrl + "/downloads/tesselar/Brenvoss-Installer-DSP-1.5.0.dmg");
    EXPECT_TRUE(fs::exists(base / "vendor/downloads/tesselar/Brenvoss-Installer-Native-1.5.0.dmg"));
}

TEST_F(DemoVendor, DemoMacHoldsEveryKindOfInstalledState)
{
    generateDemoTree(base / "vendor", baseUrl);
    const fs::path root = base / "mac", home = base / "home";
    layoutSimulatedMac(root, BRENVOSS_SIMMAC_TOOL);
    installDemoPlugins(root, base / "vendor", home);

    const auto version = [&](const std::string& name,
                             const std::string& format) -> std::optional<std::string> {
        const auto info = readInfoDictionary(
            QString::fromStdString((root / demoBundlePath(name, format) / "Contents/Info.plist").string()));
        if (!info)
            return std::string("<unreadable>");
        const auto value = infoString(*info, QStringLiteral("CFBundleShortVersionString"));
        return value ? std::optional(value->toStdString()) : std::nullopt;
    };
    EXPECT_FALSE(fs::exists(root / demoBundlePath("Prism EQ", "VST3")));
    EXPECT_EQ(version("Tesselar Verb", "VST3"), "2.2.0");  // update
    EXPECT_EQ(version("Ferric Saturator", "AU"), "1.0.0"); // update from the lowest
    EXPECT_EQ(version("Ferric Saturator", "VST3"), "1.1.0");
    EXPECT_EQ(version("Grain Delay", "AU"), "1.4.0");                      // up to date
    EXPECT_EQ(version("Quartz Limiter", "AAX"), "1.10");                   // up to date by number
    EXPECT_EQ(version("Drift Tape", "VST3"), std::nullopt);                // up to date by record
    EXPECT_TRUE(fs::exists(root / demoBundlePath("Monolith Comp", "AU"))); // "Installed"
    EXPECT_TRUE(receiptExists(root, "audio.brenvoss.tesselar.native.tesselar-verb"));

    const auto record =
        QJsonDocument::fromJson(QByteArray::fromStdString(readFileBytes(installedRecordPath(home)))).object();
    EXPECT_EQ(record.keys(), (QStringList{QStringLiteral("drift-tape"), QStringLiteral("halo-chorus")}));
    const auto native = decodeManifest(
        QByteArray::fromStdString(readFileBytes(base / "vendor/downloads/tesselar/manifests/Native.json")));
    ASSERT_TRUE(native);
    for (const auto& component : native->components) {
        if (record.contains(component.slug)) {
            EXPECT_EQ(record.value(component.slug).toString().compare(component.sha256, Qt::CaseInsensitive),
                      0);
        }
    }
}

TEST_F(DemoVendor, ServerProgramGeneratesTheTreeForItsOwnAddress)
{
    QProcess server;
    server.start(QStringLiteral(BRENVOSS_VENDOR_SERVER),
                 {QStringLiteral("--demo"), QString::fromStdString((base / "vendor").string()),
                  QStringLiteral("--port"), QStringLiteral("0")});
    ASSERT_TRUE(waitFor([&] { return server.canReadLine() || server.state() == QProcess::NotRunning; }));
    const QString line = QString::fromUtf8(server.readLine()).trimmed();
    ASSERT_TRUE(line.startsWith(QStringLiteral("listening on http://127.0.0.1:"))) << line.toStdString();
    const QString url = line.mid(QStringLiteral("listening on ").size());

    QNetworkAccessManager manager;
    const Fetched catalogue =
        fetch(manager, url + QStringLiteral("/downloads/tesselar/manifests/Native.json"));
    EXPECT_EQ(catalogue.status, 200);
    const auto manifest = decodeManifest(catalogue.body);
    ASSERT_TRUE(manifest);
    const Fetched pkg = fetch(manager, manifest->components.front().url.toString());
    EXPECT_EQ(sha256Hex(pkg.body.toStdString()), manifest->components.front().sha256.toStdString());

    server.terminate();
    EXPECT_TRUE(server.waitForFinished(5000));
    EXPECT_EQ(server.exitCode(), 0);
}

TEST_F(DemoVendor, LayoutKeepsTheMacBetweenRunsAndWipesOnlyItsOwn)
{
    generateDemoTree(base / "vendor", baseUrl);
    const QString root = QString::fromStdString((base / "mac").string());
    const QString vendor = QString::fromStdString((base / "vendor").string());
    const QString cli = QStringLiteral(BRENVOSS_SIMMAC_CLI);
    ASSERT_EQ(
        runTool(cli, {QStringLiteral("layout"), root, QStringLiteral("--vendor-tree"), vendor}).exitCode, 0);
    const fs::path prism = base / "mac" / demoBundlePath("Prism EQ", "AU");
    installBundle(base / "mac", "/" + demoBundlePath("Prism EQ", "AU"), "3.0.2");

    ASSERT_EQ(
        runTool(cli, {QStringLiteral("layout"), root, QStringLiteral("--vendor-tree"), vendor}).exitCode, 0);
    EXPECT_TRUE(fs::exists(prism)); // kept
    EXPECT_TRUE(fs::exists(base / "mac/usr/sbin/installer"));

    ASSERT_EQ(runTool(cli, {QStringLiteral("layout"), root, QStringLiteral("--fresh"),
                            QStringLiteral("--vendor-tree"), vendor})
                  .exitCode,
              0);
    EXPECT_FALSE(fs::exists(prism));
    EXPECT_TRUE(fs::exists(
        base / "mac/Users/demo/Library/Application Support/Brenvoss/Installer/installed-components.json"));

    writeFileBytes(base / "precious/file", "keep");
    EXPECT_EQ(runTool(cli, {QStringLiteral("layout"), QString::fromStdString((base / "precious").string()),
                            QStringLiteral("--fresh")})
                  .exitCode,
              1);
    EXPECT_EQ(readFileBytes(base / "precious/file"), "keep");
}

} // namespace
