// Statuses, bad bodies, broken connections, certificates and sizes are rows of
// the fault matrix; here, the request as the server sees it, the busy state
// and the decoder's own words.
#include "app/AppDelegate.h"
#include "support/Alerts.h"
#include "support/TestEnvironment.h"
#include "vendorserver/VendorServer.h"

#include <QLabel>
#include <QPushButton>
#include <gtest/gtest.h>

namespace {

TEST(CatalogueLoad, RefusedDocumentIsReportedInTheDecodersWordsThenOneUncachedRequestLoads)
{
    VendorServer server{""};
    ASSERT_TRUE(server.start());
    TestWorld world;
    AppDelegate delegate(world.environment(TestWorld::infoFor(QString::fromStdString(server.baseUrl()))));
    delegate.openWindow();
    auto* refresh = delegate.control<QPushButton>(QStringLiteral("refreshButton"));

    server.putFile("/Native.json", R"({"edition":"Native","components":[]})");
    delegate.loadManifest();
    ASSERT_NE(waitForAlert(), nullptr);
    EXPECT_EQ(textsOf(visibleAlert()).text, QStringLiteral("The key \"collectionVersion\" is missing."));
    dismissAlerts();
    EXPECT_FALSE(delegate.control<QPushButton>(QStringLiteral("installButton"))->isEnabled());

    server.putFile("/Native.json", R"({"edition":"Native","collectionVersion":"3","components":[]})");
    delegate.loadManifest();
    EXPECT_EQ(delegate.control<QLabel>(QStringLiteral("statusLabel"))->text(),
              QStringLiteral("Loading the latest plugin list\u2026"));
    EXPECT_FALSE(refresh->isEnabled());
    ASSERT_TRUE(waitFor([&] { return refresh->isEnabled(); }));
    ASSERT_EQ(server.requests().size(), 2u); // one each: the path is the lifecycle test's
    for (const RecordedRequest& r : server.requests())
        EXPECT_EQ(r.header("Cache-Control"), std::optional<std::string>("no-cache, no-store"));
}

} // namespace
