// The real executable, in a real bundle layout with a real Info.plist.
#include "support/TestEnvironment.h"
#include "vendorserver/VendorServer.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

// A copy of the built executable in <home>/Brenvoss Installer.app with
// `entries` as its Info.plist, started with its own home (and killed, if
// still running, with the QProcess).
struct Bundle
{
    Bundle(const QByteArray& entries, const QString& downloadServer)
    {
        const QString contents = home.filePath(QStringLiteral("Brenvoss Installer.app/Contents/"));
        QDir().mkpath(contents + QStringLiteral("MacOS"));
        QFile::copy(QStringLiteral(BRENVOSS_INSTALLER_EXECUTABLE),
                    contents + QStringLiteral("MacOS/brenvoss-installer"));
        QFile info(contents + QStringLiteral("Info.plist"));
        if (info.open(QIODevice::WriteOnly))
            info.write(R"(<?xml version="1.0"?><plist version="1.0"><dict>)" + entries + "</dict></plist>");
        info.close();
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("HOME"), home.path());
        env.insert(QStringLiteral("BRENVOSS_DOWNLOAD_SERVER"), downloadServer);
        process.setProcessEnvironment(env);
        process.start(contents + QStringLiteral("MacOS/brenvoss-installer"), {});
    }

    QTemporaryDir home;
    QProcess process;
};

TEST(Executable, StopsWithAMessageWithoutAUsableManifestBaseOrDownloadServer)
{
    const auto stopMessage = [](const QByteArray& entries, const char* downloadServer) {
        Bundle bundle(entries, QString::fromLatin1(downloadServer));
        EXPECT_TRUE(bundle.process.waitForFinished(30000));
        EXPECT_EQ(bundle.process.exitStatus(), QProcess::NormalExit);
        EXPECT_NE(bundle.process.exitCode(), 0);
        return bundle.process.readAllStandardError();
    };
    for (const char* entries : {"<key>BrenvossEdition</key><string>Native</string>",
                                "<key>BrenvossManifestBaseURL</key><integer>1</integer>",
                                "<key>BrenvossManifestBaseURL</key><string>a b</string>"})
        EXPECT_TRUE(stopMessage(entries, "http://127.0.0.1:9").contains("Missing manifest base URL\n"))
            << entries;
    // A download server that would lose a part, or is no server address at
    // all, is never replaced by the default unseen.
    for (const char* server : {"127.0.0.1:9", "ftp://127.0.0.1", "http://", "http://127.0.0.1:9/mirror",
                               "http://127.0.0.1:9/?q", "http://user@127.0.0.1:9"})
        EXPECT_TRUE(
            stopMessage("<key>BrenvossManifestBaseURL</key><string>http://127.0.0.1:9/</string>", server)
                .contains("BRENVOSS_DOWNLOAD_SERVER: '" + QByteArray(server) + "'"))
            << server;
}

TEST(Executable, RequestsTheEditionCatalogueFromItsBundleAddress)
{
    VendorServer server("");
    ASSERT_TRUE(server.start());
    const QByteArray base = QByteArray::fromStdString(server.baseUrl()) + "/vendor/catalogue/";
    Bundle bundle("<key>BrenvossEdition</key><string>DSP</string><key>BrenvossManifestBaseURL</key><string>" +
                      base + "</string>",
                  QString::fromStdString(server.baseUrl()));
    // The Cache-Control header of the last request for `path`, "none" without one.
    const auto cacheControl = [&](const std::string& path) {
        std::optional<std::string> header;
        for (const RecordedRequest& r : server.requests())
            header = r.path == path ? r.header("Cache-Control").value_or("none") : header;
        return header;
    };
    EXPECT_TRUE(
        waitFor([&] { return cacheControl("/vendor/catalogue/DSP.json") == "no-cache, no-store"; }, 30000));
    EXPECT_TRUE(waitFor([&] { return cacheControl("/downloads/tesselar/installer-latest.json").has_value(); },
                        30000));
}

} // namespace
