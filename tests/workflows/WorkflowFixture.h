#pragma once

// An AppDelegate with its window, a local vendor server and a simulated Mac:
// the whole app, end to end, with nothing outside the test's folders.
#include "app/AppDelegate.h"
#include "support/Alerts.h"
#include "support/TestEnvironment.h"
#include "vendorserver/VendorServer.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <memory>
#include <optional>
#include <string>

struct TestPlugin
{
    QString slug;
    QString name;
    std::optional<QString> pluginVersion = QStringLiteral("1.0.0");
    QStringList formats = {QStringLiteral("VST3")};
};

class WorkflowFixture : public ::testing::Test
{
public:
    void SetUp() override;
    void TearDown() override;

    // A package for `plugin`: a bundle per format carrying its version.
    std::string packageFor(const TestPlugin& plugin) const;
    // Serves the package at /packages/<slug>.pkg and returns its component.
    PluginComponent publish(const TestPlugin& plugin);
    PluginComponent publishBytes(const TestPlugin& plugin, const std::string& bytes);
    // Shows a catalogue of `components` in the window, as a load would.
    void show(const QList<PluginComponent>& components);
    // The catalogue document of `components`, as the vendor serves it.
    static std::string catalogueJson(const QList<PluginComponent>& components);
    // Starts the app afresh over `env`, its window built.
    void relaunch(const Environment& env);

    QString bundlePath(const TestPlugin& plugin, const QString& format) const; // receipt-style
    bool bundleExists(const QString& receiptPath) const;
    QStringList leftoverDownloadFolders() const;
    QString recordText() const;
    QStringList packageRequests() const; // paths, in arrival order

    // Waits until the window is idle again and an alert is up.
    QMessageBox* waitForOutcome();

    TestWorld world;
    QTemporaryDir serverRoot;
    std::unique_ptr<VendorServer> server;
    std::unique_ptr<AppDelegate> delegate;
};
