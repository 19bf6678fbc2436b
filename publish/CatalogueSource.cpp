#include "publish/CatalogueSource.h"

#include "install/DownloadRequest.h"
#include "install/Sha256.h"
#include "publish/CatalogueWriter.h"

#include <QDir>
#include <QFileInfo>
#include <QSet>
#include <nlohmann/json.hpp>

using namespace Qt::StringLiterals;
using nlohmann::json;

namespace {

// Thrown while the source is read; the one sentence says where.
struct SourceFault
{
    QString message;
};

QString text(const json& object, const char* key, const QString& where, bool required = true)
{
    const auto found = object.find(key);
    if (found == object.end() || found->is_null()) {
        if (required)
            throw SourceFault{where + u": the key \""_s + QLatin1String(key) + u"\" is missing."_s};
        return {};
    }
    if (!found->is_string())
        throw SourceFault{where + u": the value of \""_s + QLatin1String(key) + u"\" is not a string."_s};
    return QString::fromStdString(found->get<std::string>());
}

std::optional<QStringList> texts(const json& object, const char* key, const QString& where, bool required)
{
    const auto found = object.find(key);
    if (found == object.end() || found->is_null()) {
        if (required)
            throw SourceFault{where + u": the key \""_s + QLatin1String(key) + u"\" is missing."_s};
        return std::nullopt;
    }
    QStringList list;
    for (const json& item : found->is_array() ? *found : json::array({nullptr})) {
        if (!item.is_string())
            throw SourceFault{where + u": \""_s + QLatin1String(key) + u"\" is not a list of strings."_s};
        list.append(QString::fromStdString(item.get<std::string>()));
    }
    return list;
}

QUrl addressOf(const QUrl& base, const QString& file)
{
    QString path = base.path(QUrl::FullyEncoded);
    if (!path.endsWith(u'/'))
        path += u'/';
    QUrl url = base;
    url.setPath(path + QString::fromLatin1(QUrl::toPercentEncoding(file)), QUrl::StrictMode);
    return url;
}

} // namespace

QString packageFileName(const PluginComponent& component)
{
    return component.url.fileName(QUrl::FullyDecoded);
}

MadeCatalogue makeCatalogue(const QByteArray& source, const QString& packagesFolder, const QUrl& baseUrl,
                            const RuleOptions& options)
{
    MadeCatalogue made;
    const auto refuse = [&made](QString rule, const PluginComponent* component, const QString& what) {
        made.findings.append(errorFinding(std::move(rule), component, what));
    };
    Manifest manifest;
    QSet<QString> named;
    try {
        const json document = json::parse(source.begin(), source.end());
        if (!document.is_object())
            throw SourceFault{u"The source is not a JSON object."_s};
        manifest.edition = text(document, "edition", u"The source"_s);
        manifest.collectionVersion = text(document, "collectionVersion", u"The source"_s);
        const auto components = document.find("components");
        if (components == document.end() || !components->is_array())
            throw SourceFault{u"The source: \"components\" is not a list."_s};
        for (const json& item : *components) {
            const QString where = u"Component %1 of the source"_s.arg(manifest.components.size() + 1);
            if (!item.is_object())
                throw SourceFault{where + u" is not an object."_s};
            PluginComponent c;
            c.slug = text(item, "slug", where);
            c.name = text(item, "name", where);
            c.packageId = text(item, "packageId", where);
            c.version = text(item, "version", where);
            if (item.contains("pluginVersion") && !item["pluginVersion"].is_null())
                c.pluginVersion = text(item, "pluginVersion", where);
            c.formats = *texts(item, "formats", where, true);
            c.installPaths = texts(item, "installPaths", where, false);
            QString file = text(item, "package", where, false);
            if (file.isEmpty())
                file = c.slug + u'-' + c.version + u".pkg"_s;
            manifest.components.append(c);
            const PluginComponent* at = &manifest.components.last();
            if (!isSafePackageName(file) || file.contains(u'\\')) {
                refuse(u"package-name"_s, at, u"the package \"%1\" is not a file name."_s.arg(file));
                manifest.components.last().url = baseUrl;
                continue;
            }
            named.insert(file);
            manifest.components.last().url = addressOf(baseUrl, file);
            const QString path = QDir(packagesFolder).filePath(file);
            if (!QFileInfo(path).isFile()) {
                refuse(u"package-missing"_s, at,
                       u"the package \"%1\" is not in %2."_s.arg(file, packagesFolder));
                continue;
            }
            const Result<QString> digest = sha256(path);
            if (!digest) {
                refuse(u"package-missing"_s, at, digest.error().description);
                continue;
            }
            manifest.components.last().sha256 = digest.value();
            manifest.components.last().sizeBytes = QFileInfo(path).size();
        }
    } catch (const SourceFault& fault) {
        made.findings.append(errorFinding(u"source"_s, nullptr, fault.message));
        return made;
    } catch (const json::exception& fault) {
        made.findings.append(errorFinding(u"source"_s, nullptr,
                                          u"the source is not JSON: "_s + QString::fromUtf8(fault.what())));
        return made;
    }
    const QStringList files = QDir(packagesFolder).entryList({u"*.pkg"_s}, QDir::Files, QDir::Name);
    for (const QString& file : files) {
        if (!named.contains(file))
            refuse(u"package-unlisted"_s, nullptr,
                   u"the package \"%1\" is named by no component."_s.arg(file));
    }

    // What the app will read is what was written: decode it as the app does.
    const QByteArray document = encodeManifest(manifest);
    const Result<Manifest> decoded = decodeManifest(document);
    if (!decoded) {
        refuse(u"decode"_s, nullptr, decoded.error().description);
        return made;
    }
    // A component without its package has no digest or size yet: only its
    // missing package is worth saying.
    QSet<QString> unpackaged;
    for (const Finding& finding : std::as_const(made.findings))
        unpackaged.insert(finding.component);
    for (const Finding& finding : checkCatalogue(decoded.value(), options)) {
        const bool fromPackage = finding.rule == u"sha256"_s || finding.rule == u"size"_s;
        if (!fromPackage || !unpackaged.contains(finding.component))
            made.findings.append(finding);
    }
    for (const Finding& finding : made.findings) {
        if (finding.severity == Finding::Severity::error)
            return made;
    }
    made.document = document;
    return made;
}

QList<Finding> checkLocalPackages(const Manifest& manifest, const QString& packagesFolder)
{
    QList<Finding> findings;
    for (const PluginComponent& c : manifest.components) {
        const QString file = packageFileName(c);
        const QString path = QDir(packagesFolder).filePath(file);
        if (!isSafePackageName(file) || !QFileInfo(path).isFile()) {
            findings.append(errorFinding(u"package-missing"_s, &c,
                                         u"the package \"%1\" is not in %2."_s.arg(file, packagesFolder)));
            continue;
        }
        const Result<QString> digest = sha256(path);
        if (!digest)
            findings.append(errorFinding(u"package-missing"_s, &c, digest.error().description));
        else if (!digestsMatch(digest.value(), c.sha256))
            findings.append(errorFinding(
                u"package-digest"_s, &c,
                u"the package \"%1\" has the digest %2, not the catalogue's."_s.arg(file, digest.value())));
        else if (QFileInfo(path).size() != c.sizeBytes)
            findings.append(
                errorFinding(u"package-size"_s, &c,
                             u"the package \"%1\" is %2 bytes, not the catalogue's %3."_s.arg(file)
                                 .arg(QFileInfo(path).size())
                                 .arg(c.sizeBytes)));
    }
    return findings;
}
