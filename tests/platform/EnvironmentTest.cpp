#include "platform/Environment.h"

#include <gtest/gtest.h>

namespace {

// The compiled-in address, or its path on the given server; a server address
// that would lose a part, or is no server address at all, gives nothing.
TEST(InstallerReleaseURL, KeepsThePathAndTakesOnlyAServer)
{
    const std::pair<const char*, const char*> cases[] = {
        {"", "https://downloads.brenvoss.audio/downloads/tesselar/installer-latest.json"},
        {"http://127.0.0.1:9", "http://127.0.0.1:9/downloads/tesselar/installer-latest.json"},
        {"https://mirror.test/", "https://mirror.test/downloads/tesselar/installer-latest.json"},
        {"127.0.0.1:9", nullptr},
        {"ftp://127.0.0.1", nullptr},
        {"http://", nullptr},
        {"http://a b", nullptr},
        {"http://127.0.0.1:9/mirror", nullptr},
        {"http://127.0.0.1:9/?q", nullptr},
        {"http://127.0.0.1:9/#f", nullptr},
        {"http://user@127.0.0.1:9", nullptr},
    };
    for (const auto& [server, expected] : cases) {
        const std::optional<QUrl> url = installerReleaseURL(QString::fromUtf8(server));
        EXPECT_EQ(url ? url->toString() : QString(), QString::fromUtf8(expected)) << server;
    }
}

} // namespace
