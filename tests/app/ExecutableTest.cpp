// The real executable in a real bundle with a real Info.plist; the release address from its environment.
#include "platform/Environment.h"
#include "support/TestEnvironment.h"
#include "vendorserver/VendorServer.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <algorithm>
#include <gtest/gtest.h>

namespace {

// A built executable in <home>/Brenvoss Installer.app, started with its own home.
struct Bundle
{
    Bundle(const QByteArray& entries, const QString& downloadServer,
           const char* executable = BRENVOSS_INSTALLER_EXECUTABLE)
    {
        const QString contents = home.filePath(QStringLiteral("Brenvoss Installer.app/Contents/"));
        QDir().mkpath(contents + QStringLiteral("MacOS"));
        QFile::copy(QString::fromLocal8Bit(executable),
                    contents + QStringLiteral("MacOS/brenvoss-installer"));
        QFile info(contents + QStringLiteral("Info.plist"));
        if (info.open(QIODevice::WriteOnly))
            info.write("<plist version=\"1.0\"><dict>" + entries + "</dict></plist>");
        info.close(); // before the executable reads it
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("HOME"), home.path());
        env.insert(QStringLiteral("TMPDIR"), home.path()); // start-up clears old download folders there
        env.insert(QStringLiteral("BRENVOSS_DOWNLOAD_SERVER"), downloadServer);
        env.insert(QStringLiteral("BRENVOSS_SYSTEM_ROOT"), home.path());
        process.setProcessEnvironment(env);
        process.start(contents + QStringLiteral("MacOS/brenvoss-installer"), {});
    }

    QTemporaryDir home;
    QProcess process;
};

TEST(Executable, StopsWithAMessageWithoutAUsableManifestBaseOrDownloadServer)
{
    const auto stopMessage = [](const char* base, const char* downloadServer) {
        Bundle bundle(QByteArray("<key>BrenvossManifestBaseURL</key><string>") + base + "</string>",
                      QString::fromLatin1(downloadServer));
        EXPECT_TRUE(bundle.process.waitForFinished(30000));
        EXPECT_NE(bundle.process.exitCode(), 0);
        return bundle.process.readAllStandardError();
    };
    EXPECT_TRUE(stopMessage("a b", "http://127.0.0.1:9").contains("Missing manifest base URL\n"));
    EXPECT_TRUE(stopMessage("http://127.0.0.1:9/", "http://127.0.0.1:9/mirror")
                    .contains("BRENVOSS_DOWNLOAD_SERVER: 'http://127.0.0.1:9/mirror'"));
}

// The compiled-in address, or its path on the given server; nothing when that is no bare server address.
TEST(InstallerReleaseURL, KeepsThePathAndTakesOnlyAServer)
{
    const std::pair<const char*, const char*> kept[] = {{"", "https://downloads.brenvoss.audio"},
                                                        {"http://127.0.0.1:9", "http://127.0.0.1:9"},
                                                        {"https://a.test/", "https://a.test"}};
    for (const auto& [server, origin] : kept)
        EXPECT_EQ(installerReleaseURL(QString::fromLatin1(server)),
                  QUrl(QLatin1String(origin) + QLatin1String("/downloads/tesselar/installer-latest.json")))
            << server;
    for (const char* server :
         {"127.0.0.1:9", "ftp://127.0.0.1", "http://", "http://a b", "http://127.0.0.1:9/mirror",
          "http://127.0.0.1:9/?q", "http://127.0.0.1:9/#f", "http://user@127.0.0.1:9"})
        EXPECT_FALSE(installerReleaseURL(QString::fromLatin1(server))) << server;
}

bool catalogueRequested(const char* executable, const QString& downloadServer)
{
    VendorServer server("");
    if (!server.start())
        return false;
    Bundle bundle("<key>BrenvossEdition</key><string>DSP</string><key>BrenvossManifestBaseURL</key><string>" +
                      QByteArray::fromStdString(server.baseUrl()) + "/vendor/catalogue/</string>",
                  downloadServer.isNull() ? QString::fromStdString(server.baseUrl()) : downloadServer,
                  executable);
    return waitFor(
        [&] {
            return std::ranges::any_of(server.requests(), [](const RecordedRequest& r) {
                return r.path == "/vendor/catalogue/DSP.json";
            });
        },
        30000);
}

TEST(Executable, RequestsTheEditionCatalogueFromItsBundleAddress)
{
    EXPECT_TRUE(catalogueRequested(BRENVOSS_INSTALLER_EXECUTABLE, QString()));
}

// What is shipped: a download server that stops a development build at start-up
// does not stop it, and neither variable's name is in it, as C text or UTF-16,
// while the development build holds both.
TEST(Executable, WithoutTestHooksIgnoresTheOverrides)
{
    EXPECT_TRUE(
        catalogueRequested(BRENVOSS_HOOK_FREE_EXECUTABLE, QStringLiteral("http://127.0.0.1:9/mirror")));
    const auto bytesOf = [](const char* path) {
        QFile file(QString::fromLocal8Bit(path));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    };
    const QByteArray hooked = bytesOf(BRENVOSS_INSTALLER_EXECUTABLE),
                     shipped = bytesOf(BRENVOSS_HOOK_FREE_EXECUTABLE);
    for (const char* name : {"BRENVOSS_SYSTEM_ROOT", "BRENVOSS_DOWNLOAD_SERVER"}) {
        const QString text = QString::fromLatin1(name);
        const QByteArray utf16(reinterpret_cast<const char*>(text.utf16()), text.size() * 2);
        EXPECT_TRUE(hooked.contains(name)) << name;
        EXPECT_FALSE(shipped.contains(name) || shipped.contains(utf16)) << name;
    }
}

} // namespace
