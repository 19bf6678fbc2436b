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

// Until launch: no window, no automatic check yet, the Native edition; the
// bundle's edition is taken verbatim and picks the catalogue document.
TEST(Lifecycle, BeforeLaunchAndTheEditionsCatalogueDocument)
{
    const struct
    {
        QVariant value; // invalid: key absent
        const char* edition;
        const char* document;
    } cases[] = {{QStringLiteral("DSP"), "DSP", "DSP.json"},
                 {QStringLiteral("dsp"), "dsp", "dsp.json"},
                 {QVariant(), "Native", "Native.json"},
                 {QVariant(7), "Native", "Native.json"},
                 {QStringLiteral(" DSP"), " DSP", "%20DSP.json"}};
    for (const auto& c : cases) {
        TestWorld world;
        InfoDictionary info = TestWorld::infoFor(QStringLiteral("http://127.0.0.1:1/catalogue"));
        info.remove(QStringLiteral("BrenvossEdition"));
        if (c.value.isValid())
            info.insert(QStringLiteral("BrenvossEdition"), c.value);
        AppDelegate delegate(world.environment(info));
        EXPECT_FALSE(delegate.window);
        EXPECT_EQ(delegate.lastAutomaticCheck, distantPast);
        EXPECT_EQ(delegate.activeEdition, QStringLiteral("Native"));
        EXPECT_EQ(delegate.initialEdition, QString::fromUtf8(c.edition));
        delegate.activeEdition = delegate.initialEdition;
        EXPECT_EQ(delegate.manifestURL().path(QUrl::FullyEncoded),
                  QStringLiteral("/catalogue/") + QString::fromUtf8(c.document));
    }
}

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

// Start-up and the first activation each load and check; later activations
// only after more than 900 s; a refresh any time, without moving that clock.
TEST_F(LaunchFixture, LaunchActivationsAndRefresh)
{
    delegate->applicationDidFinishLaunching();
    ASSERT_TRUE(delegate->window && delegate->window->isVisible());
    EXPECT_EQ(delegate->lastAutomaticCheck, distantPast); // start-up leaves it alone
    delegate->applicationDidBecomeActive();
    EXPECT_EQ(delegate->lastAutomaticCheck, world.clock->now);
    ASSERT_TRUE(seen(2, 2));
    const QDateTime first = delegate->lastAutomaticCheck;

    world.clock->advance(900); // exactly 900 s: nothing
    delegate->applicationDidBecomeActive();
    EXPECT_EQ(delegate->lastAutomaticCheck, first);
    world.clock->now = world.clock->now.addMSecs(1); // just past: load and check again
    delegate->applicationDidBecomeActive();
    EXPECT_EQ(delegate->lastAutomaticCheck, world.clock->now);
    ASSERT_TRUE(seen(3, 3));

    ASSERT_TRUE(waitFor([&] { return delegate->refreshButton->isEnabled(); }));
    world.clock->advance(5);
    delegate->refresh();
    EXPECT_TRUE(seen(4, 4));
    EXPECT_EQ(delegate->lastAutomaticCheck, first.addSecs(900).addMSecs(1));
}

} // namespace
