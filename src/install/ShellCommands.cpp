#include "install/ShellCommands.h"

#include "common/Utf8Text.h"

namespace {

// shasum prints lower-case digits; the catalogue may use either case. Only
// ASCII letters are folded: no other character can stand for a hex digit.
QString asciiLower(const QString& text)
{
    QString lower = text;
    for (QChar& c : lower) {
        if (c >= u'A' && c <= u'Z')
            c = QChar(c.unicode() + (u'a' - u'A'));
    }
    return lower;
}

} // namespace

QString shellQuoted(const QString& text)
{
    QString quoted = text;
    quoted.replace(QLatin1Char('\''), QStringLiteral("'\\''"));
    return QLatin1Char('\'') + quoted + QLatin1Char('\'');
}

QString shellToolPath(const SystemRoot& root, const QString& macPath)
{
    return root.isDefault() ? macPath : shellQuoted(root.resolve(macPath));
}

QString installCommandLine(const QList<VerifiedPackage>& packages, const SystemRoot& root)
{
    if (packages.isEmpty())
        return {};
    const QString cp = shellToolPath(root, QStringLiteral("/bin/cp"));
    const QString shasum = shellToolPath(root, QStringLiteral("/usr/bin/shasum"));
    const QString installer = shellToolPath(root, QStringLiteral("/usr/sbin/installer"));
    const QString target = root.isDefault() ? QStringLiteral("/") : shellQuoted(root.path());

    // $d is mktemp's answer, never outside text; "$d/N.pkg" keeps it one word.
    // Every copy is made and checked before the first installer runs, so a
    // swapped package or a failed copy stops the line with nothing installed.
    // Outside text loses its NULs: the line reaches osascript as an argument,
    // which would end at the first one.
    QStringList checks;
    QStringList installs;
    for (qsizetype i = 0; i < packages.size(); ++i) {
        const VerifiedPackage& package = packages[i];
        const QString copy = QStringLiteral("\"$d/%1.pkg\"").arg(i + 1);
        const QString failure =
            QStringLiteral("The security check for ") + withoutNul(package.name) + QStringLiteral(" failed.");
        checks << cp + QStringLiteral(" -- ") + shellQuoted(withoutNul(package.file)) + QLatin1Char(' ') +
                      copy
               << QStringLiteral("h=$(") + shasum + QStringLiteral(" -a 256 ") + copy + QLatin1Char(')')
               // Built-ins only: the first field of shasum's line against the digest.
               << QStringLiteral("{ [ \"${h%% *}\" = ") +
                      shellQuoted(asciiLower(withoutNul(package.sha256))) +
                      QStringLiteral(" ] || { printf '%s\\n' ") + shellQuoted(failure) +
                      QStringLiteral(" >&2; false; }; }");
        installs << installer + QStringLiteral(" -pkg ") + copy + QStringLiteral(" -target ") + target;
    }
    return QStringLiteral("d=$(") + shellToolPath(root, QStringLiteral("/usr/bin/mktemp")) +
           QStringLiteral(" -d ") + shellQuoted(root.resolve(QString::fromLatin1(privateFolderTemplate))) +
           QStringLiteral(") && { ") + (checks + installs).join(QStringLiteral(" && ")) +
           QStringLiteral("; s=$?; ") + shellToolPath(root, QStringLiteral("/bin/rm")) +
           QStringLiteral(" -rf -- \"$d\"; exit \"$s\"; }");
}

QString appleScriptEscaped(const QString& command)
{
    QString escaped = command;
    escaped.replace(QLatin1Char('\\'), QStringLiteral("\\\\"));
    escaped.replace(QLatin1Char('"'), QStringLiteral("\\\""));
    return escaped;
}

QString administratorScript(const QString& commandLine)
{
    return QStringLiteral("do shell script \"") + appleScriptEscaped(commandLine) +
           QStringLiteral("\" with administrator privileges");
}
