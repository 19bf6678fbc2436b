// Loading the catalogue from the vendor server over trusted TLS. Statuses, bad bodies, broken
// connections, certificates and sizes are rows of the fault matrix; here, the
// request as the server sees it, the busy state and the decoder's own words.
#include "app/AppDelegate.h"
#include "support/Alerts.h"
#include "support/TestEnvironment.h"
#include "vendorserver/VendorServer.h"

#include <QLabel>
#include <QPushButton>
#include <QScopeGuard>
#include <QSslConfiguration>
#include <gtest/gtest.h>

namespace {

// A document the decoder refuses is reported in its words and, with no list
// loaded before, leaves Install off. A load asks once past every cache and
// keeps the window busy until the list is in.
TEST(CatalogueLoad, RefusedDocumentIsReportedInTheDecodersWordsThenOneUncachedRequestLoads)
{
    const QSslConfiguration saved = QSslConfiguration::defaultConfiguration();
    const auto restore = qScopeGuard([&] { QSslConfiguration::setDefaultConfiguration(saved); });
    const TlsIdentity trusted = generateTlsIdentity();
    QSslConfiguration tls = saved;
    tls.addCaCertificates(QSslCertificate::fromData(QByteArray::fromStdString(trusted.caCertificatePem)));
    QSslConfiguration::setDefaultConfiguration(tls);
    VendorServer server{"", trusted};
    ASSERT_TRUE(server.start());
    TestWorld world;
    AppDelegate delegate(world.environment(TestWorld::infoFor(QString::fromStdString(server.baseUrl()))));
    delegate.openWindow();
    auto* refresh = delegate.control<QPushButton>(QStringLiteral("refreshButton"));
    auto* install = delegate.control<QPushButton>(QStringLiteral("installButton"));

    server.putFile("/Native.json", R"({"edition":"Native","components":[]})");
    delegate.loadManifest();
    ASSERT_NE(waitForAlert(), nullptr);
    EXPECT_EQ(textsOf(visibleAlert()).text, QStringLiteral("The key \"collectionVersion\" is missing."));
    dismissAlerts();
    EXPECT_FALSE(install->isEnabled());

    server.clearRequests();
    server.putFile("/Native.json", R"({"edition":"Native","collectionVersion":"3","components":[]})");
    delegate.loadManifest();
    EXPECT_EQ(delegate.control<QLabel>(QStringLiteral("statusLabel"))->text(),
              QStringLiteral("Loading the latest plugin list\u2026"));
    EXPECT_FALSE(refresh->isEnabled());
    ASSERT_TRUE(waitFor([&] { return refresh->isEnabled(); }));
    EXPECT_EQ(visibleAlert(), nullptr);
    EXPECT_TRUE(install->isEnabled());
    const auto requests = server.requests();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].method + " " + requests[0].path, "GET /Native.json");
    EXPECT_EQ(requests[0].header("Cache-Control"), std::optional<std::string>("no-cache, no-store"));
}

} // namespace
