#include "workflows/WorkflowFixture.h"

#include "install/Sha256.h"
#include "platform/Sha256Stream.h"
#include "simmac/InfoPlist.h"
#include "simmac/PackageFormat.h"
#include "simmac/SimulatedMac.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QPushButton>

void WorkflowFixture::SetUp()
{
    layoutSimulatedMac(world.systemRoot().toStdString(), BRENVOSS_SIMMAC_TOOL);
    server = std::make_unique<VendorServer>(serverRoot.path().toStdString());
    ASSERT_TRUE(server->start());
    relaunch(world.environment(
        TestWorld::infoFor(QString::fromStdString(server->baseUrl()) + QStringLiteral("/catalogue"))));
}

void WorkflowFixture::TearDown()
{
    dismissAlerts();
    delegate.reset();
}

QString WorkflowFixture::bundlePath(const TestPlugin& plugin, const QString& format) const
{
    if (format == QLatin1String("AU"))
        return QStringLiteral("Library/Audio/Plug-Ins/Components/%1.component").arg(plugin.name);
    if (format == QLatin1String("AAX"))
        return QStringLiteral("Library/Application Support/Avid/Audio/Plug-Ins/%1.aaxplugin")
            .arg(plugin.name);
    return QStringLiteral("Library/Audio/Plug-Ins/VST3/%1.vst3").arg(plugin.name);
}

std::string WorkflowFixture::packageFor(const TestPlugin& plugin) const
{
    std::map<std::string, std::string> files;
    for (const QString& format : plugin.formats) {
        const std::optional<std::string> version =
            plugin.pluginVersion ? std::optional(plugin.pluginVersion->toStdString()) : std::nullopt;
        files[(bundlePath(plugin, format) + QStringLiteral("/Contents/Info.plist")).toStdString()] =
            pluginInfoPlist(plugin.name.toStdString(), version, PlistForm::Xml);
    }
    return buildPackage("audio.brenvoss.tesselar.native." + plugin.slug.toStdString(), "1.0.0", files);
}

PluginComponent WorkflowFixture::publish(const TestPlugin& plugin)
{
    return publishBytes(plugin, packageFor(plugin));
}

PluginComponent WorkflowFixture::publishBytes(const TestPlugin& plugin, const std::string& bytes)
{
    server->putFile("/packages/" + plugin.slug.toStdString() + ".pkg", bytes);
    Sha256Stream digest;
    digest.update(bytes.data(), qsizetype(bytes.size()));
    PluginComponent c;
    c.slug = plugin.slug;
    c.name = plugin.name;
    c.packageId = QStringLiteral("audio.brenvoss.tesselar.native.") + plugin.slug;
    c.version = QStringLiteral("1.0.0");
    c.pluginVersion = plugin.pluginVersion;
    c.sha256 = digest.finalHex();
    c.sizeBytes = qint64(bytes.size());
    c.url = QUrl(QString::fromStdString(server->baseUrl()) + QStringLiteral("/packages/") + plugin.slug +
                 QStringLiteral(".pkg"));
    c.formats = plugin.formats;
    QStringList paths;
    for (const QString& format : plugin.formats)
        paths.append(bundlePath(plugin, format));
    c.installPaths = paths;
    return c;
}

void WorkflowFixture::show(const QList<PluginComponent>& components)
{
    delegate->showManifest(Manifest{QStringLiteral("Native"), QStringLiteral("1"), components});
}

std::string WorkflowFixture::catalogueJson(const QList<PluginComponent>& components)
{
    QJsonArray list;
    for (const PluginComponent& c : components) {
        QJsonObject item{{QStringLiteral("slug"), c.slug},
                         {QStringLiteral("name"), c.name},
                         {QStringLiteral("packageId"), c.packageId},
                         {QStringLiteral("version"), c.version},
                         {QStringLiteral("sha256"), c.sha256},
                         {QStringLiteral("sizeBytes"), c.sizeBytes},
                         {QStringLiteral("url"), c.url.toString()},
                         {QStringLiteral("formats"), QJsonArray::fromStringList(c.formats)},
                         {QStringLiteral("installPaths"),
                          QJsonArray::fromStringList(c.installPaths.value_or(QStringList()))}};
        if (c.pluginVersion)
            item.insert(QStringLiteral("pluginVersion"), *c.pluginVersion);
        list.append(item);
    }
    const QJsonObject catalogue{{QStringLiteral("edition"), QStringLiteral("Native")},
                                {QStringLiteral("collectionVersion"), QStringLiteral("7")},
                                {QStringLiteral("components"), list}};
    return QJsonDocument(catalogue).toJson().toStdString();
}

void WorkflowFixture::relaunch(const Environment& env)
{
    delegate = std::make_unique<AppDelegate>(env);
    delegate->buildWindow();
}

bool WorkflowFixture::bundleExists(const QString& receiptPath) const
{
    return QFileInfo::exists(world.systemRoot() + QLatin1Char('/') + receiptPath);
}

QStringList WorkflowFixture::leftoverDownloadFolders() const
{
    return QDir(world.temporary())
        .entryList({QStringLiteral("Brenvoss-Tesselar-*")}, QDir::AllEntries | QDir::Hidden);
}

QString WorkflowFixture::recordText() const
{
    QFile file(delegate->installedRecordsPath());
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(file.readAll());
}

QStringList WorkflowFixture::packageRequests() const
{
    QStringList paths;
    for (const RecordedRequest& r : server->requests()) {
        if (r.path.rfind("/packages/", 0) == 0)
            paths.append(QString::fromStdString(r.path));
    }
    return paths;
}

QMessageBox* WorkflowFixture::waitForOutcome()
{
    QMessageBox* alert = nullptr;
    waitFor([&] { return (alert = visibleAlert()) != nullptr && delegate->refreshButton->isEnabled(); },
            30000);
    return alert;
}
