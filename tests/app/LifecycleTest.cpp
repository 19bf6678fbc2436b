#include "app/AppDelegate.h"
#include "support/Alerts.h"
#include "support/TestEnvironment.h"
#include "vendorserver/VendorServer.h"

#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>
#include <QWidget>
#include <gtest/gtest.h>

namespace {

// Where the automatic re-check starts from, so that the first activation runs it.
const QDateTime distantPast(QDate(1, 1, 1), QTime(0, 0), Qt::UTC);

struct EditionCase
{
    const char* name;
    QVariant value; // invalid: key absent
    const char* edition;
    const char* document;
};

class EditionRules : public ::testing::TestWithParam<EditionCase>
{
};

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
    EXPECT_EQ(delegate.manifestURL().path(QUrl::FullyEncoded),
              QStringLiteral("/catalogue/") + QString::fromUtf8(c.document));
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
    EXPECT_EQ(delegate.lastAutomaticCheck, distantPast);
}

} // namespace

namespace {

// Counts what the app asked the vendor server for.
class LaunchFixture : public ::testing::Test
{
protected:
    void SetUp() override
    {
        server = std::make_unique<VendorServer>(root.path().toStdString());
        ASSERT_TRUE(server->start());
        server->putFile("/catalogue/Native.json",
                        R"({"edition":"Native","collectionVersion":"1","components":[]})");
        world.releaseURL = QUrl(QString::fromStdString(server->baseUrl()) +
                                QStringLiteral("/downloads/tesselar/installer-latest.json"));
        delegate = std::make_unique<AppDelegate>(world.environment(
            TestWorld::infoFor(QString::fromStdString(server->baseUrl()) + QStringLiteral("/catalogue"))));
    }

    void TearDown() override { dismissAlerts(); }

    int count(const std::string& path) const
    {
        int n = 0;
        for (const RecordedRequest& r : server->requests())
            n += r.path == path ? 1 : 0;
        return n;
    }

    // Waits until the server has seen `loads` catalogue and `checks` release requests.
    bool seen(int loads, int checks)
    {
        return waitFor([&] {
                   return count("/catalogue/Native.json") >= loads &&
                          count("/downloads/tesselar/installer-latest.json") >= checks;
               }) &&
               count("/catalogue/Native.json") == loads &&
               count("/downloads/tesselar/installer-latest.json") == checks;
    }

    QTemporaryDir root;
    TestWorld world;
    std::unique_ptr<VendorServer> server;
    std::unique_ptr<AppDelegate> delegate;
};

TEST_F(LaunchFixture, LaunchThenFirstActivationLoadAndCheckTwice)
{
    delegate->applicationDidFinishLaunching();
    ASSERT_TRUE(delegate->window);
    EXPECT_TRUE(delegate->window->isVisible());
    EXPECT_EQ(delegate->lastAutomaticCheck, distantPast); // start-up leaves it alone
    delegate->applicationDidBecomeActive();
    EXPECT_EQ(delegate->lastAutomaticCheck, world.clock->now);
    EXPECT_TRUE(seen(2, 2));
}

TEST_F(LaunchFixture, ActivationBeforeLaunchLoadsNothing)
{
    // A DSP build: an early load would ask for the Native catalogue.
    delegate = std::make_unique<AppDelegate>(world.environment(TestWorld::infoFor(
        QString::fromStdString(server->baseUrl()) + QStringLiteral("/catalogue"), QStringLiteral("DSP"))));
    delegate->applicationDidBecomeActive();
    EXPECT_EQ(delegate->lastAutomaticCheck, distantPast);
    delegate->applicationDidFinishLaunching();
    ASSERT_TRUE(waitFor([&] { return delegate->refreshButton->isEnabled(); }));
    EXPECT_EQ(count("/catalogue/DSP.json"), 1);
    EXPECT_EQ(count("/catalogue/Native.json"), 0);
}

TEST_F(LaunchFixture, AutomaticRecheckOnlyAfterMoreThan900Seconds)
{
    delegate->applicationDidFinishLaunching();
    delegate->applicationDidBecomeActive();
    ASSERT_TRUE(seen(2, 2));
    const QDateTime first = delegate->lastAutomaticCheck;

    world.clock->advance(900); // exactly 900 s: nothing
    delegate->applicationDidBecomeActive();
    EXPECT_EQ(delegate->lastAutomaticCheck, first);

    world.clock->now = world.clock->now.addMSecs(1); // just past: load and check again
    delegate->applicationDidBecomeActive();
    EXPECT_EQ(delegate->lastAutomaticCheck, world.clock->now);
    EXPECT_TRUE(seen(3, 3));
}

TEST_F(LaunchFixture, RefreshLoadsAndChecksWithoutMovingTheAutomaticCheck)
{
    delegate->applicationDidFinishLaunching();
    ASSERT_TRUE(seen(1, 1));
    ASSERT_TRUE(waitFor([&] { return delegate->refreshButton->isEnabled(); }));
    delegate->refresh();
    ASSERT_TRUE(waitFor([&] { return delegate->refreshButton->isEnabled(); }));
    delegate->refresh();
    EXPECT_TRUE(seen(3, 3));
    EXPECT_EQ(delegate->lastAutomaticCheck, distantPast);
}

} // namespace
