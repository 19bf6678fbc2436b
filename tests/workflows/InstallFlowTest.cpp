#include "installed/InstalledRecords.h"
#include "simmac/SimulatedMac.h"
#include "workflows/WorkflowFixture.h"

#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalSpy>
#include <filesystem>

namespace {

const TestPlugin alpha{QStringLiteral("alpha"), QStringLiteral("Alpha")};
const TestPlugin beta{QStringLiteral("beta"),
                      QStringLiteral("Beta"),
                      QStringLiteral("2.1"),
                      {QStringLiteral("AU"), QStringLiteral("VST3"), QStringLiteral("AAX")}};
const TestPlugin gamma{QStringLiteral("gamma"), QStringLiteral("Gamma Verb"), std::nullopt};

class InstallFlow : public WorkflowFixture
{
protected:
    // Slows each package down so every status text stays up long enough
    // to be seen by polling.
    void slowPackages(const QList<PluginComponent>& components)
    {
        for (const PluginComponent& c : components) {
            Fault slow;
            slow.delayMs = 150;
            server->setFault("/packages/" + c.slug.toStdString() + ".pkg", slow);
        }
    }

    // Presses the install button and records every status text until the run ends.
    QStringList installAndWatch()
    {
        QStringList texts;
        delegate->installButton->click();
        waitFor(
            [&] {
                const QString text = delegate->statusLabel->text();
                if (texts.isEmpty() || texts.last() != text)
                    texts.append(text);
                return visibleAlert() != nullptr && delegate->refreshButton->isEnabled();
            },
            30000);
        return texts;
    }

