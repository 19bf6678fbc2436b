// Loading the catalogue from the vendor server over trusted TLS. Statuses, bad
// bodies, broken connections, certificates and sizes are rows of the fault
// matrix; here, the request, the list and the failures it cannot express.
#include "app/AppDelegate.h"
#include "support/Alerts.h"
#include "support/TestEnvironment.h"
#include "vendorserver/VendorServer.h"

#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QSslConfiguration>
#include <gtest/gtest.h>

namespace {

class CatalogueLoad : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(server.start());
        QSslConfiguration tls = savedTls;
        tls.addCaCertificates(QSslCertificate::fromData(QByteArray::fromStdString(trusted.caCertificatePem)));
        QSslConfiguration::setDefaultConfiguration(tls);
        delegate = std::make_unique<AppDelegate>(world.environment(
            TestWorld::infoFor(QString::fromStdString(server.baseUrl()) + QStringLiteral("/catalogue"))));
        delegate->openWindow();
    }
    void TearDown() override
    {
        dismissAlerts();
        QSslConfiguration::setDefaultConfiguration(savedTls);
    }

    const QSslConfiguration savedTls = QSslConfiguration::defaultConfiguration();
    const TlsIdentity trusted = generateTlsIdentity();
    VendorServer server{"", trusted};
    TestWorld world;
    std::unique_ptr<AppDelegate> delegate;
};

TEST_F(CatalogueLoad, OneUncachedRequestShowsTheList)
{
    server.putFile("/catalogue/Native.json", R"({"edition":"Native","collectionVersion":"3.4","components":[
      {"slug":"a","name":"A","packageId":"p.a","version":"1","sha256":"00","sizeBytes":1,"url":"https://t/a",
       "formats":[]},
      {"slug":"b","name":"B","packageId":"p.b","version":"1","sha256":"00","sizeBytes":1,"url":"https://t/b",
       "formats":[]}]})");
    delegate->loadManifest();
    EXPECT_EQ(delegate->control<QLabel>(QStringLiteral("statusLabel"))->text(),
              QStringLiteral("Loading the latest plugin list\u2026"));
    EXPECT_FALSE(delegate->control<QPushButton>(QStringLiteral("refreshButton"))->isEnabled());
    ASSERT_TRUE(waitFor(
        [&] { return delegate->control<QPushButton>(QStringLiteral("refreshButton"))->isEnabled(); }));
    EXPECT_EQ(visibleAlert(), nullptr);
    EXPECT_EQ(delegate->control<QLabel>(QStringLiteral("statusLabel"))->text(),
              QStringLiteral("2 plugins ready \u2014 collection version 3.4"));
    EXPECT_EQ(delegate->mainWindow()->findChildren<QCheckBox*>().size(), 2);
    EXPECT_TRUE(delegate->control<QPushButton>(QStringLiteral("installButton"))->isEnabled());

    const auto requests = server.requests();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].method + " " + requests[0].path, "GET /catalogue/Native.json");
    EXPECT_EQ(requests[0].header("Cache-Control"), std::optional<std::string>("no-cache, no-store"));
}

// A document the decoder refuses is reported in its words, a refused
// connection in the platform's; with no list loaded before, Install stays off.
TEST_F(CatalogueLoad, FailureBeforeAnyListIsReportedAndLeavesInstallOff)
{
    server.putFile("/catalogue/Native.json", R"({"edition":"Native","components":[]})");
    for (const char* detail :
         {R"(The key "collectionVersion" is missing.)", static_cast<const char*>(nullptr)}) {
        if (!detail)
            server.stop(); // refused
        delegate->loadManifest();
        QMessageBox* alert = waitForAlert();
        ASSERT_NE(alert, nullptr);
        const AlertTexts texts = textsOf(alert);
        EXPECT_EQ(texts.title, QStringLiteral("The plugin list could not be loaded"));
        EXPECT_EQ(texts.icon, QMessageBox::Warning);
        EXPECT_EQ(texts.buttons, QStringList{QStringLiteral("OK")});
        EXPECT_FALSE(texts.text.isEmpty());
        if (detail) {
            EXPECT_EQ(texts.text, QString::fromUtf8(detail));
        }
        dismissAlerts();
        EXPECT_EQ(delegate->control<QLabel>(QStringLiteral("statusLabel"))->text(), texts.title);
        EXPECT_FALSE(delegate->control<QPushButton>(QStringLiteral("installButton"))->isEnabled());
        EXPECT_TRUE(delegate->control<QPushButton>(QStringLiteral("refreshButton"))->isEnabled());
    }
}

} // namespace
