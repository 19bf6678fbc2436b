// The real executable, in a real bundle layout with a real Info.plist.
#include "support/TestEnvironment.h"
#include "vendorserver/VendorServer.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

// Copies the built executable into <dir>/Brenvoss Installer.app with
// `entries` as its Info.plist and starts it with `dir` as its home.
void launchBundle(QProcess& process, const QTemporaryDir& dir, const QByteArray& entries,
                  const QString& downloads)
{
    const QString contents = dir.filePath(QStringLiteral("Brenvoss Installer.app/Contents"));
    QDir().mkpath(contents + QStringLiteral("/MacOS"));
    const QString executable = contents + QStringLiteral("/MacOS/brenvoss-installer");
    QFile::remove(executable);
    QFile::copy(QStringLiteral(BRENVOSS_INSTALLER_EXECUTABLE), executable);
    QFile info(contents + QStringLiteral("/Info.plist"));
    info.open(QIODevice::WriteOnly);
    info.write(R"(<?xml version="1.0" encoding="UTF-8"?><plist version="1.0"><dict>)" + entries +
               "</dict></plist>");
    info.close();
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    env.insert(QStringLiteral("HOME"), dir.path());
    env.insert(QStringLiteral("BRENVOSS_DOWNLOAD_SERVER"), downloads);
    process.setProcessEnvironment(env);
    process.start(executable, {});
}

TEST(Executable, WithoutAUsableManifestBaseStopsWithTheMessage)
{
    for (const QByteArray& entries : {QByteArray("<key>BrenvossEdition</key><string>Native</string>"),
                                      QByteArray("<key>BrenvossManifestBaseURL</key><integer>1</integer>"),
                                      QByteArray("<key>BrenvossManifestBaseURL</key><string>a b</string>")}) {
        QTemporaryDir dir;
        QProcess process;
        launchBundle(process, dir, entries, QStringLiteral("http://127.0.0.1:9"));
        ASSERT_TRUE(process.waitForFinished(30000));
        EXPECT_EQ(process.exitStatus(), QProcess::NormalExit);
        EXPECT_NE(process.exitCode(), 0);
        EXPECT_TRUE(process.readAllStandardError().contains("Missing manifest base URL\n"))
            << entries.constData();
    }
}

// A download server that would lose a part, or is no server address at all,
// stops the start-up with a message instead of falling back unseen.
TEST(Executable, UnusableDownloadServerStopsTheStartUp)
{
    for (const char* value : {"127.0.0.1:9", "ftp://127.0.0.1", "http://", "http://127.0.0.1:9/mirror",
                              "http://127.0.0.1:9/?q", "http://user@127.0.0.1:9"}) {
        SCOPED_TRACE(value);
        QTemporaryDir dir;
        QProcess process;
        launchBundle(process, dir, "<key>BrenvossManifestBaseURL</key><string>http://127.0.0.1:9/</string>",
                     QString::fromLatin1(value));
        ASSERT_TRUE(process.waitForFinished(30000));
        EXPECT_EQ(process.exitStatus(), QProcess::NormalExit);
        EXPECT_NE(process.exitCode(), 0);
        EXPECT_TRUE(
            process.readAllStandardError().contains("BRENVOSS_DOWNLOAD_SERVER: '" + QByteArray(value) + "'"));
    }
}

TEST(Executable, RequestsTheEditionCatalogueFromItsBundleAddress)
{
    QTemporaryDir dir;
    VendorServer server(dir.path().toStdString());
    ASSERT_TRUE(server.start());
    const QByteArray base = QByteArray::fromStdString(server.baseUrl()) + "/vendor/catalogue/";
    QProcess process;
    launchBundle(process, dir,
                 "<key>BrenvossEdition</key><string>DSP</string><key>BrenvossManifestBaseURL</key><string>" +
                     base + "</string>",
                 QString::fromStdString(server.baseUrl()));
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
