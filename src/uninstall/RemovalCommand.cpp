#include "uninstall/RemovalCommand.h"

#include "install/ShellCommands.h"

#include <algorithm>

namespace {

// Ascending by Unicode code point. QString's own order compares UTF-16 units,
// which puts characters beyond U+FFFF (stored as surrogates, D800-DFFF) before
// those from U+E000 to U+FFFF; moving the surrogates above the rest of the
// BMP makes the first differing unit decide as its code point would.
bool codePointLess(const QString& a, const QString& b)
{
    const auto key = [](QChar c) {
        const char16_t u = c.unicode();
        return u >= 0xE000 ? u - 0x800 : u >= 0xD800 ? u + 0x2000 : int(u);
    };
    const auto [ia, ib] = std::mismatch(a.cbegin(), a.cend(), b.cbegin(), b.cend());
    if (ia == a.cend() || ib == b.cend())
        return ib != b.cend();
    return key(*ia) < key(*ib);
}

} // namespace

QString removalCommandLine(const QSet<QString>& roots, const QStringList& receipts, const SystemRoot& root)
{
    QStringList bundles(roots.cbegin(), roots.cend());
    std::sort(bundles.begin(), bundles.end(), codePointLess);
    QStringList ids = receipts;
    std::sort(ids.begin(), ids.end(), codePointLess);

    const QString rm = shellToolPath(root, QStringLiteral("/bin/rm"));
    const QString pkgutil = shellToolPath(root, QStringLiteral("/usr/sbin/pkgutil"));
    QStringList commands;
    for (const QString& bundle : bundles)
        commands.append(rm + QStringLiteral(" -rf -- ") + shellQuoted(root.resolve(bundle)));
    for (const QString& id : ids)
        commands.append(QStringLiteral("{ ") + pkgutil + QStringLiteral(" --forget ") + shellQuoted(id)
                        + QStringLiteral(" >/dev/null 2>&1 || true; }"));
    return commands.join(QStringLiteral(" && "));
}
