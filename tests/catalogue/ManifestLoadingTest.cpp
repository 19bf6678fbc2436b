// Loading the catalogue against the local vendor server.
#include "app/AppDelegate.h"
#include "support/Alerts.h"
#include "support/TestEnvironment.h"
#include "vendorserver/VendorServer.h"

#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QSslConfiguration>
#include <QTemporaryDir>
#include <fstream>
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
        server = std::make_unique<VendorServer>(documentRoot.path().toStdString());
        ASSERT_TRUE(server->start());
        server->putFile("/catalogue/Native.json", catalogue);
    }

    void TearDown() override { dismissAlerts(); }

    std::unique_ptr<AppDelegate> makeDelegate(const QString& base)
    {
        auto delegate = std::make_unique<AppDelegate>(world.environment(TestWorld::infoFor(base)));
        delegate->activeEdition = delegate->initialEdition;
        delegate->buildWindow();
        return delegate;
    }

    QString base() const { return QString::fromStdString(server->baseUrl()) + QStringLiteral("/catalogue"); }

    // Loads and waits for the outcome: the list shown, or an alert.
    void load(AppDelegate& delegate)
    {
        delegate.loadManifest();
        waitForOutcome(delegate);
    }

    void waitForOutcome(AppDelegate& delegate)
    {
        ASSERT_TRUE(waitFor([&] {
            return visibleAlert() != nullptr ||
                   delegate.statusLabel->text().endsWith(QStringLiteral("collection version 3.4"));
        }));
    }

    std::vector<RecordedRequest> catalogueRequests() const
    {
        std::vector<RecordedRequest> found;
        for (const RecordedRequest& r : server->requests())
            if (r.path.rfind("/catalogue/", 0) == 0)
                found.push_back(r);
        return found;
    }

    QTemporaryDir documentRoot;
    TestWorld world;
    std::unique_ptr<VendorServer> server;
};

TEST_F(CatalogueLoad, SuccessShowsTheListAndSendsOneUncachedRequest)
{
    auto delegate = makeDelegate(base());
    delegate->loadManifest();
    EXPECT_EQ(delegate->statusLabel->text(), QStringLiteral("Loading the latest plugin list\u2026"));
    EXPECT_FALSE(delegate->refreshButton->isEnabled());
    waitForOutcome(*delegate);
    EXPECT_EQ(visibleAlert(), nullptr);
    EXPECT_EQ(delegate->statusLabel->text(), QStringLiteral("2 plugins ready \u2014 collection version 3.4"));
    ASSERT_TRUE(delegate->manifest.has_value());
    EXPECT_EQ(delegate->checkboxes.size(), 2);
    EXPECT_TRUE(delegate->installButton->isEnabled());

    const auto requests = catalogueRequests();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].method, "GET");
    EXPECT_EQ(requests[0].path, "/catalogue/Native.json");
    EXPECT_EQ(requests[0].header("Cache-Control"), std::optional<std::string>("no-cache, no-store"));
}

struct FailureCase
{
    const char* name;
    Fault fault;
    const char* detail; // nullptr: any non-empty detail (the platform's or the decoder's words)
};

class CatalogueLoadFailure : public CatalogueLoad, public ::testing::WithParamInterface<FailureCase>
{
};

TEST_P(CatalogueLoadFailure, IsReportedAndKeepsThePreviousList)
{
    auto delegate = makeDelegate(base());
    load(*delegate);
    ASSERT_EQ(delegate->checkboxes.size(), 2);
    delegate->checkboxes[0].first->setChecked(false);
    const auto previousCheckbox = delegate->checkboxes[0].first;

    server->setFault("/catalogue/Native.json", GetParam().fault);
    load(*delegate);
    QMessageBox* alert = visibleAlert();
    ASSERT_NE(alert, nullptr);
    const AlertTexts texts = textsOf(alert);
    EXPECT_EQ(texts.title, QStringLiteral("The plugin list could not be loaded"));
    EXPECT_EQ(texts.icon, QMessageBox::Warning);
    EXPECT_EQ(texts.buttons, QStringList{QStringLiteral("OK")});
    if (GetParam().detail)
        EXPECT_EQ(texts.text, QString::fromUtf8(GetParam().detail));
    else
        EXPECT_FALSE(texts.text.isEmpty());
    EXPECT_EQ(delegate->statusLabel->text(), QStringLiteral("The plugin list could not be loaded"));
    // Idle again, and the earlier list with its check states is untouched.
    EXPECT_TRUE(delegate->refreshButton->isEnabled());
    EXPECT_TRUE(delegate->installButton->isEnabled());
    ASSERT_EQ(delegate->checkboxes.size(), 2);
    EXPECT_EQ(delegate->checkboxes[0].first, previousCheckbox);
    EXPECT_FALSE(delegate->checkboxes[0].first->isChecked());
    EXPECT_TRUE(delegate->checkboxes[1].first->isChecked());
}

const char* const serverFault = "The server did not respond correctly.";

