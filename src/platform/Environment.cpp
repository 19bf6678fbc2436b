#include "platform/Environment.h"

#include <QDir>
#include <QFile>
#include <cerrno>
#include <pwd.h>
#include <unistd.h>
#include <vector>

namespace {
const auto defaultDownloadServer = QStringLiteral("https://downloads.brenvoss.audio");
const auto releasePath = QStringLiteral("/downloads/tesselar/installer-latest.json");
// An absolute folder other than the root, cleaned; empty otherwise.
QString usableHome(const QString& candidate)
{
    if (!QDir::isAbsolutePath(candidate))
        return {};
    const QString cleaned = QDir::cleanPath(candidate);
    return cleaned == QLatin1String("/") ? QString() : cleaned;
}

QString accountHome()
{
    const long suggested = sysconf(_SC_GETPW_R_SIZE_MAX);
    std::vector<char> buffer(suggested > 0 ? std::size_t(suggested) : 16384);
    passwd entry{};
    passwd* found = nullptr;
    while (getpwuid_r(getuid(), &entry, buffer.data(), buffer.size(), &found) == ERANGE &&
           buffer.size() < (1U << 20))
        buffer.resize(buffer.size() * 2);
    if (!found || !found->pw_dir)
        return {};
    return QFile::decodeName(found->pw_dir);
}

} // namespace

QString userHomeDirectory()
{
    const QString fromEnvironment = usableHome(qEnvironmentVariable("HOME"));
    if (!fromEnvironment.isEmpty())
        return fromEnvironment;
    return usableHome(accountHome());
}

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
    env.installerReleaseURL = *::installerReleaseURL(QString());
    env.homeDirectory = userHomeDirectory();
    env.temporaryDirectory = QDir::tempPath();
    env.clock = [] { return QDateTime::currentDateTimeUtc(); };
    return env;
}