    void expectIdleAndClean()
    {
        EXPECT_TRUE(delegate->installButton->isEnabled());
        EXPECT_TRUE(delegate->refreshButton->isEnabled());
        EXPECT_TRUE(leftoverDownloadFolders().isEmpty())
            << leftoverDownloadFolders().join(u',').toStdString();
    }
};

TEST_F(InstallFlow, BatchOfThreeDownloadsVerifiesInstallsAndRecords)
{
    const QList<PluginComponent> components{publish(alpha), publish(beta), publish(gamma)};
    slowPackages(components);
    show(components);
    QSignalSpy progress(delegate->progress.data(), &QProgressBar::valueChanged);

    const QStringList texts = installAndWatch();
    EXPECT_EQ(texts, (QStringList{QStringLiteral("Downloading Alpha (1 of 3)\u2026"),
                                  QStringLiteral("Downloading Beta (2 of 3)\u2026"),
                                  QStringLiteral("Downloading Gamma Verb (3 of 3)\u2026"),
                                  QStringLiteral("Installing selected plugins\u2026"),
                                  QStringLiteral("Installation is complete.")}));
    QList<int> values;
    for (const QList<QVariant>& signal : progress)
        values.append(signal.at(0).toInt());
    EXPECT_EQ(values, (QList<int>{333, 667, 1000})); // 0 was already showing

    QMessageBox* alert = visibleAlert();
    ASSERT_NE(alert, nullptr);
    EXPECT_EQ(textsOf(alert).title, QStringLiteral("Brenvoss Installer"));
    EXPECT_EQ(textsOf(alert).text,
              QStringLiteral("The selected Brenvoss plugins were installed and updated."));

    EXPECT_EQ(packageRequests(),
              (QStringList{QStringLiteral("/packages/alpha.pkg"), QStringLiteral("/packages/beta.pkg"),
                           QStringLiteral("/packages/gamma.pkg")}));
    for (const RecordedRequest& r : server->requests()) {
        EXPECT_EQ(r.header("Cache-Control"), std::optional<std::string>("no-cache, no-store"));
        EXPECT_EQ(r.query.rfind("sha256=", 0), 0u) << r.query;
    }
    for (const QString& path :
         {QStringLiteral("Library/Audio/Plug-Ins/VST3/Alpha.vst3/Contents/Info.plist"),
          QStringLiteral("Library/Audio/Plug-Ins/Components/Beta.component"),
          QStringLiteral("Library/Application Support/Avid/Audio/Plug-Ins/Beta.aaxplugin"),
          QStringLiteral("Library/Audio/Plug-Ins/VST3/Gamma Verb.vst3")})
        EXPECT_TRUE(bundleExists(path)) << path.toStdString();
    EXPECT_TRUE(receiptExists(world.systemRoot().toStdString(), "audio.brenvoss.tesselar.native.beta"));

    const InstalledRecords record = delegate->loadInstalledRecords();
    EXPECT_EQ(record.size(), 3);
    EXPECT_EQ(record.value(QStringLiteral("beta")), components[1].sha256);
    expectIdleAndClean();

    // The cards now tell what is installed, and up-to-date rows are unticked.
    EXPECT_EQ(delegate->rowStatusLabels[0]->text(), QStringLiteral("v1.0.0  \u2022  \u2713 Up to date"));
    EXPECT_EQ(delegate->rowStatusLabels[2]->text(), QStringLiteral("\u2713 Up to date")); // by the record
    EXPECT_FALSE(delegate->checkboxes[0].first->isChecked());
}

TEST_F(InstallFlow, NothingSelectedChangesNothing)
{
    show({publish(alpha)});
    delegate->selectNone();
    delegate->installButton->click();
    QMessageBox* alert = visibleAlert();
    ASSERT_NE(alert, nullptr);
    EXPECT_EQ(textsOf(alert).title, QStringLiteral("Brenvoss Installer"));
    EXPECT_EQ(textsOf(alert).text, QStringLiteral("Select at least one plugin."));
    EXPECT_TRUE(delegate->installButton->isEnabled());
    EXPECT_TRUE(QDir(world.temporary()).isEmpty());
    EXPECT_TRUE(packageRequests().isEmpty());
}

TEST_F(InstallFlow, NamesShowAsWrittenAndARepeatedPackageNameStopsTheRunBeforeAnyDownload)
{
    const struct
    {
        QString name;
        QString repeatedSlug; // the later plugin's slug, alpha's package name again
    } cases[] = {{QStringLiteral("50%1 Mix %2"), QStringLiteral("alpha")},
                 {QStringLiteral("R&B <b>Bold</b> %L1"), QStringLiteral("Alpha")},
                 {QStringLiteral("%%1 100% & %3"), QStringLiteral("ALPHA")}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name.toStdString());
        server->clearRequests();
        PluginComponent hostile = publish(beta);
        hostile.name = c.name;
        hostile.sha256 = QStringLiteral("0").repeated(64);
        show({hostile, publish(gamma)});
        EXPECT_EQ(installAndWatch().value(0),
                  QStringLiteral("Downloading ") + c.name + QStringLiteral(" (1 of 2)\u2026"));
        QMessageBox* alert = visibleAlert();
        ASSERT_NE(alert, nullptr);
        EXPECT_EQ(textsOf(alert).title, c.name + QStringLiteral(" could not be downloaded"));
        EXPECT_EQ(textsOf(alert).text,
                  QStringLiteral("The security check for ") + c.name + QStringLiteral(" failed."));
        EXPECT_EQ(packageRequests(), QStringList{QStringLiteral("/packages/beta.pkg")}); // not the next one
        dismissAlerts();

        server->clearRequests();
        hostile = publish(beta);
        hostile.name = c.name;
        hostile.slug = c.repeatedSlug;
        show({publish(alpha), hostile});
        delegate->installButton->click();
        alert = waitForOutcome();
        ASSERT_NE(alert, nullptr);
        EXPECT_EQ(textsOf(alert).title, c.name + QStringLiteral(" could not be downloaded"));
        EXPECT_EQ(textsOf(alert).text,
                  QStringLiteral("Another selected plugin has the same package name as ") + c.name +
                      QStringLiteral("."));
        EXPECT_TRUE(packageRequests().isEmpty());
        EXPECT_TRUE(QDir(world.temporary()).isEmpty()); // no folder was even made
        EXPECT_TRUE(recordText().isEmpty());
        EXPECT_TRUE(delegate->installButton->isEnabled());
        dismissAlerts();
    }
}

TEST_F(InstallFlow, AutomaticRecheckWaitsUntilTheRunHasReported)
{
    show({publish(alpha)});
    server->setFault("/packages/alpha.pkg", Fault{.delayMs = 500});
    const QDateTime lastCheck = delegate->lastAutomaticCheck = world.clock->now;
    world.clock->advance(901);
    delegate->installButton->click();
    delegate->applicationDidBecomeActive();             // as when the password prompt closes
    EXPECT_EQ(delegate->lastAutomaticCheck, lastCheck); // so the next activation does it
    QMessageBox* alert = waitForOutcome();
    ASSERT_NE(alert, nullptr);
    EXPECT_EQ(textsOf(alert).text,
              QStringLiteral("The selected Brenvoss plugins were installed and updated."));
    for (const RecordedRequest& r : server->requests())
        EXPECT_EQ(r.path.rfind("/catalogue/", 0), std::string::npos) << r.path;
}

