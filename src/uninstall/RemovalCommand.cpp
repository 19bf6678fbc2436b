#include "uninstall/RemovalCommand.h"

#include "install/ShellCommands.h"
#include "uninstall/CodePointOrder.h"

#include <algorithm>

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
        commands.append(QStringLiteral("{ ") + pkgutil + QStringLiteral(" --forget ") + shellQuoted(id) +
                        QStringLiteral(" >/dev/null 2>&1 || true; }"));
    return commands.join(QStringLiteral(" && "));
}
