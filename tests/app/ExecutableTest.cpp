// The real executable, in a real bundle layout with a real Info.plist.
#include "support/TestEnvironment.h"
#include "vendorserver/VendorServer.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

// Copies the built executable into <dir>/Brenvoss Installer.app and writes
// `plist` as its Info.plist; returns the executable's path.
QString makeBundle(const QTemporaryDir& dir, const QByteArray& plist)
{
    const QString contents = dir.filePath(QStringLiteral("Brenvoss Installer.app/Contents"));
    QDir().mkpath(contents + QStringLiteral("/MacOS"));
    const QString executable = contents + QStringLiteral("/MacOS/brenvoss-installer");
    QFile::copy(QStringLiteral(BRENVOSS_INSTALLER_EXECUTABLE), executable);
    QFile info(contents + QStringLiteral("/Info.plist"));
    info.open(QIODevice::WriteOnly);
    info.write(plist);
    return executable;
}

QByteArray plistWith(const QByteArray& entries)
{
    return R"(<?xml version="1.0" encoding="UTF-8"?><plist version="1.0"><dict>)" + entries +
           "</dict></plist>";
}

struct MissingBaseCase
{
    const char* name;
    QByteArray entries;
};

class MissingManifestBase : public ::testing::TestWithParam<MissingBaseCase>
{
};

TEST_P(MissingManifestBase, StopsTheProcessWithTheMessage)
{
    QTemporaryDir dir;
    QProcess process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    env.insert(QStringLiteral("HOME"), dir.path());
    env.insert(QStringLiteral("BRENVOSS_DOWNLOAD_SERVER"), QStringLiteral("http://127.0.0.1:9"));
    process.setProcessEnvironment(env);
    process.start(makeBundle(dir, plistWith(GetParam().entries)), {});
    ASSERT_TRUE(process.waitForFinished(30000));
    EXPECT_EQ(process.exitStatus(), QProcess::NormalExit);
    EXPECT_NE(process.exitCode(), 0);
    EXPECT_TRUE(process.readAllStandardError().contains("Missing manifest base URL\n"));
}

INSTANTIATE_TEST_SUITE_P(
    Executable, MissingManifestBase,
    ::testing::Values(MissingBaseCase{"KeyAbsent", "<key>BrenvossEdition</key><string>Native</string>"},
                      MissingBaseCase{"NotAString", "<key>BrenvossManifestBaseURL</key><integer>1</integer>"},
                      MissingBaseCase{"NotAUrl", "<key>BrenvossManifestBaseURL</key><string>a b</string>"}),
    [](const auto& testInfo) { return std::string(testInfo.param.name); });

} // namespace

namespace {

TEST(Executable, RequestsTheEditionCatalogueFromItsBundleAddress)
{
    QTemporaryDir dir;
    VendorServer server(dir.path().toStdString());
    ASSERT_TRUE(server.start());
    const QByteArray base = QByteArray::fromStdString(server.baseUrl()) + "/vendor/catalogue/";
    const QString executable = makeBundle(
        dir,
        plistWith("<key>BrenvossEdition</key><string>DSP</string><key>BrenvossManifestBaseURL</key><string>" +
                  base + "</string>"));
    QProcess process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    env.insert(QStringLiteral("HOME"), dir.path());
    env.insert(QStringLiteral("BRENVOSS_DOWNLOAD_SERVER"), QString::fromStdString(server.baseUrl()));
    process.setProcessEnvironment(env);
    process.start(executable, {});
    ASSERT_TRUE(process.waitForStarted());
    const auto sawBoth = [&] {
        bool catalogue = false;
        bool release = false;
        for (const RecordedRequest& r : server.requests()) {
            catalogue |= r.path == "/vendor/catalogue/DSP.json" &&
                         r.header("Cache-Control") == std::optional<std::string>("no-cache, no-store");
            release |= r.path == "/downloads/tesselar/installer-latest.json";
        }
        return catalogue && release;
    };
    EXPECT_TRUE(waitFor(sawBoth, 30000));
    process.kill();
    process.waitForFinished();
}

} // namespace
