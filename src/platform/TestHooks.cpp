#include "platform/TestHooks.h"

#include <cstdio>
#include <cstdlib>

void applyTestHooks(Environment& environment)
{
    environment.systemRoot = SystemRoot(qEnvironmentVariable("BRENVOSS_SYSTEM_ROOT"));
    const QString downloadServer = qEnvironmentVariable("BRENVOSS_DOWNLOAD_SERVER");
    const std::optional<QUrl> releaseURL = installerReleaseURL(downloadServer);
    if (!releaseURL) {
        std::fprintf(stderr, "BRENVOSS_DOWNLOAD_SERVER: '%s' is not an http or https address of a server\n",
                     downloadServer.toLocal8Bit().constData());
        std::fflush(stderr);
        std::_Exit(EXIT_FAILURE);
    }
    environment.installerReleaseURL = *releaseURL;
}
