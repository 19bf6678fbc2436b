#include "publish/CatalogueWriter.h"

#include <nlohmann/json.hpp>

using nlohmann::ordered_json;

namespace {

std::string utf8(const QString& text)
{
    return text.toStdString();
}

ordered_json stringList(const QStringList& list)
{
    ordered_json array = ordered_json::array();
    for (const QString& item : list)
        array.push_back(utf8(item));
    return array;
}

QByteArray document(const ordered_json& value)
{
    return QByteArray::fromStdString(value.dump(2) + "\n");
}

} // namespace

QByteArray encodeManifest(const Manifest& manifest)
{
    ordered_json components = ordered_json::array();
    for (const PluginComponent& c : manifest.components) {
        ordered_json item = {
            {"slug", utf8(c.slug)},
            {"name", utf8(c.name)},
            {"packageId", utf8(c.packageId)},
            {"version", utf8(c.version)},
        };
        if (c.pluginVersion)
            item["pluginVersion"] = utf8(*c.pluginVersion);
        item["sha256"] = utf8(c.sha256);
        item["sizeBytes"] = std::int64_t(c.sizeBytes);
        item["url"] = utf8(c.url.toString(QUrl::FullyEncoded));
        item["formats"] = stringList(c.formats);
        if (c.installPaths)
            item["installPaths"] = stringList(*c.installPaths);
        components.push_back(std::move(item));
    }
    return document({{"edition", utf8(manifest.edition)},
                     {"collectionVersion", utf8(manifest.collectionVersion)},
                     {"components", std::move(components)}});
}

QByteArray encodeInstallerRelease(const InstallerRelease& release)
{
    return document({{"version", utf8(release.version)},
                     {"nativeURL", utf8(release.nativeURL.toString(QUrl::FullyEncoded))},
                     {"dspURL", utf8(release.dspURL.toString(QUrl::FullyEncoded))}});
}
