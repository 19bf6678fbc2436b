// Loading the catalogue against the local vendor server. Statuses, bad bodies,
// broken connections, certificates and sizes are rows of the fault matrix;
// here, the request, the road to the list over TLS and the failures the
// matrix cannot express.
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
    void TearDown() override
    {
        dismissAlerts();
        QSslConfiguration::setDefaultConfiguration(savedTls);
    }

    // An app with its window, loading the catalogue kept at `baseUrl`.
    std::unique_ptr<AppDelegate> load(const std::string& baseUrl)
    {
        auto delegate = std::make_unique<AppDelegate>(world.environment(
            TestWorld::infoFor(QString::fromStdString(baseUrl) + QStringLiteral("/catalogue"))));
        delegate->buildWindow();
        delegate->loadManifest();
        return delegate;
    }

    TestWorld world;
    const QSslConfiguration savedTls = QSslConfiguration::defaultConfiguration();
};

TEST_F(CatalogueLoad, OverTrustedTlsOneUncachedRequestShowsTheList)
{
    const TlsIdentity trusted = generateTlsIdentity();
    VendorServer server("", trusted);
    ASSERT_TRUE(server.start());
    server.putFile("/catalogue/Native.json", R"({"edition":"Native","collectionVersion":"3.4","components":[
      {"slug":"a","name":"A","packageId":"p.a","version":"1","sha256":"00","sizeBytes":1,"url":"https://t/a","formats":[]},
      {"slug":"b","name":"B","packageId":"p.b","version":"1","sha256":"00","sizeBytes":1,"url":"https://t/b","formats":[]}]})");
    QSslConfiguration tls = savedTls;
    tls.addCaCertificates(QSslCertificate::fromData(QByteArray::fromStdString(trusted.caCertificatePem)));
    QSslConfiguration::setDefaultConfiguration(tls);

    auto delegate = load(server.baseUrl());
    EXPECT_EQ(delegate->statusLabel->text(), QStringLiteral("Loading the latest plugin list\u2026"));
    EXPECT_FALSE(delegate->refreshButton->isEnabled());
    ASSERT_TRUE(waitFor([&] { return delegate->refreshButton->isEnabled(); }));
    EXPECT_EQ(visibleAlert(), nullptr);
    EXPECT_EQ(delegate->statusLabel->text(), QStringLiteral("2 plugins ready \u2014 collection version 3.4"));
    EXPECT_EQ(delegate->window->findChildren<QCheckBox*>().size(), 2);
    EXPECT_TRUE(delegate->installButton->isEnabled());

    const auto requests = server.requests();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].method + " " + requests[0].path, "GET /catalogue/Native.json");
    EXPECT_EQ(requests[0].header("Cache-Control"), std::optional<std::string>("no-cache, no-store"));
}

// A document the decoder refuses is reported in its words, a refused
// connection in the platform's; with no list loaded before, Install stays off.
TEST_F(CatalogueLoad, FailureBeforeAnyListIsReportedAndLeavesInstallOff)
{
    VendorServer server("");
    ASSERT_TRUE(server.start());
    const std::string baseUrl = server.baseUrl();
    server.putFile("/catalogue/Native.json", R"({"edition":"Native","components":[]})");
    for (const char* detail :
         {R"(The key "collectionVersion" is missing.)", static_cast<const char*>(nullptr)}) {
        if (!detail)
            server.stop(); // refused
        auto delegate = load(baseUrl);
        QMessageBox* alert = waitForAlert();
        ASSERT_NE(alert, nullptr);
        const AlertTexts texts = textsOf(alert);
        EXPECT_EQ(texts.title, QStringLiteral("The plugin list could not be loaded"));
        EXPECT_EQ(texts.icon, QMessageBox::Warning);
        EXPECT_EQ(texts.buttons, QStringList{QStringLiteral("OK")});
        EXPECT_EQ(texts.text, detail ? QString::fromUtf8(detail) : texts.text) << "(refused: any text)";
        EXPECT_FALSE(texts.text.isEmpty());
        dismissAlerts();
        EXPECT_EQ(delegate->statusLabel->text(), texts.title);
        EXPECT_FALSE(delegate->installButton->isEnabled());
        EXPECT_TRUE(delegate->refreshButton->isEnabled());
    }
}

} // namespace
