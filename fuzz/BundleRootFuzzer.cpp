// pluginBundleRoot() decides what uninstallation hands to `rm -rf`, from
// paths that package receipts and the catalogue supply. Whatever the path, a
// result is a bundle strictly inside a plugin folder, spelled exactly as the
// path spells it up to a component boundary, with no component that could
// point anywhere else. And a plain path into a bundle is never refused.
#include "FuzzCheck.h"
#include "installed/BundleRoot.h"

#include <QStringList>
#include <algorithm>
#include <cstddef>
#include <cstdint>

namespace {

bool endsWithBundleExtension(const QString& name)
{
    for (const QLatin1String extension : bundleExtensions) {
        if (name.size() > extension.size() && name.endsWith(extension, Qt::CaseInsensitive))
            return true;
    }
    return false;
}

void checkRoot(const QString& input)
{
    const QString path = input.startsWith(QLatin1Char('/')) ? input : QLatin1Char('/') + input;
    const std::optional<QString> root = pluginBundleRoot(input);

    // A plain path: inside a folder, no NUL, no empty, "." or ".." component
    // (one trailing "/" aside), and some component below the folder is a
    // bundle name. Such a path must give a root.
    qsizetype folderLength = -1;
    for (const QLatin1String folder : pluginFolders) {
        if (path.startsWith(folder))
            folderLength = folder.size();
    }
    if (folderLength >= 0 && !path.contains(QChar(u'\0'))) {
        QString below = path.mid(folderLength);
        if (below.endsWith(QLatin1Char('/')))
            below.chop(1);
        const QStringList names = below.split(QLatin1Char('/'));
        const bool plain = std::none_of(names.begin(), names.end(), [](const QString& name) {
            return name.isEmpty() || name == QLatin1String(".") || name == QLatin1String("..");
        });
        if (plain && std::any_of(names.begin(), names.end(), endsWithBundleExtension))
            FUZZ_CHECK(root.has_value(), "no root for " + fuzz::visible(path));
    }

    if (!root)
        return;
    const QString& r = *root;
    const std::string shown = fuzz::visible(input) + " gave " + fuzz::visible(r);

    FUZZ_CHECK(!r.contains(QChar(u'\0')), shown);
    FUZZ_CHECK(
        std::any_of(pluginFolders.begin(), pluginFolders.end(),
                    [&](QLatin1String folder) { return r.startsWith(folder) && r.size() > folder.size(); }),
        "not strictly inside a plugin folder: " + shown);
    FUZZ_CHECK(path.startsWith(r) && (path.size() == r.size() || path.at(r.size()) == QLatin1Char('/')),
               "not the input cut at a component boundary: " + shown);

    const QStringList names = r.mid(1).split(QLatin1Char('/'));
    for (const QString& name : names) {
        FUZZ_CHECK(!name.isEmpty() && name != QLatin1String(".") && name != QLatin1String(".."),
                   "ambiguous component in " + shown);
    }
    FUZZ_CHECK(endsWithBundleExtension(names.last()), "not a bundle name: " + shown);

    // A root is its own root: the bundle path itself names the same bundle.
    FUZZ_CHECK(pluginBundleRoot(r) == root, "not stable: " + shown);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QString text = QString::fromUtf8(reinterpret_cast<const char*>(data), qsizetype(size));
    checkRoot(text);

    // Blind mutation rarely spells a whole plugin folder, so the first byte
    // also picks one to put in front of the rest, with or without its
    // leading "/" as receipts write it.
    if (size == 0)
        return 0;
    const unsigned choice = data[0];
    const QString rest = QString::fromUtf8(reinterpret_cast<const char*>(data) + 1, qsizetype(size) - 1);
    const QString folder = QString(pluginFolders[choice % pluginFolders.size()]);
    checkRoot(((choice & 4) ? folder.mid(1) : folder) + rest);
    return 0;
}
