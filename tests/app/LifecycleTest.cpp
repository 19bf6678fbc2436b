#include "app/AppDelegate.h"
#include "support/TestEnvironment.h"

#include <gtest/gtest.h>

#include <QLabel>
#include <QPushButton>

namespace {

struct EditionCase
{
    const char* name;
    QVariant value; // invalid: key absent
    const char* edition;
    const char* document;
};

class EditionRules : public ::testing::TestWithParam<EditionCase>
{};

TEST_P(EditionRules, PicksTheCatalogueDocument)
{
    const EditionCase& c = GetParam();
    TestWorld world;
    InfoDictionary info = TestWorld::infoFor(QStringLiteral("http://127.0.0.1:1/catalogue"));
    info.remove(QStringLiteral("BrenvossEdition"));
    if (c.value.isValid())
        info.insert(QStringLiteral("BrenvossEdition"), c.value);
    AppDelegate delegate(world.environment(info));
    EXPECT_EQ(delegate.initialEdition, QString::fromUtf8(c.edition));
    EXPECT_EQ(delegate.activeEdition, QStringLiteral("Native")); // until launch
    delegate.activeEdition = delegate.initialEdition;
    EXPECT_EQ(delegate.manifestURL().path(QUrl::FullyEncoded), QStringLiteral("/catalogue/") + QString::fromUtf8(c.document));
}

INSTANTIATE_TEST_SUITE_P(
    Lifecycle, EditionRules,
    ::testing::Values(EditionCase{"Dsp", QStringLiteral("DSP"), "DSP", "DSP.json"},
                      EditionCase{"LowerCaseKeptVerbatim", QStringLiteral("dsp"), "dsp", "dsp.json"},
                      EditionCase{"Absent", QVariant(), "Native", "Native.json"},
                      EditionCase{"Number", QVariant(7), "Native", "Native.json"},
                      EditionCase{"NotTrimmed", QStringLiteral(" DSP"), " DSP", "%20DSP.json"}),
    [](const auto& testInfo) { return std::string(testInfo.param.name); });

TEST(Lifecycle, InitialStateBeforeLaunch)
{
    TestWorld world;
    AppDelegate delegate(world.environment(TestWorld::infoFor(QStringLiteral("http://127.0.0.1:1/c"))));
    EXPECT_FALSE(delegate.window);
    EXPECT_EQ(delegate.statusLabel->text(), QStringLiteral("Loading plugin list\u2026"));
    EXPECT_EQ(delegate.installButton->text(), QStringLiteral("INSTALL / UPDATE SELECTED"));
    EXPECT_EQ(delegate.uninstallButton->text(), QStringLiteral("UNINSTALL SELECTED"));
    EXPECT_EQ(delegate.installerUpdateButton->text(), QStringLiteral("INSTALLER UPDATE AVAILABLE"));
    EXPECT_EQ(delegate.refreshButton->text(), QStringLiteral("Refresh list"));
    EXPECT_FALSE(delegate.manifest.has_value());
    EXPECT_TRUE(delegate.checkboxes.isEmpty());
    EXPECT_FALSE(delegate.availableInstallerURL.has_value());
    EXPECT_EQ(delegate.lastAutomaticCheck, distantPast());
}

} // namespace
