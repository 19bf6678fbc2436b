// Loading the catalogue against the local vendor server. Statuses, broken
// connections, certificates and sizes are rows of the fault matrix; here, the
// successful roads and the failures it cannot express.
#include "app/AppDelegate.h"
#include "support/Alerts.h"
#include "support/TestEnvironment.h"
#include "vendorserver/VendorServer.h"

#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QSslConfiguration>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

const char* const catalogue = R"({"edition":"Native","collectionVersion":"3.4","components":[
  {"slug":"alpha","name":"Alpha","packageId":"p.alpha","version":"1","sha256":"00","sizeBytes":1,
   "url":"https://dl.test/alpha.pkg","formats":["AU"]},
  {"slug":"beta","name":"Beta","packageId":"p.beta","version":"1","sha256":"00","sizeBytes":1,
   "url":"https://dl.test/beta.pkg","formats":["VST3"]}]})";

class CatalogueLoad : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(server.start());
        server.putFile("/catalogue/Native.json", catalogue);
    }

    void TearDown() override { dismissAlerts(); }

    std::unique_ptr<AppDelegate> makeDelegate(const std::string& baseUrl)
    {
        auto delegate = std::make_unique<AppDelegate>(world.environment(
            TestWorld::infoFor(QString::fromStdString(baseUrl) + QStringLiteral("/catalogue"))));
        delegate->activeEdition = delegate->initialEdition;
        delegate->buildWindow();
        return delegate;
    }

    // Loads and waits for the outcome: the list shown, or an alert.
    void load(AppDelegate& delegate)
    {
        delegate.loadManifest();
        ASSERT_TRUE(waitFor([&] {
            return visibleAlert() != nullptr ||
                   delegate.statusLabel->text().endsWith(QStringLiteral("collection version 3.4"));
        }));
    }

    TestWorld world;
    VendorServer server{""};
};

TEST_F(CatalogueLoad, SuccessShowsTheListAndSendsOneUncachedRequest)
{
    auto delegate = makeDelegate(server.baseUrl());
    delegate->loadManifest();
    EXPECT_EQ(delegate->statusLabel->text(), QStringLiteral("Loading the latest plugin list\u2026"));
    EXPECT_FALSE(delegate->refreshButton->isEnabled());
    ASSERT_TRUE(waitFor([&] { return delegate->refreshButton->isEnabled(); }));
    EXPECT_EQ(visibleAlert(), nullptr);
    EXPECT_EQ(delegate->statusLabel->text(), QStringLiteral("2 plugins ready \u2014 collection version 3.4"));
    EXPECT_EQ(delegate->checkboxes.size(), 2);
    EXPECT_TRUE(delegate->installButton->isEnabled());

    const auto requests = server.requests();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].method, "GET");
    EXPECT_EQ(requests[0].path, "/catalogue/Native.json");
    EXPECT_EQ(requests[0].header("Cache-Control"), std::optional<std::string>("no-cache, no-store"));
}

TEST_F(CatalogueLoad, OverTrustedTlsTheListLoads)
{
    const TlsIdentity trusted = generateTlsIdentity();
    VendorServer secure("", trusted);
    ASSERT_TRUE(secure.start());
    secure.putFile("/catalogue/Native.json", catalogue);
    const QSslConfiguration saved = QSslConfiguration::defaultConfiguration();
    QSslConfiguration config = saved;
    config.addCaCertificates(QSslCertificate::fromData(QByteArray::fromStdString(trusted.caCertificatePem)));
    QSslConfiguration::setDefaultConfiguration(config);
    auto delegate = makeDelegate(secure.baseUrl());
    load(*delegate);
    QSslConfiguration::setDefaultConfiguration(saved);
    EXPECT_EQ(visibleAlert(), nullptr);
    EXPECT_TRUE(delegate->manifest.has_value());
}

TEST_F(CatalogueLoad, UnusableDocumentIsReportedAndKeepsThePreviousList)
{
    auto delegate = makeDelegate(server.baseUrl());
    load(*delegate);
    ASSERT_EQ(delegate->checkboxes.size(), 2);
    delegate->checkboxes[0].first->setChecked(false);
    const auto previousCheckbox = delegate->checkboxes[0].first;

    // nullptr: any non-empty detail, in the decoder's own words.
    for (const auto& [body, detail] :
         {std::pair<const char*, const char*>{"<html>maintenance</html>", nullptr},
          {R"({"edition":"Native","components":[]})", R"(The key "collectionVersion" is missing.)"}}) {
        server.putFile("/catalogue/Native.json", body);
        load(*delegate);
        ASSERT_NE(visibleAlert(), nullptr) << body;
        const AlertTexts texts = textsOf(visibleAlert());
        EXPECT_EQ(texts.title, QStringLiteral("The plugin list could not be loaded"));
        EXPECT_EQ(texts.icon, QMessageBox::Warning);
        EXPECT_EQ(texts.buttons, QStringList{QStringLiteral("OK")});
        EXPECT_FALSE(texts.text.isEmpty());
        if (detail) {
            EXPECT_EQ(texts.text, QString::fromUtf8(detail));
        }
        dismissAlerts();
        EXPECT_EQ(delegate->statusLabel->text(), QStringLiteral("The plugin list could not be loaded"));
        // Idle again, and the earlier list with its check states is untouched.
        EXPECT_TRUE(delegate->refreshButton->isEnabled());
        EXPECT_TRUE(delegate->installButton->isEnabled());
        ASSERT_EQ(delegate->checkboxes.size(), 2);
        EXPECT_EQ(delegate->checkboxes[0].first, previousCheckbox);
        EXPECT_FALSE(delegate->checkboxes[0].first->isChecked());
        EXPECT_TRUE(delegate->checkboxes[1].first->isChecked());
    }
}

TEST_F(CatalogueLoad, RefusedConnectionIsReported)
{
    const std::string baseUrl = server.baseUrl();
    server.stop();
    auto delegate = makeDelegate(baseUrl);
    load(*delegate);
    ASSERT_NE(visibleAlert(), nullptr);
    EXPECT_EQ(textsOf(visibleAlert()).title, QStringLiteral("The plugin list could not be loaded"));
    EXPECT_FALSE(textsOf(visibleAlert()).text.isEmpty());
    EXPECT_FALSE(delegate->installButton->isEnabled()); // nothing was ever loaded
    EXPECT_TRUE(delegate->refreshButton->isEnabled());
}

} // namespace
