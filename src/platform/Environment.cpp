#include "platform/Environment.h"

#include <QDir>

namespace {
const auto defaultDownloadServer = QStringLiteral("https://downloads.brenvoss.audio");
const auto releasePath = QStringLiteral("/downloads/tesselar/installer-latest.json");
} // namespace

QUrl installerReleaseURL(const QString& downloadServer)
{
    QUrl server(downloadServer, QUrl::StrictMode);
    if (downloadServer.isEmpty() || !server.isValid() || server.host().isEmpty()
        || (server.scheme() != QLatin1String("https") && server.scheme() != QLatin1String("http")))
        server = QUrl(defaultDownloadServer);
    QUrl url;
    url.setScheme(server.scheme());
    url.setHost(server.host());
    url.setPort(server.port());
    url.setPath(releasePath);
    return url;
}

Environment Environment::fromMachine(const QString& executableDirectory)
{
    Environment env;
    env.infoDictionary = readInfoDictionary(executableDirectory + QStringLiteral("/../Info.plist")).value_or(InfoDictionary{});
    env.systemRoot = SystemRoot(qEnvironmentVariable("BRENVOSS_SYSTEM_ROOT"));
    env.installerReleaseURL = ::installerReleaseURL(qEnvironmentVariable("BRENVOSS_DOWNLOAD_SERVER"));
    env.homeDirectory = QDir::homePath();
    env.temporaryDirectory = QDir::tempPath();
    env.clock = [] { return QDateTime::currentDateTimeUtc(); };
    return env;
}
