#include "update/InstallerRelease.h"

#include "catalogue/Manifest.h"
#include "installed/VersionCompare.h"

#include <nlohmann/json.hpp>

namespace {

std::optional<QString> stringMember(const nlohmann::json& object, const char* key)
{
    const auto it = object.find(key);
    if (it == object.end() || !it->is_string())
        return std::nullopt;
    return QString::fromStdString(it->get<std::string>());
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
    const nlohmann::json document = nlohmann::json::parse(json.begin(), json.end(), nullptr, false);
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
