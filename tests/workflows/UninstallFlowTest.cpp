// Uninstalling on the simulated Mac: the road that succeeds. Every other
// outcome, a cancelled question among them, is a row of the fault matrix.
#include "installed/InstalledRecords.h"
#include "workflows/WorkflowFixture.h"

namespace {

using UninstallFlow = WorkflowFixture;

TEST_F(UninstallFlow, RemovesBundlesReceiptsAndRecordEntries)
{
    const QList<PluginComponent> components{publish(alpha), publish(beta)};
    for (const PluginComponent& c : components)
        putOnMac(c, "0.9");
    show(components);
    ASSERT_EQ(cards()[0], u"v0.9 \u2192 v1.0.0  \u2022  \u2191 Update"_s);

    control("uninstallButton")->click();
    QMessageBox* question = waitForAlert();
    ASSERT_NE(question, nullptr);
    EXPECT_EQ(question->windowModality(), Qt::ApplicationModal);
    EXPECT_EQ(textsOf(question).title, u"Uninstall 2 selected plugins?"_s);
    EXPECT_EQ(textsOf(question).text,
              u"Close Pro Tools and all other audio applications first. AU, VST3 and AAX "
              u"files for the selected plugins will be removed."_s);
    EXPECT_EQ(textsOf(question).buttons, (QStringList{u"Uninstall selected"_s, u"Cancel"_s}));
    pressAlertButton(question, u"Uninstall selected"_s);
    EXPECT_EQ(statusText(), u"Finding installed plugin files\u2026"_s);
    EXPECT_FALSE(control("installButton")->isEnabled());

    QMessageBox* done = waitForOutcome();
    ASSERT_NE(done, nullptr);
    EXPECT_EQ(textsOf(done).text, u"The selected Brenvoss plugins were uninstalled."_s);
    EXPECT_EQ(statusText(), u"Uninstallation is complete."_s);
    EXPECT_TRUE(pluginsOnDisk().isEmpty());
    EXPECT_TRUE(receipts().empty());
    EXPECT_TRUE(delegate->loadInstalledRecords().isEmpty());
    EXPECT_EQ(cards(), (QStringList{u"v1.0.0  \u2022  Not installed"_s, u"v2.1  \u2022  Not installed"_s}));
    EXPECT_TRUE(control("uninstallButton")->isEnabled());
}

} // namespace
