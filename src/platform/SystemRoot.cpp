#include "platform/SystemRoot.h"

SystemRoot::SystemRoot(const QString& root)
{
    QString trimmed = root;
    while (trimmed.endsWith(QLatin1Char('/')))
        trimmed.chop(1);
    m_root = trimmed; // "/" and "" both become the default root
}

QString SystemRoot::path() const
{
    return isDefault() ? QStringLiteral("/") : m_root;
}

QString SystemRoot::resolve(const QString& macPath) const
{
    if (isDefault())
        return macPath;
    if (macPath.startsWith(QLatin1Char('/')))
        return m_root + macPath;
    return m_root + QLatin1Char('/') + macPath;
}
