#include "app/AppDelegate.h"
#include "support/Alerts.h"
#include "support/TestEnvironment.h"
#include "vendorserver/VendorServer.h"

#include <QApplication>
#include <QPushButton>
#include <gtest/gtest.h>

namespace {

// An edition taken verbatim, as one path component of its catalogue.
const std::string oddEdition = " DSP/../b?c";
const std::string release = "/downloads/tesselar/installer-latest.json";

class Lifecycle : public ::testing::Test
{
protected:
    void SetUp() override { ASSERT_TRUE(server.start()); }
    void TearDown() override { dismissAlerts(); }

    // An app whose bundle names `edition` (invalid: no text, as if absent).
    void make(const QVariant& edition)
    {
        world.releaseURL = QUrl(QString::fromStdString(server.baseUrl() + release));
        InfoDictionary info = TestWorld::infoFor(QString::fromStdString(server.baseUrl() + "/catalogue"));
        info.insert(QStringLiteral("BrenvossEdition"), edition);
        delegate = std::make_unique<AppDelegate>(world.environment(info));
    }

    int count(const std::string& path) const
    {
        const auto requests = server.requests();
        return int(std::count_if(requests.begin(), requests.end(), [&](auto& r) { return r.path == path; }));
    }

    // Waits until the server has seen `loads` requests for the catalogue of
    // `edition` and `checks` for the release, and nothing else.
    bool seen(int loads, int checks, const std::string& edition = oddEdition)
    {
        const std::string catalogue = "/catalogue/" + edition + ".json";
        return waitFor([&] { return count(catalogue) >= loads && count(release) >= checks; }) &&
               count(catalogue) == loads && count(release) == checks &&
               server.requests().size() == std::size_t(loads + checks);
    }

    TestWorld world;
    VendorServer server{""};
    std::unique_ptr<AppDelegate> delegate;
};

// The launch takes the bundle's edition for its catalogue. Start-up and the
// first activation each load and check; later activations only after more
// than 900 s counted from the last automatic one; a refresh any time, without
// moving that clock. seen() fails on any extra request.
TEST_F(Lifecycle, LaunchActivationsAndRefresh)
{
    make(QString::fromStdString(oddEdition));
    delegate->applicationDidFinishLaunching();
    ASSERT_TRUE(delegate->mainWindow() && delegate->mainWindow()->isVisible());
    auto* refresh = delegate->control<QPushButton>(QStringLiteral("refreshButton"));
    const auto idle = [&] { return waitFor([&] { return refresh->isEnabled(); }); };
    delegate->applicationDidBecomeActive(); // start-up did not start the clock
    ASSERT_TRUE(seen(2, 2) && idle());

    world.clock->advance(900); // exactly 900 s: nothing (a load would make Refresh busy at once)
    delegate->applicationDidBecomeActive();
    EXPECT_TRUE(refresh->isEnabled());
    world.clock->now = world.clock->now.addMSecs(1); // just past: load and check again
    delegate->applicationDidBecomeActive();
    ASSERT_TRUE(seen(3, 3) && idle());

    world.clock->advance(5);
    delegate->refresh();
    ASSERT_TRUE(seen(4, 4) && idle());
    world.clock->advance(896); // 901 s after the last automatic check, 896 s after the refresh
    delegate->applicationDidBecomeActive();
    EXPECT_TRUE(seen(5, 5));
}

// Attached to the application, the app quits with its window and hears of its
// activation, which does nothing before launch; no edition in the bundle is Native.
TEST_F(Lifecycle, HearsOfActivationFromTheApplication)
{
    if (qApp->applicationState() == Qt::ApplicationActive)
        GTEST_SKIP() << "the application is active already: run this test in a process of its own";
    make(QVariant());
    qApp->setQuitOnLastWindowClosed(false);
    delegate->attachTo(*qApp);
    EXPECT_TRUE(qApp->quitOnLastWindowClosed());
    delegate->applicationDidBecomeActive(); // before launch: nothing
    delegate->applicationDidFinishLaunching();
    EXPECT_TRUE(seen(2, 2, "Native"));
}

} // namespace
