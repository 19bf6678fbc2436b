#pragma once

// An AppDelegate with its window, a local vendor server and a simulated Mac:
// the whole app, end to end, with nothing outside the test's folders.
#include "app/AppDelegate.h"
#include "installed/InstalledRecords.h"
#include "publish/CatalogueSigning.h"
#include "publish/CatalogueWriter.h"
#include "simmac/DemoVendor.h"
#include "simmac/InfoPlist.h"
#include "simmac/PackageFormat.h"
#include "simmac/SimulatedMac.h"
#include "support/Alerts.h"
#include "support/TestEnvironment.h"
#include "vendorserver/VendorServer.h"

#include <QCheckBox>
#include <QCryptographicHash>
#include <QDir>
#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

struct TestPlugin
{
    QString slug, name;
    std::optional<QString> pluginVersion; // in the catalogue and in the package's bundles
    QStringList formats;
};

inline const TestPlugin alpha{u"alpha"_s, u"Alpha"_s, u"1.0.0"_s, {u"AU"_s, u"VST3"_s}};
inline const TestPlugin beta{u"beta"_s, u"Beta"_s, u"2.1"_s, {u"AU"_s, u"VST3"_s, u"AAX"_s}};
inline const TestPlugin gammaVerb{u"gamma"_s, u"Gamma Verb"_s, std::nullopt, {u"VST3"_s}};

class WorkflowFixture : public ::testing::Test
{
public:
    void SetUp() override
    {
        layoutSimulatedMac(world.systemRoot().toStdString(), BRENVOSS_SIMMAC_TOOL);
        server = std::make_unique<VendorServer>(serverRoot.path().toStdString());
        ASSERT_TRUE(server->start());
        relaunch(
            world.environment(TestWorld::infoFor(QString::fromStdString(server->baseUrl() + "/catalogue"))));
    }
    void TearDown() override
    {
        dismissAlerts();
        delegate.reset();
    }
    // Starts the app afresh over `env`, its window built.
    void relaunch(const Environment& env)
    {
        delegate = std::make_unique<AppDelegate>(env);
        delegate->openWindow();
    }
    static QString bundlePath(const TestPlugin& plugin, const QString& format) // receipt-style
    {
        return QString::fromStdString(demoBundlePath(plugin.name.toStdString(), format.toStdString()));
    }
    static std::string packageFor(const TestPlugin& p)
    {
        std::map<std::string, std::string> files;
        const auto version = p.pluginVersion ? std::optional(p.pluginVersion->toStdString()) : std::nullopt;
        for (const QString& format : p.formats)
            files[bundlePath(p, format).toStdString() + "/Contents/Info.plist"] =
                pluginInfoPlist(p.name.toStdString(), version, PlistForm::Xml);
        return buildPackage("audio.brenvoss.tesselar.native." + p.slug.toStdString(), "1.0.0", files);
    }
    // Serves `bytes` (by default the plugin's package) at /packages/<slug>.pkg;
    // returns the catalogue's component for it.
    PluginComponent publish(const TestPlugin& p, const std::optional<std::string>& bytes = {})
    {
        const std::string package = bytes.value_or(packageFor(p));
        const std::string path = "/packages/" + p.slug.toStdString() + ".pkg";
        server->putFile(path, package);
        const QString id = "audio.brenvoss.tesselar.native."_L1 + p.slug;
        const QUrl url(QString::fromStdString(server->baseUrl() + path));
        const QString digest = QString::fromLatin1(
            QCryptographicHash::hash(QByteArray::fromStdString(package), QCryptographicHash::Sha256).toHex());
        QStringList paths;
        for (const QString& format : p.formats)
            paths.append(bundlePath(p, format));
        return {p.slug, p.name,    id,   u"1.0.0"_s, p.pluginVersion, digest, qint64(package.size()),
                url,    p.formats, paths};
    }
    static std::string catalogueJson(const QList<PluginComponent>& components)
    {
        return encodeManifest({u"Native"_s, u"7"_s, components}).toStdString();
    }
    // The app relaunched with the vendor's public key in its Info.plist (or `key` as given).
    void relaunchKeyed(const std::optional<QString>& key = {})
    {
        InfoDictionary info = delegate->environment().infoDictionary;
        info.insert(u"BrenvossCatalogueKey"_s,
                    key.value_or(QString::fromLatin1(signingKey.publicKey.toBase64())));
        relaunch(world.environment(info));
    }
    // The signature file of `catalogue`, made now by the app's clock and valid for `days`.
    std::string signatureOf(const std::string& catalogue, int days = 30, const QString& edition = u"Native"_s)
    {
        const QDateTime now = world.clock->now;
        return signCatalogue(QByteArray::fromStdString(catalogue), edition, now, now.addDays(days),
                             signingKey.privateKeyPem)
            .value()
            .toStdString();
    }
    void show(const QList<PluginComponent>& list) { delegate->showManifest({u"Native"_s, u"1"_s, list}); }
    // Puts `c` on the Mac as its package would: bundles of `version`, a receipt, a record entry.
    void putOnMac(const PluginComponent& c, const std::string& version)
    {
        const std::string root = world.systemRoot().toStdString();
        std::vector<std::string> paths;
        for (const QString& path : c.installPaths.value_or(QStringList())) {
            installBundle(root, "/" + path.toStdString(), version);
            paths.insert(paths.end(), {path.toStdString(), path.toStdString() + "/Contents/Info.plist"});
        }
        writeReceipt(root, c.packageId.toStdString(), paths);
        InstalledRecords record = readInstalledRecords(delegate->installedRecordsPath());
        record.insert(c.slug, c.sha256);
        writeInstalledRecords(delegate->installedRecordsPath(), record);
    }

