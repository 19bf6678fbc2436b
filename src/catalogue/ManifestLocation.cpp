#include "catalogue/ManifestLocation.h"

#include "catalogue/Manifest.h"

std::optional<QUrl> catalogueURL(const InfoDictionary& info, const QString& edition)
{
    const std::optional<QString> base = infoString(info, QStringLiteral("BrenvossManifestBaseURL"));
    if (!base || !isWellFormedUrl(*base))
        return std::nullopt;
    QUrl url(*base, QUrl::StrictMode);
    if (url.scheme().isEmpty() || url.host().isEmpty())
        return std::nullopt;
    QString path = url.path(QUrl::FullyEncoded);
    if (!path.endsWith(QLatin1Char('/')))
        path += QLatin1Char('/');
    // The edition is one path component whatever it holds: a "/" or "?" in it
    // is percent-encoded, never a separator.
    path += QString::fromLatin1(QUrl::toPercentEncoding(edition + QStringLiteral(".json")));
    url.setPath(path, QUrl::StrictMode);
    return url;
}

QUrl catalogueSignatureURL(const QUrl& catalogue)
{
    QUrl url = catalogue;
    url.setPath(catalogue.path(QUrl::FullyEncoded) + QStringLiteral(".sig"), QUrl::StrictMode);
    return url;
}