TEST_F(InstallFlow, CatalogueLandingMidRunChangesNothing)
{
    const std::string catalogue = catalogueJson({publish(alpha)});
    server->putFile("/catalogue/Native.json", catalogue);
    server->putFile("/catalogue/DSP.json", catalogue);
    server->setFault("/catalogue/DSP.json", Fault{.delayMs = 1000});
    server->setFault("/packages/alpha.pkg", Fault{.delayMs = 4000});
    // The two loads of a launch: the start-up's, then the first activation's,
    // which here takes the slower document so that it lands after the first.
    delegate->loadManifest();
    delegate->activeEdition = QStringLiteral("DSP");
    delegate->applicationDidBecomeActive();
    ASSERT_TRUE(waitFor([&] { return delegate->installButton->isEnabled(); }));
    const QPointer<QCheckBox> row = delegate->checkboxes.front().first;
    delegate->installButton->click();

    waitFor([] { return false; }, 2500); // the second load lands meanwhile
    EXPECT_FALSE(row.isNull());          // the list was not rebuilt
    EXPECT_FALSE(delegate->installButton->isEnabled());
    EXPECT_FALSE(delegate->refreshButton->isEnabled());
    EXPECT_EQ(delegate->statusLabel->text(), QStringLiteral("Downloading Alpha (1 of 1)\u2026"));

    QMessageBox* alert = waitForOutcome();
    ASSERT_NE(alert, nullptr);
    EXPECT_EQ(textsOf(alert).text,
              QStringLiteral("The selected Brenvoss plugins were installed and updated."));
    EXPECT_FALSE(row.isNull());
}

TEST_F(InstallFlow, SecondOfThreeFailingInTheInstallerLeavesTheFirstInstalledAndUnrecorded)
{
    const QList<PluginComponent> components{publish(alpha), publishBytes(beta, "not a package"),
                                            publish(gamma)};
    show(components);
    delegate->installButton->click();
    QMessageBox* alert = waitForOutcome();
    ASSERT_NE(alert, nullptr);
    EXPECT_EQ(textsOf(alert).title, QStringLiteral("Installation could not be completed"));
    EXPECT_TRUE(textsOf(alert).text.contains(QStringLiteral("installer")))
        << textsOf(alert).text.toStdString();
    EXPECT_TRUE(bundleExists(QStringLiteral("Library/Audio/Plug-Ins/VST3/Alpha.vst3")));
    EXPECT_FALSE(bundleExists(QStringLiteral("Library/Audio/Plug-Ins/VST3/Gamma Verb.vst3")));
    EXPECT_TRUE(recordText().isEmpty());
    // The card of the package that did go in says so.
    EXPECT_EQ(delegate->rowStatusLabels[0]->text(), QStringLiteral("v1.0.0  \u2022  \u2713 Up to date"));
    expectIdleAndClean();
}

TEST_F(InstallFlow, EndingTheAppMidDownloadLeavesNoPackageBehind)
{
    const QList<PluginComponent> components{publish(alpha), publish(beta)};
    Fault slow;
    slow.delayMs = 2000;
    server->setFault("/packages/beta.pkg", slow);
    show(components);
    delegate->installButton->click();
    ASSERT_TRUE(waitFor(
        [&] { return delegate->statusLabel->text() == QStringLiteral("Downloading Beta (2 of 2)\u2026"); }));
    ASSERT_FALSE(leftoverDownloadFolders().isEmpty()); // alpha.pkg is waiting in it
    // Only the user may read or enter it.
    EXPECT_EQ(std::filesystem::status(
                  (world.temporary() + QLatin1Char('/') + leftoverDownloadFolders()[0]).toStdString())
                  .permissions(),
              std::filesystem::perms::owner_all);
    delegate.reset();
    EXPECT_TRUE(leftoverDownloadFolders().isEmpty());
    EXPECT_FALSE(bundleExists(QStringLiteral("Library/Audio/Plug-Ins/VST3/Alpha.vst3")));
}

} // namespace
