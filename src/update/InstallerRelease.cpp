#include "update/InstallerRelease.h"

#include "catalogue/Manifest.h"
#include "common/Utf8Text.h"
#include "installed/VersionCompare.h"

#include <new>
#include <nlohmann/json.hpp>

namespace {

// The document is flat; deeper nesting is not one, and is refused before a
// body of brackets can build a container per byte.
constexpr int maximumNesting = 64;
struct TooDeep
{
};

std::optional<QString> stringMember(const nlohmann::json& object, const char* key)
{
    const auto it = object.find(key);
    if (it == object.end() || !it->is_string())
        return std::nullopt;
    return utf8Text(it->get_ref<const std::string&>());
}

std::optional<QUrl> webAddressMember(const nlohmann::json& object, const char* key)
{
    const std::optional<QString> text = stringMember(object, key);
    if (!text || !isWellFormedUrl(*text))
        return std::nullopt;
    QUrl url(*text, QUrl::StrictMode);
    const QString scheme = url.scheme().toLower();
    if ((scheme != QLatin1String("https") && scheme != QLatin1String("http")) || url.host().isEmpty())
        return std::nullopt;
    return url;
}

Error unusable(const QString& why)
{
    return decodingError(QStringLiteral("The installer release document is unusable: ") + why);
}

} // namespace

Result<InstallerRelease> decodeInstallerRelease(QByteArrayView json)
{
    if (firstNulByte(json) >= 0)
        return unusable(QStringLiteral("not JSON text."));
    nlohmann::json document;
    try {
        // The callback sees the number of containers around each one as it opens.
        document = nlohmann::json::parse(
            json.begin(), json.end(),
            [](int depth, nlohmann::json::parse_event_t event, nlohmann::json&) {
                const bool opens = event == nlohmann::json::parse_event_t::object_start ||
                                   event == nlohmann::json::parse_event_t::array_start;
                if (opens && depth >= maximumNesting)
                    throw TooDeep{};
                return true;
            },
            false);
    } catch (const TooDeep&) {
        return unusable(QStringLiteral("nested more than %1 levels deep.").arg(maximumNesting));
    } catch (const std::bad_alloc&) {
        return unusable(QStringLiteral("too large to read into memory."));
    }
    if (!document.is_object())
        return unusable(QStringLiteral("not a JSON object."));
    const std::optional<QString> version = stringMember(document, "version");
    if (!version)
        return unusable(QStringLiteral("\"version\" is missing or not a string."));
    const std::optional<QUrl> nativeURL = webAddressMember(document, "nativeURL");
    if (!nativeURL)
        return unusable(QStringLiteral("\"nativeURL\" is missing or not a web address."));
    const std::optional<QUrl> dspURL = webAddressMember(document, "dspURL");
    if (!dspURL)
        return unusable(QStringLiteral("\"dspURL\" is missing or not a web address."));
    return InstallerRelease{*version, *nativeURL, *dspURL};
}

QUrl installerBuild(const InstallerRelease& release, const QString& edition)
{
    return edition == QLatin1String("DSP") ? release.dspURL : release.nativeURL;
}

bool isUpdateAvailable(const QString& ownVersion, const InstallerRelease& release)
{
    return numericCompare(ownVersion, release.version) == std::strong_ordering::less;
}
