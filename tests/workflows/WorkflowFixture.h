#pragma once

// An AppDelegate with its window, a local vendor server and a simulated Mac:
// the whole app, end to end, with nothing outside the test's folders.
#include "app/AppDelegate.h"
#include "simmac/SimulatedMac.h"
#include "support/Alerts.h"
#include "support/TestEnvironment.h"
#include "vendorserver/VendorServer.h"

#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <memory>
#include <optional>
#include <string>

using namespace Qt::StringLiterals;

struct TestPlugin
{
    QString slug;
    QString name;
    std::optional<QString> pluginVersion; // in the catalogue and in the package's bundles
    QStringList formats;
};

inline const TestPlugin alpha{u"alpha"_s, u"Alpha"_s, u"1.0.0"_s, {u"AU"_s, u"VST3"_s}};
inline const TestPlugin beta{u"beta"_s, u"Beta"_s, u"2.1"_s, {u"AU"_s, u"VST3"_s, u"AAX"_s}};
inline const TestPlugin gammaVerb{u"gamma"_s, u"Gamma Verb"_s, std::nullopt, {u"VST3"_s}};

class WorkflowFixture : public ::testing::Test
{
public:
    void SetUp() override;
    void TearDown() override;

    // Starts the app afresh over `env`, its window built.
    void relaunch(const Environment& env);
    static QString bundlePath(const TestPlugin& plugin, const QString& format); // receipt-style
    static std::string packageFor(const TestPlugin& plugin);
    // Serves `bytes` (by default the plugin's package) at /packages/<slug>.pkg;
    // returns the catalogue's component for it.
    PluginComponent publish(const TestPlugin& plugin, const std::optional<std::string>& bytes = {});
    static std::string catalogueJson(const QList<PluginComponent>& components);
    void show(const QList<PluginComponent>& list) { delegate->showManifest({u"Native"_s, u"1"_s, list}); }
    // Puts `c` on the Mac as its package would: bundles of `version`, a receipt, a record entry.
    void putOnMac(const PluginComponent& c, const std::string& version);

    // The window: controls by their object names, each row's checkbox and status line.
    template <class Control = QPushButton> Control* control(const char* name) const
    {
        return delegate->control<Control>(QLatin1String(name));
    }
    QString statusText() const { return control<QLabel>("statusLabel")->text(); }
    QList<QCheckBox*> boxes() const;
    QStringList cards() const;
    // Waits until the window is idle again and an alert is up.
    QMessageBox* waitForOutcome();

    // The disk and the server.
    QStringList pluginsOnDisk() const; // the three plugin folders' entries
    std::vector<std::string> receipts() const { return receiptIdentifiers(world.systemRoot().toStdString()); }
    QStringList downloadFolders() const;
    QByteArray recordBytes() const;
    QStringList requests(const std::string& prefix) const; // paths, in arrival order

    TestWorld world;
    QTemporaryDir serverRoot;
    std::unique_ptr<VendorServer> server;
    std::unique_ptr<AppDelegate> delegate;
};
