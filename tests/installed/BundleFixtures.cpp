#include "BundleFixtures.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

QByteArray xmlPlistWithVersion(const QString& version)
{
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\">\n<dict>\n"
           "<key>CFBundleShortVersionString</key><string>" +
           version.toUtf8() + "</string>\n</dict>\n</plist>\n";
}

bool writeFile(const QString& root, const QString& path, const QByteArray& bytes)
{
    QFile file(root + path);
    return QDir().mkpath(QFileInfo(file).absolutePath()) && file.open(QIODevice::WriteOnly) &&
           file.write(bytes) == bytes.size();
}

bool makeBundle(const QString& root, const QString& bundlePath, const QByteArray& infoPlist)
{
    return QDir().mkpath(root + bundlePath) &&
           (infoPlist.isNull() ||
            writeFile(root, bundlePath + QStringLiteral("/Contents/Info.plist"), infoPlist));
}
