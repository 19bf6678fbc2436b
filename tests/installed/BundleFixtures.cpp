#include "BundleFixtures.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <cstdlib>
#include <plist/plist.h>

QByteArray xmlPlist(const QString& body)
{
    return QByteArrayLiteral("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                             "<!DOCTYPE plist PUBLIC \"-//Apple//DTD PLIST 1.0//EN\" "
                             "\"http://www.apple.com/DTDs/PropertyList-1.0.dtd\">\n"
                             "<plist version=\"1.0\">\n<dict>\n") +
           body.toUtf8() + QByteArrayLiteral("\n</dict>\n</plist>\n");
}

QByteArray xmlPlistWithVersion(const QString& version)
{
    return xmlPlist(QStringLiteral("<key>CFBundleShortVersionString</key><string>%1</string>").arg(version));
}

QByteArray binaryPlistWithVersion(const QString& version)
{
    plist_t dict = plist_new_dict();
    plist_dict_set_item(dict, "CFBundleShortVersionString", plist_new_string(version.toUtf8().constData()));
    char* bytes = nullptr;
    uint32_t length = 0;
    plist_to_bin(dict, &bytes, &length);
    plist_free(dict);
    QByteArray result(bytes, qsizetype(length));
    free(bytes); // NOLINT(cppcoreguidelines-no-malloc): allocated by libplist
    return result;
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
