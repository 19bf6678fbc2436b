// Installing and uninstalling on the simulated Mac: the roads that succeed,
// and what the fault matrix cannot express. Every other failure is a row of it.
#include "workflows/WorkflowFixture.h"

#include <QPointer>
#include <QProgressBar>
#include <QSignalSpy>
#include <filesystem>

namespace {

using Flow = WorkflowFixture;

TEST_F(Flow, BatchOfThreeDownloadsVerifiesInstallsAndRecords)
{
    const QList<PluginComponent> components{publish(alpha), publish(beta), publish(gammaVerb)};
    for (const PluginComponent& c : components) // every status text stays up long enough to be seen
        server->setFault("/packages/" + c.slug.toStdString() + ".pkg", Fault{.delayMs = 150});
    show(components);
    QSignalSpy progress(control<QProgressBar>("progress"), &QProgressBar::valueChanged);

    // Every status text of the run, as it shows.
    QStringList texts;
    control("installButton")->click();
    ASSERT_TRUE(waitFor(
        [&] { return (texts << statusText(), visibleAlert() && control("refreshButton")->isEnabled()); },
        30000));
    texts.removeDuplicates();
    EXPECT_EQ(texts, (QStringList{u"Downloading Alpha (1 of 3)\u2026"_s, u"Downloading Beta (2 of 3)\u2026"_s,
                                  u"Downloading Gamma Verb (3 of 3)\u2026"_s,
                                  u"Installing selected plugins\u2026"_s, u"Installation is complete."_s}));
    QList<int> values;
    for (const QList<QVariant>& signal : progress)
        values.append(signal.at(0).toInt());
    EXPECT_EQ(values, (QList<int>{333, 667, 1000})); // 0 was already showing

    EXPECT_EQ(requests("/"),
              (QStringList{u"/packages/alpha.pkg"_s, u"/packages/beta.pkg"_s, u"/packages/gamma.pkg"_s}));
    for (const RecordedRequest& r : server->requests())
        EXPECT_TRUE(r.query.starts_with("sha256=")) << r.query;
    EXPECT_EQ(pluginsOnDisk(), (QStringList{u"Alpha.component"_s, u"Beta.component"_s, u"Alpha.vst3"_s,
                                            u"Beta.vst3"_s, u"Gamma Verb.vst3"_s, u"Beta.aaxplugin"_s}));
    // The cards now tell what is installed (Gamma by the record), and up-to-date rows are unticked.
    EXPECT_EQ(cards(), (QStringList{u"v1.0.0  \u2022  \u2713 Up to date"_s,
                                    u"v2.1  \u2022  \u2713 Up to date"_s, u"\u2713 Up to date"_s}));
    EXPECT_FALSE(boxes()[0]->isChecked());
}

TEST_F(Flow, AKeyedBundleLoadsASignedCatalogueAndInstallsFromIt)
{
    const std::string catalogue = catalogueJson({publish(alpha)});
    server->putFile("/catalogue/Native.json", catalogue);
    server->putFile("/catalogue/Native.json.sig", signatureOf(catalogue));
    relaunchKeyed();
    delegate->loadManifest();
    ASSERT_TRUE(waitFor([&] { return !boxes().isEmpty() && control("refreshButton")->isEnabled(); }));
    QStringList fetched = requests("/catalogue");
    fetched.sort();
    EXPECT_EQ(fetched, (QStringList{u"/catalogue/Native.json"_s, u"/catalogue/Native.json.sig"_s}));
    for (const RecordedRequest& r : server->requests())
        EXPECT_EQ(r.header("Cache-Control"), std::optional<std::string>("no-cache, no-store"));

    control("installButton")->click();
    ASSERT_NE(waitForOutcome(), nullptr);
    EXPECT_EQ(textsOf(visibleAlert()).text, u"The selected Brenvoss plugins were installed and updated."_s);
    EXPECT_EQ(pluginsOnDisk(), (QStringList{u"Alpha.component"_s, u"Alpha.vst3"_s}));
}

TEST_F(Flow, NamesShowAsWrittenAndARepeatedPackageNameStopsTheRunBeforeAnyDownload)
{
    // A name with every kind of text that could be taken for markup or a placeholder.
    const QString name = u"50%1 R&B <b>Bold</b> %L1 %%2 100% & %3"_s;
    PluginComponent hostile = publish(beta);
    hostile.name = name;
    hostile.sha256 = u"0"_s.repeated(64);
    show({hostile, publish(gammaVerb)});
    control("installButton")->click();
    EXPECT_EQ(statusText(), u"Downloading "_s + name + u" (1 of 2)\u2026"_s);
    ASSERT_NE(waitForOutcome(), nullptr);
    EXPECT_EQ(textsOf(visibleAlert()).title, name + u" could not be downloaded"_s);
    EXPECT_EQ(textsOf(visibleAlert()).text, u"The security check for "_s + name + u" failed."_s);
    EXPECT_EQ(requests("/"), QStringList{u"/packages/beta.pkg"_s}); // and not the next one
    dismissAlerts();

    // Again with alpha's package name in another letter case.
    server->clearRequests();
    hostile.slug = u"Alpha"_s;
    show({publish(alpha), hostile});
    control("installButton")->click();
    ASSERT_NE(waitForOutcome(), nullptr);
    EXPECT_EQ(textsOf(visibleAlert()).title, name + u" could not be downloaded"_s);
    EXPECT_EQ(textsOf(visibleAlert()).text,
              u"Another selected plugin has the same package name as "_s + name + u"."_s);
    EXPECT_TRUE(requests("/").isEmpty());
    EXPECT_TRUE(QDir(world.temporary()).isEmpty()); // no folder was even made
}

TEST_F(Flow, ARunOwnsTheWindowUntilItHasReported)
{
    server->putFile("/catalogue/Native.json", catalogueJson({publish(alpha)}));
    server->setFault("/catalogue/Native.json", Fault{.delayMs = 1000});
    server->setFault("/packages/alpha.pkg", Fault{.delayMs = 3000});
    // The two loads of a launch, the start-up's and the first activation's:
    // the later lands after the list is up and an installation has started.
    delegate->loadManifest();
    waitFor([] { return false; }, 500);
    delegate->applicationDidBecomeActive();
    ASSERT_TRUE(waitFor([&] { return control("installButton")->isEnabled(); }));
    const QPointer<QCheckBox> row = boxes().value(0);
    control("installButton")->click();
    waitFor([] { return false; }, 1500);
    EXPECT_FALSE(row.isNull()); // the list was not rebuilt
    EXPECT_EQ(statusText(), u"Downloading Alpha (1 of 1)\u2026"_s);

    // An activation during the run (the password prompt closing) leaves the
    // automatic re-check to the next one.
    server->clearRequests();
    world.clock->advance(901);
    delegate->applicationDidBecomeActive();
    ASSERT_NE(waitForOutcome(), nullptr);
    EXPECT_FALSE(row.isNull());
    EXPECT_TRUE(requests("/catalogue/").isEmpty());
    dismissAlerts();
    delegate->applicationDidBecomeActive();
    EXPECT_TRUE(waitFor([&] { return !requests("/catalogue/").isEmpty(); }));
}

TEST_F(Flow, EndingTheAppMidDownloadLeavesNoPackageBehind)
{
    const QList<PluginComponent> components{publish(alpha), publish(beta)};
    server->setFault("/packages/beta.pkg", Fault{.delayMs = 2000});
    show(components);
    control("installButton")->click();
    ASSERT_TRUE(waitFor([&] { return statusText() == u"Downloading Beta (2 of 2)\u2026"_s; }));
    ASSERT_EQ(downloadFolders().size(), 1); // alpha.pkg is waiting in it
    // Only the user may read or enter it.
    EXPECT_EQ(std::filesystem::status((world.temporary() + u'/' + downloadFolders()[0]).toStdString())
                  .permissions(),
              std::filesystem::perms::owner_all);
    delegate.reset();
    EXPECT_TRUE(downloadFolders().isEmpty());
    EXPECT_TRUE(pluginsOnDisk().isEmpty());
}

TEST_F(Flow, RemovesBundlesReceiptsAndRecordEntries)
{
    const QList<PluginComponent> components{publish(alpha), publish(beta)};
    for (const PluginComponent& c : components)
        putOnMac(c, "0.9");
    show(components);

    control("uninstallButton")->click();
    QMessageBox* question = waitForAlert();
    ASSERT_NE(question, nullptr);
    EXPECT_EQ(question->windowModality(), Qt::ApplicationModal);
    EXPECT_EQ(
        textsOf(question).joined(),
        u"Uninstall 2 selected plugins?|Close Pro Tools and all other audio applications first. AU, VST3 "
        u"and AAX files for the selected plugins will be removed.|Uninstall selected,Cancel"_s);
    pressAlertButton(question, u"Uninstall selected"_s);
    EXPECT_EQ(statusText(), u"Finding installed plugin files\u2026"_s);
    EXPECT_FALSE(control("installButton")->isEnabled());

    ASSERT_NE(waitForOutcome(), nullptr);
    EXPECT_EQ(statusText(), u"Uninstallation is complete."_s);
    EXPECT_TRUE(pluginsOnDisk().isEmpty());
    EXPECT_EQ(cards(), (QStringList{u"v1.0.0  \u2022  Not installed"_s, u"v2.1  \u2022  Not installed"_s}));
}

} // namespace
