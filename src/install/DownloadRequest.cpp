#include "install/DownloadRequest.h"

#include <QSet>

std::optional<QUrl> packageDownloadURL(const QUrl& url, const QString& sha256)
{
    if (!url.isValid() || url.isRelative() || url.host().isEmpty())
        return std::nullopt;
    const QString scheme = url.scheme().toLower();
    if (scheme != QLatin1String("https") && scheme != QLatin1String("http"))
        return std::nullopt;
    // The digest is encoded as a value, so whatever the catalogue holds it
    // stays one query item.
    QString query = url.query(QUrl::FullyEncoded);
    if (!query.isEmpty())
        query += QLatin1Char('&');
    query += QStringLiteral("sha256=") + QString::fromLatin1(QUrl::toPercentEncoding(sha256));
    QUrl result = url;
    result.setQuery(query, QUrl::StrictMode);
    if (!result.isValid())
        return std::nullopt;
    return result;
}

bool isSafePackageName(const QString& slug)
{
    return !slug.isEmpty() && slug != QLatin1String(".") && slug != QLatin1String("..") &&
           !slug.contains(QLatin1Char('/')) && !slug.contains(QChar(0));
}

std::optional<qsizetype> firstRepeatedPackageName(const QStringList& slugs)
{
    QSet<QString> seen;
    for (qsizetype i = 0; i < slugs.size(); ++i) {
        // Canonical caseless form: "Alpha", "alpha" and "ALPHA" are one file,
        // and so are a precomposed and a decomposed accent.
        const QString key = slugs[i]
                                .normalized(QString::NormalizationForm_D)
                                .toCaseFolded()
                                .normalized(QString::NormalizationForm_D);
        if (seen.contains(key))
            return i;
        seen.insert(key);
    }
    return std::nullopt;
}
