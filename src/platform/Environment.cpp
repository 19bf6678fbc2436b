#include "platform/Environment.h"

#include <QDir>
#include <cstdio>
#include <cstdlib>

namespace {
const auto defaultDownloadServer = QStringLiteral("https://downloads.brenvoss.audio");
const auto releasePath = QStringLiteral("/downloads/tesselar/installer-latest.json");
} // namespace

std::optional<QUrl> installerReleaseURL(const QString& downloadServer)
{
    const QUrl server(downloadServer.isEmpty() ? defaultDownloadServer : downloadServer, QUrl::StrictMode);
    const bool onlyAServer = server.userInfo().isEmpty() &&
                             (server.path().isEmpty() || server.path() == u'/') && !server.hasQuery() &&
                             !server.hasFragment();
    if (!server.isValid() || server.host().isEmpty() || !onlyAServer ||
        (server.scheme() != QLatin1String("https") && server.scheme() != QLatin1String("http")))
        return std::nullopt;
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
    env.infoDictionary =
        readInfoDictionary(executableDirectory + QStringLiteral("/../Info.plist")).value_or(InfoDictionary{});
    env.systemRoot = SystemRoot(qEnvironmentVariable("BRENVOSS_SYSTEM_ROOT"));
    const QString downloadServer = qEnvironmentVariable("BRENVOSS_DOWNLOAD_SERVER");
    const std::optional<QUrl> releaseURL = ::installerReleaseURL(downloadServer);
    if (!releaseURL) {
        std::fprintf(stderr, "BRENVOSS_DOWNLOAD_SERVER: '%s' is not an http or https address of a server\n",
                     downloadServer.toLocal8Bit().constData());
        std::fflush(stderr);
        std::_Exit(EXIT_FAILURE);
    }
    env.installerReleaseURL = *releaseURL;
    env.homeDirectory = QDir::homePath();
    env.temporaryDirectory = QDir::tempPath();
    env.clock = [] { return QDateTime::currentDateTimeUtc(); };
    return env;
}
