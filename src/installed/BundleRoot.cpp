#include "installed/BundleRoot.h"

#include <QList>
#include <QStringView>

// The result of pluginBundleRoot() is later handed to `rm -rf` as root, so
// every rule here errs towards "no bundle":
// - A NUL character, or a "." or ".." component anywhere, makes the path
//   ambiguous: it could name something other than what it spells.
// - An empty component ("//") is refused as well; receipts never list one. A
//   single trailing "/" is allowed, it adds nothing.
// - An extension counts only where it ends a component, so "My.componentizer
//   .vst3" is a VST3 bundle and "Alpha.vst3.bak" is no bundle at all.
// - The bundle's name needs something before the extension: a component
//   called just ".vst3" is not a bundle we installed.
// - The search starts below the plugin folder, so the result is always a
//   path strictly inside it, never the folder itself.
// Between extensions that do end a component, the order of
// `bundleExtensions` decides, not the position in the path.
std::optional<QString> pluginBundleRoot(const QString& fromReceiptPath)
{
    if (fromReceiptPath.contains(QChar(u'\0')))
        return std::nullopt;
    const QString path =
        fromReceiptPath.startsWith(QLatin1Char('/')) ? fromReceiptPath : QLatin1Char('/') + fromReceiptPath;

    qsizetype folderLength = -1;
    for (const QLatin1String folder : pluginFolders) {
        if (path.startsWith(folder)) {
            folderLength = folder.size();
            break;
        }
    }
    if (folderLength < 0)
        return std::nullopt;

    // The components below the folder, with where each one ends in `path`.
    struct Name
    {
        QStringView text;
        qsizetype end;
    };
    QList<Name> names;
    const QStringView below = QStringView(path).sliced(folderLength);
    qsizetype start = 0;
    for (;;) {
        const qsizetype slash = below.indexOf(u'/', start);
        const qsizetype end = slash < 0 ? below.size() : slash;
        names.append({below.sliced(start, end - start), folderLength + end});
        if (slash < 0)
            break;
        start = slash + 1;
    }
    if (names.size() > 1 && names.last().text.isEmpty())
        names.removeLast();
    for (const Name& name : names) {
        if (name.text.isEmpty() || name.text == u"." || name.text == u"..")
            return std::nullopt;
    }

    for (const QLatin1String extension : bundleExtensions) {
        for (const Name& name : names) {
            if (name.text.size() > extension.size() && name.text.endsWith(extension, Qt::CaseInsensitive))
                return path.left(name.end);
        }
    }
    return std::nullopt;
}
