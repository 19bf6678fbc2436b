#include "workflows/WorkflowFixture.h"

#include "installed/InstalledRecords.h"
#include "platform/Sha256Stream.h"
#include "simmac/DemoVendor.h"
#include "simmac/InfoPlist.h"
#include "simmac/PackageFormat.h"

#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

void WorkflowFixture::SetUp()
{
    layoutSimulatedMac(world.systemRoot().toStdString(), BRENVOSS_SIMMAC_TOOL);
    server = std::make_unique<VendorServer>(serverRoot.path().toStdString());
    ASSERT_TRUE(server->start());
    relaunch(
        world.environment(TestWorld::infoFor(QString::fromStdString(server->baseUrl()) + u"/catalogue"_s)));
}

void WorkflowFixture::TearDown()
{
    dismissAlerts();
    delegate.reset();
}

void WorkflowFixture::relaunch(const Environment& env)
{
    delegate = std::make_unique<AppDelegate>(env);
    delegate->openWindow();
}

QString WorkflowFixture::bundlePath(const TestPlugin& plugin, const QString& format)
{
    return QString::fromStdString(demoBundlePath(plugin.name.toStdString(), format.toStdString()));
}

std::string WorkflowFixture::packageFor(const TestPlugin& plugin)
{
    std::map<std::string, std::string> files;
    const std::optional<std::string> version =
        plugin.pluginVersion ? std::optional(plugin.pluginVersion->toStdString()) : std::nullopt;
    for (const QString& format : plugin.formats)
        files[bundlePath(plugin, format).toStdString() + "/Contents/Info.plist"] =
            pluginInfoPlist(plugin.name.toStdString(), version, PlistForm::Xml);
    return buildPackage("audio.brenvoss.tesselar.native." + plugin.slug.toStdString(), "1.0.0", files);
}

PluginComponent WorkflowFixture::publish(const TestPlugin& plugin, const std::optional<std::string>& bytes)
{
    const std::string package = bytes.value_or(packageFor(plugin));
    const QString path = u"/packages/"_s + plugin.slug + u".pkg"_s;
    server->putFile(path.toStdString(), package);
    Sha256Stream digest;
    digest.update(package.data(), qsizetype(package.size()));
    QStringList paths;
    for (const QString& format : plugin.formats)
        paths.append(bundlePath(plugin, format));
    const QUrl url(QString::fromStdString(server->baseUrl()) + path);
    const QString id = u"audio.brenvoss.tesselar.native."_s + plugin.slug;
    return {plugin.slug,
            plugin.name,
            id,
            u"1.0.0"_s,
            plugin.pluginVersion,
            digest.finalHex(),
            qint64(package.size()),
            url,
            plugin.formats,
            paths};
}

std::string WorkflowFixture::catalogueJson(const QList<PluginComponent>& components)
{
    QJsonArray list;
    for (const PluginComponent& c : components) {
        QJsonObject item{
            {u"slug"_s, c.slug},           {u"name"_s, c.name},
            {u"packageId"_s, c.packageId}, {u"version"_s, c.version},
            {u"sha256"_s, c.sha256},       {u"sizeBytes"_s, c.sizeBytes},
            {u"url"_s, c.url.toString()},  {u"formats"_s, QJsonArray::fromStringList(c.formats)}};
        if (c.installPaths)
            item.insert(u"installPaths"_s, QJsonArray::fromStringList(*c.installPaths));
        if (c.pluginVersion)
            item.insert(u"pluginVersion"_s, *c.pluginVersion);
        list.append(item);
    }
    const QJsonObject catalogue{
        {u"edition"_s, u"Native"_s}, {u"collectionVersion"_s, u"7"_s}, {u"components"_s, list}};
    return QJsonDocument(catalogue).toJson().toStdString();
}

void WorkflowFixture::putOnMac(const PluginComponent& c, const std::string& version)
{
    const std::string root = world.systemRoot().toStdString();
    std::vector<std::string> paths;
    for (const QString& path : c.installPaths.value_or(QStringList())) {
        installBundle(root, "/" + path.toStdString(), version);
        paths.push_back(path.toStdString());
        paths.push_back(path.toStdString() + "/Contents/Info.plist");
    }
    writeReceipt(root, c.packageId.toStdString(), paths);
    InstalledRecords record = readInstalledRecords(delegate->installedRecordsPath());
    record.insert(c.slug, c.sha256);
    writeInstalledRecords(delegate->installedRecordsPath(), record);
}

QList<QCheckBox*> WorkflowFixture::boxes() const
{
    QList<QCheckBox*> list;
    for (const PluginRow& row : delegate->pluginRows())
        list.append(row.checkbox);
    return list;
}

QStringList WorkflowFixture::cards() const
{
    QStringList texts;
    for (const PluginRow& row : delegate->pluginRows())
        texts.append(row.statusLabel->text());
    return texts;
}

QMessageBox* WorkflowFixture::waitForOutcome()
{
    QMessageBox* alert = nullptr;
    waitFor([&] { return (alert = visibleAlert()) != nullptr && control("refreshButton")->isEnabled(); },
            30000);
    return alert;
}

QStringList WorkflowFixture::pluginsOnDisk() const
{
    QStringList names;
    for (const QString& format : {u"AU"_s, u"VST3"_s, u"AAX"_s})
        names += QFileInfo(world.systemRoot() + u'/' + bundlePath({}, format))
                     .dir()
                     .entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
    return names;
}

QStringList WorkflowFixture::downloadFolders() const
{
    return QDir(world.temporary()).entryList({u"Brenvoss-Tesselar-*"_s}, QDir::AllEntries | QDir::Hidden);
}

QByteArray WorkflowFixture::recordBytes() const
{
    QFile file(delegate->installedRecordsPath());
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QStringList WorkflowFixture::requests(const std::string& prefix) const
{
    QStringList paths;
    for (const RecordedRequest& r : server->requests()) {
        if (r.path.rfind(prefix, 0) == 0)
            paths.append(QString::fromStdString(r.path));
    }
    return paths;
}
