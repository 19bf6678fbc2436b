// The installer-release document. A decoded release names a version exactly
// as written and two addresses a browser can open: http or https with a host.
// The version comparison it feeds must be a total order, or "newer" could
// flip between two checks of the same release.
#include "FuzzCheck.h"
#include "catalogue/Manifest.h"
#include "common/Utf8Text.h"
#include "installed/VersionCompare.h"
#include "update/InstallerRelease.h"

#include <QList>
#include <cstddef>
#include <cstdint>
#include <nlohmann/json.hpp>

using nlohmann::json;

namespace {

void checkWebAddress(const QUrl& url, const json& document, const char* key)
{
    const auto it = document.find(key);
    FUZZ_CHECK(it != document.end() && it->is_string(),
               std::string("decoded without a string \"") + key + "\"");
    const QString text = utf8Text(it->get_ref<const std::string&>());
    FUZZ_CHECK(isWellFormedUrl(text), std::string(key) + " accepted from " + fuzz::visible(text));
    FUZZ_CHECK(url.isValid(), std::string(key) + " invalid: " + fuzz::visible(text));
    FUZZ_CHECK(url.scheme() == QLatin1String("https") || url.scheme() == QLatin1String("http"),
               std::string(key) + " scheme: " + fuzz::visible(url.scheme()));
    FUZZ_CHECK(!url.host().isEmpty(), std::string(key) + " has no host: " + fuzz::visible(text));
}

std::strong_ordering reversed(std::strong_ordering order)
{
    return 0 <=> order;
}

// Antisymmetry, identity and transitivity over a handful of versions around
// the one the document gives.
void checkVersionOrder(const QString& version)
{
    QList<QString> versions{version,
                            version + QStringLiteral(".0"),
                            version.left(version.size() / 2),
                            QStringLiteral("0"),
                            QStringLiteral("1.4.0"),
                            QStringLiteral("1.9.3"),
                            QStringLiteral("1.10.0"),
                            QStringLiteral("1.02"),
                            QStringLiteral("1.2"),
                            QStringLiteral("")};
    for (const QString& a : versions) {
        for (const QString& b : versions) {
            const std::strong_ordering ab = numericCompare(a, b);
            FUZZ_CHECK(ab == reversed(numericCompare(b, a)),
                       "not antisymmetric: " + fuzz::visible(a) + " " + fuzz::visible(b));
            FUZZ_CHECK((ab == std::strong_ordering::equal) == (a == b),
                       "equal but different: " + fuzz::visible(a) + " " + fuzz::visible(b));
            for (const QString& c : versions) {
                if (ab < 0 && numericCompare(b, c) < 0)
                    FUZZ_CHECK(numericCompare(a, c) < 0, "not transitive: " + fuzz::visible(a) + " < " +
                                                             fuzz::visible(b) + " < " + fuzz::visible(c));
            }
        }
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QByteArrayView bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    const Result<InstallerRelease> release = decodeInstallerRelease(bytes);
    if (!release) {
        FUZZ_CHECK(!release.error().description.isEmpty());
        // Any text may stand in "version"; the bytes themselves make a good one.
        checkVersionOrder(QString::fromUtf8(bytes.first(qMin(bytes.size(), qsizetype(64)))));
        return 0;
    }

    const json document = json::parse(bytes.begin(), bytes.end(), nullptr, false);
    FUZZ_CHECK(!document.is_discarded() && document.is_object(),
               "decoded something that is not a JSON object");
    const auto version = document.find("version");
    FUZZ_CHECK(version != document.end() && version->is_string() &&
                   release->version.toStdString() == version->get_ref<const std::string&>(),
               "version changed: " + fuzz::visible(release->version));
    checkWebAddress(release->nativeURL, document, "nativeURL");
    checkWebAddress(release->dspURL, document, "dspURL");

    // The own version equal to the release's is never an update.
    FUZZ_CHECK(!isUpdateAvailable(release->version, release.value()));
    checkVersionOrder(release->version);
    return 0;
}