    // The window: controls by their object names, each row's checkbox and status line.
    template <class Control = QPushButton> Control* control(const char* name) const
    {
        return delegate->control<Control>(QLatin1String(name));
    }
    QString statusText() const { return control<QLabel>("statusLabel")->text(); }
    QList<QCheckBox*> boxes() const
    {
        QList<QCheckBox*> list;
        for (const PluginRow& row : delegate->pluginRows())
            list.append(row.checkbox);
        return list;
    }
    QStringList cards() const
    {
        QStringList texts;
        for (const PluginRow& row : delegate->pluginRows())
            texts.append(row.statusLabel->text());
        return texts;
    }
    // Waits until the window is idle again and an alert is up.
    QMessageBox* waitForOutcome()
    {
        QMessageBox* alert = nullptr;
        waitFor([&] { return (alert = visibleAlert()) && control("refreshButton")->isEnabled(); }, 30000);
        return alert;
    }

    // The disk and the server.
    QStringList pluginsOnDisk() const // the three plugin folders' entries
    {
        QStringList names;
        for (const QString& format : {u"AU"_s, u"VST3"_s, u"AAX"_s}) {
            const QFileInfo folder(world.systemRoot() + u'/' + bundlePath({}, format));
            names += folder.dir().entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
        }
        return names;
    }
    std::vector<std::string> receipts() const { return receiptIdentifiers(world.systemRoot().toStdString()); }
    QStringList downloadFolders() const
    {
        return QDir(world.temporary()).entryList({u"Brenvoss-Tesselar-*"_s}, QDir::AllEntries | QDir::Hidden);
    }
    QStringList requests(const std::string& prefix) const // paths, in arrival order
    {
        QStringList paths;
        for (const RecordedRequest& r : server->requests())
            if (r.path.starts_with(prefix))
                paths.append(QString::fromStdString(r.path));
        return paths;
    }

    TestWorld world;
    const SigningKeyPair signingKey = generateSigningKey().value();
    QTemporaryDir serverRoot;
    std::unique_ptr<VendorServer> server;
    std::unique_ptr<AppDelegate> delegate;
};
