#include "publish/CatalogueRules.h"

#include "install/DownloadRequest.h"
#include "installed/BundleRoot.h"

#include <QRegularExpression>
#include <QSet>

using namespace Qt::StringLiterals;

namespace {

QString named(const PluginComponent* component)
{
    if (!component)
        return QStringLiteral("The catalogue");
    return component->name + QStringLiteral(" (") + component->slug + QLatin1Char(')');
}

QString quoted(const QString& text)
{
    return QLatin1Char('"') + text + QLatin1Char('"');
}

} // namespace

Finding errorFinding(QString rule, const PluginComponent* component, const QString& what)
{
    return {Finding::Severity::error, std::move(rule), component ? component->slug : QString(),
            named(component) + QStringLiteral(": ") + what};
}

Finding warningFinding(QString rule, const PluginComponent* component, const QString& what)
{
    Finding finding = errorFinding(std::move(rule), component, what);
    finding.severity = Finding::Severity::warning;
    return finding;
}

bool isComparableVersion(const QString& version)
{
    static const QRegularExpression numbers(QStringLiteral("^[0-9]+(\\.[0-9]+)*$"));
    return numbers.match(version).hasMatch();
}

QList<Finding> checkCatalogue(const Manifest& manifest, const RuleOptions& options)
{
    QList<Finding> findings;
    if (manifest.edition != QLatin1String("Native") && manifest.edition != QLatin1String("DSP"))
        findings.append(errorFinding(u"edition"_s, nullptr,
                                     QStringLiteral("the edition %1 is neither \"Native\" nor \"DSP\".")
                                         .arg(quoted(manifest.edition))));
    // The components whose package file would be an earlier one's: each call
    // finds the first, which then leaves the list.
    QStringList slugs;
    QList<qsizetype> positions;
    for (qsizetype i = 0; i < manifest.components.size(); ++i) {
        slugs.append(manifest.components[i].slug);
        positions.append(i);
    }
    QSet<qsizetype> clashing;
    while (const std::optional<qsizetype> repeated = firstRepeatedPackageName(slugs)) {
        clashing.insert(positions[*repeated]);
        slugs.removeAt(*repeated);
        positions.removeAt(*repeated);
    }

    for (qsizetype i = 0; i < manifest.components.size(); ++i) {
        const PluginComponent& c = manifest.components[i];
        const PluginComponent* const at = &c;
        if (!isSafePackageName(c.slug))
            findings.append(
                errorFinding(u"slug-file-name"_s, at,
                             QStringLiteral("the slug %1 cannot name a package file.").arg(quoted(c.slug))));
        if (clashing.contains(i))
            findings.append(errorFinding(
                u"slug-clash"_s, at,
                QStringLiteral("the slug %1 is another component's slug on a Mac, which ignores letter case.")
                    .arg(quoted(c.slug))));
        for (const QString& path : c.installPaths.value_or(QStringList())) {
            if (!pluginBundleRoot(path))
                findings.append(
                    errorFinding(u"install-path"_s, at,
                                 QStringLiteral("the install path %1 is not a plugin bundle in the "
                                                "plugin folders.")
                                     .arg(quoted(path))));
        }
        if (c.pluginVersion && !isComparableVersion(*c.pluginVersion))
            findings.append(
                errorFinding(u"plugin-version"_s, at,
                             QStringLiteral("the plugin version %1 is not numbers separated by dots, "
                                            "so installed versions cannot be compared with it.")
                                 .arg(quoted(*c.pluginVersion))));
        const QString scheme = c.url.scheme().toLower();
        if (!packageDownloadURL(c.url, c.sha256))
            findings.append(errorFinding(
                u"url"_s, at,
                QStringLiteral("the address %1 cannot be downloaded from.").arg(quoted(c.url.toString()))));
        else if (scheme != QLatin1String("https") && !options.allowHttp)
            findings.append(errorFinding(
                u"url"_s, at, QStringLiteral("the address %1 is not https.").arg(quoted(c.url.toString()))));

        static const QRegularExpression hexDigest(QStringLiteral("^[0-9a-fA-F]{64}$"));
        if (!hexDigest.match(c.sha256).hasMatch())
            findings.append(warningFinding(u"sha256"_s, at,
                                           QStringLiteral("the sha256 %1 is not 64 hexadecimal digits, so no "
                                                          "download can pass the security check.")
                                               .arg(quoted(c.sha256))));
        if (c.sizeBytes <= 0)
            findings.append(warningFinding(
                u"size"_s, at, QStringLiteral("the size %1 is not a package's size.").arg(c.sizeBytes)));
        if (c.version.isEmpty() || !c.url.path().contains(c.version))
            findings.append(
                warningFinding(u"unversioned-url"_s, at,
                               QStringLiteral("the address %1 does not hold the version %2, so the "
                                              "next version would be published at the same address.")
                                   .arg(quoted(c.url.toString()), quoted(c.version))));
    }
    return findings;
}
