// Uninstalling on the simulated Mac. Cancelled authorisation, osascript
// missing and the record left unwritable are rows of the fault matrix.
#include "installed/InstalledRecords.h"
#include "simmac/SimulatedMac.h"
#include "workflows/WorkflowFixture.h"

#include <QCheckBox>
#include <QLabel>
#include <QPushButton>

namespace {

const TestPlugin alpha{QStringLiteral("alpha"),
                       QStringLiteral("Alpha"),
                       QStringLiteral("1.0.0"),
                       {QStringLiteral("AU"), QStringLiteral("VST3")}};
const TestPlugin beta{
    QStringLiteral("beta"), QStringLiteral("Beta"), QStringLiteral("2.0"), {QStringLiteral("AAX")}};

class UninstallFlow : public WorkflowFixture
{
protected:
    // Puts a plugin on the simulated Mac as its package would: bundles, a
    // receipt listing them, and a record entry.
    PluginComponent installed(const TestPlugin& plugin, const QString& bundleVersion = QStringLiteral("0.9"))
    {
        PluginComponent c = publish(plugin);
        const std::string root = world.systemRoot().toStdString();
        std::vector<std::string> paths;
        for (const QString& format : plugin.formats) {
            const QString path = bundlePath(plugin, format);
            installBundle(root, "/" + path.toStdString(), bundleVersion.toStdString());
            paths.push_back(path.toStdString());
            paths.push_back((path + QStringLiteral("/Contents/Info.plist")).toStdString());
        }
        writeReceipt(root, c.packageId.toStdString(), paths);
        InstalledRecords record = readInstalledRecords(delegate->installedRecordsPath());
        record.insert(c.slug, c.sha256);
        writeInstalledRecords(delegate->installedRecordsPath(), record);
        return c;
    }

    // Presses "UNINSTALL SELECTED" and answers the confirmation.
    AlertTexts confirm(const QString& answer)
    {
        delegate->uninstallButton->click();
        QMessageBox* confirmation = waitForAlert();
        if (!confirmation)
            return {};
        const AlertTexts texts = textsOf(confirmation);
        EXPECT_EQ(confirmation->windowModality(), Qt::ApplicationModal);
        pressAlertButton(confirmation, answer);
        return texts;
    }
};

TEST_F(UninstallFlow, RemovesBundlesReceiptsAndRecordEntries)
{
    const PluginComponent a = installed(alpha);
    const PluginComponent b = installed(beta);
    show({a, b});
    ASSERT_EQ(delegate->rowStatusLabels[0]->text(),
              QStringLiteral("v0.9 \u2192 v1.0.0  \u2022  \u2191 Update"));

    const AlertTexts question = confirm(QStringLiteral("Uninstall selected"));
    EXPECT_EQ(question.title, QStringLiteral("Uninstall 2 selected plugins?"));
    EXPECT_EQ(question.text,
              QStringLiteral("Close Pro Tools and all other audio applications first. AU, VST3 and AAX "
                             "files for the selected plugins will be removed."));
    EXPECT_EQ(question.buttons,
              (QStringList{QStringLiteral("Uninstall selected"), QStringLiteral("Cancel")}));
    EXPECT_EQ(delegate->statusLabel->text(), QStringLiteral("Finding installed plugin files\u2026"));
    EXPECT_FALSE(delegate->installButton->isEnabled());

    QMessageBox* done = waitForOutcome();
    ASSERT_NE(done, nullptr);
    EXPECT_EQ(textsOf(done).title, QStringLiteral("Brenvoss Installer"));
    EXPECT_EQ(textsOf(done).text, QStringLiteral("The selected Brenvoss plugins were uninstalled."));
    EXPECT_EQ(delegate->statusLabel->text(), QStringLiteral("Uninstallation is complete."));
    for (const TestPlugin& plugin : {alpha, beta})
        for (const QString& format : plugin.formats)
            EXPECT_FALSE(bundleExists(bundlePath(plugin, format)))
                << bundlePath(plugin, format).toStdString();
    EXPECT_FALSE(receiptExists(world.systemRoot().toStdString(), a.packageId.toStdString()));
    EXPECT_FALSE(receiptExists(world.systemRoot().toStdString(), b.packageId.toStdString()));
    EXPECT_TRUE(delegate->loadInstalledRecords().isEmpty());
    EXPECT_EQ(delegate->rowStatusLabels[0]->text(), QStringLiteral("v1.0.0  \u2022  Not installed"));
    EXPECT_EQ(delegate->rowStatusLabels[1]->text(), QStringLiteral("v2.0  \u2022  Not installed"));
    EXPECT_TRUE(delegate->uninstallButton->isEnabled());
}

TEST_F(UninstallFlow, NothingSelectedOrCancelChangesNothing)
{
    const PluginComponent a = installed(alpha);
    show({a, installed(beta)});
    delegate->selectNone();
    delegate->uninstallButton->click();
    ASSERT_NE(visibleAlert(), nullptr);
    EXPECT_EQ(textsOf(visibleAlert()).text, QStringLiteral("Select at least one plugin."));
    dismissAlerts();

    delegate->checkboxes[0].first->setChecked(true);
    EXPECT_EQ(confirm(QStringLiteral("Cancel")).title, QStringLiteral("Uninstall 1 selected plugin?"));
    EXPECT_EQ(visibleAlert(), nullptr);
    EXPECT_TRUE(delegate->installButton->isEnabled());
    EXPECT_TRUE(bundleExists(bundlePath(alpha, QStringLiteral("VST3"))));
    EXPECT_TRUE(receiptExists(world.systemRoot().toStdString(), a.packageId.toStdString()));
}

TEST_F(UninstallFlow, NothingFound)
{
    PluginComponent ghost = publish(alpha);
    ghost.installPaths.reset();
    show({ghost});
    confirm(QStringLiteral("Uninstall selected"));
    QMessageBox* alert = waitForOutcome();
    ASSERT_NE(alert, nullptr);
    EXPECT_EQ(textsOf(alert).text, QStringLiteral("No installed files were found for the selected plugins."));
    EXPECT_TRUE(delegate->installButton->isEnabled());
}

TEST_F(UninstallFlow, ProtectedBundleStopsTheRemovalAndTheCardsShowWhatIsLeft)
{
    const PluginComponent a = installed(alpha);
    show({a});
    protectPath(
        world.systemRoot().toStdString(),
        (world.systemRoot() + QLatin1Char('/') + bundlePath(alpha, QStringLiteral("VST3"))).toStdString());
    confirm(QStringLiteral("Uninstall selected"));
    QMessageBox* alert = waitForOutcome();
    ASSERT_NE(alert, nullptr);
    EXPECT_TRUE(textsOf(alert).text.contains(QStringLiteral("Operation not permitted")));
    // The AU bundle (sorted first) went; the protected VST3 and the receipt stay.
    EXPECT_FALSE(bundleExists(bundlePath(alpha, QStringLiteral("AU"))));
    EXPECT_TRUE(receiptExists(world.systemRoot().toStdString(), a.packageId.toStdString()));
    EXPECT_EQ(delegate->rowStatusLabels[0]->text(),
              QStringLiteral("v0.9 \u2192 v1.0.0  \u2022  \u2191 Update"));
}

} // namespace