INSTANTIATE_TEST_SUITE_P(
    Catalogue, CatalogueLoadFailure,
    ::testing::Values(FailureCase{"NotFound", Fault{.status = 404}, serverFault},
                      FailureCase{"ServerError", Fault{.status = 500}, serverFault},
                      FailureCase{"NotModified", Fault{.status = 304}, serverFault},
                      FailureCase{"NoContent", Fault{.status = 204, .body = ""}, nullptr},
                      FailureCase{"NotJson", Fault{.body = "<html>maintenance</html>"}, nullptr},
                      FailureCase{"EmptyBody", Fault{.body = ""}, nullptr},
                      FailureCase{"MissingKey", Fault{.body = R"({"edition":"Native","components":[]})"},
                                  R"(The key "collectionVersion" is missing.)"},
                      FailureCase{"TruncatedBody", Fault{.truncateAfterBytes = 20}, nullptr},
                      FailureCase{"DroppedConnection", Fault{.dropConnection = true}, nullptr}),
    [](const auto& testInfo) { return std::string(testInfo.param.name); });

TEST_F(CatalogueLoad, RefusedConnectionIsReported)
{
    const int port = server->port();
    server->stop();
    auto delegate = makeDelegate(QStringLiteral("http://127.0.0.1:%1/catalogue").arg(port));
    load(*delegate);
    ASSERT_NE(visibleAlert(), nullptr);
    EXPECT_EQ(textsOf(visibleAlert()).title, QStringLiteral("The plugin list could not be loaded"));
    EXPECT_FALSE(textsOf(visibleAlert()).text.isEmpty());
    EXPECT_FALSE(delegate->installButton->isEnabled()); // nothing was ever loaded
    EXPECT_TRUE(delegate->refreshButton->isEnabled());
}

TEST_F(CatalogueLoad, OverSizeBodyIsRefused)
{
    {
        std::ofstream big(documentRoot.filePath(QStringLiteral("big.json")).toStdString(), std::ios::binary);
        big.seekp(64 * 1024 * 1024 + 1);
        big.put(' ');
    }
    QDir(documentRoot.path()).mkpath(QStringLiteral("huge"));
    QFile::rename(documentRoot.filePath(QStringLiteral("big.json")),
                  documentRoot.filePath(QStringLiteral("huge/Native.json")));
    auto delegate = makeDelegate(QString::fromStdString(server->baseUrl()) + QStringLiteral("/huge"));
    load(*delegate);
    ASSERT_NE(visibleAlert(), nullptr);
    EXPECT_EQ(textsOf(visibleAlert()).text, QString::fromUtf8(serverFault));
}

class SecureCatalogueLoad : public CatalogueLoad
{
protected:
    void SetUp() override
    {
        CatalogueLoad::SetUp();
        trusted = generateTlsIdentity();
        secure = std::make_unique<VendorServer>(documentRoot.path().toStdString(), trusted);
        ASSERT_TRUE(secure->start());
        secure->putFile("/catalogue/Native.json", catalogue);
        QSslConfiguration config = QSslConfiguration::defaultConfiguration();
        savedConfiguration = config;
        config.addCaCertificates(
            QSslCertificate::fromData(QByteArray::fromStdString(trusted.caCertificatePem)));
        QSslConfiguration::setDefaultConfiguration(config);
    }

    void TearDown() override
    {
        QSslConfiguration::setDefaultConfiguration(savedConfiguration);
        CatalogueLoad::TearDown();
    }

    TlsIdentity trusted;
    std::unique_ptr<VendorServer> secure;
    QSslConfiguration savedConfiguration;
};

TEST_F(SecureCatalogueLoad, TrustedCertificateLoads)
{
    auto delegate = makeDelegate(QString::fromStdString(secure->baseUrl()) + QStringLiteral("/catalogue"));
    load(*delegate);
    EXPECT_EQ(visibleAlert(), nullptr);
    EXPECT_TRUE(delegate->manifest.has_value());
}

TEST_F(SecureCatalogueLoad, UntrustedCertificateIsRefused)
{
    VendorServer impostor(documentRoot.path().toStdString(), generateTlsIdentity());
    ASSERT_TRUE(impostor.start());
    impostor.putFile("/catalogue/Native.json", catalogue);
    auto delegate = makeDelegate(QString::fromStdString(impostor.baseUrl()) + QStringLiteral("/catalogue"));
    load(*delegate);
    ASSERT_NE(visibleAlert(), nullptr);
    EXPECT_FALSE(delegate->manifest.has_value());
    EXPECT_TRUE(impostor.requests().empty()); // nothing was sent over the untrusted connection
}

TEST_F(SecureCatalogueLoad, RedirectFromHttpsToHttpIsNotFollowed)
{
    Fault redirect;
    redirect.redirectTo = server->baseUrl() + "/catalogue/Native.json";
    secure->setFault("/catalogue/Native.json", redirect);
    auto delegate = makeDelegate(QString::fromStdString(secure->baseUrl()) + QStringLiteral("/catalogue"));
    load(*delegate);
    ASSERT_NE(visibleAlert(), nullptr);
    EXPECT_FALSE(delegate->manifest.has_value());
    EXPECT_TRUE(catalogueRequests().empty()); // the plain-HTTP server never heard of it
}

} // namespace
