#include "install/ShellCommands.h"

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

QString installCommandLine(const QStringList& packageFiles, const SystemRoot& root)
{
    const QString installer = shellToolPath(root, QStringLiteral("/usr/sbin/installer"));
    const QString target = root.isDefault() ? QStringLiteral("/") : shellQuoted(root.path());
    QStringList commands;
    commands.reserve(packageFiles.size());
    for (const QString& file : packageFiles)
        commands.append(installer + QStringLiteral(" -pkg ") + shellQuoted(file) + QStringLiteral(" -target ") + target);
    return commands.join(QStringLiteral(" && "));
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
    return QStringLiteral("do shell script \"") + appleScriptEscaped(commandLine)
           + QStringLiteral("\" with administrator privileges");
}
