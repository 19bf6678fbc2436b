#include "support/TestEnvironment.h"
#include "vendorserver/VendorServer.h"

#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QSslCertificate>
#include <QSslConfiguration>
#include <gtest/gtest.h>
#include <memory>

namespace {

struct Outcome
{
    QNetworkReply::NetworkError error;
    QByteArray body;
};

Outcome get(const std::string& url, const std::optional<std::string>& trustedCaPem)
{
    QNetworkAccessManager manager;
    QNetworkRequest request{QUrl(QString::fromStdString(url))};
    if (trustedCaPem) {
        QSslConfiguration configuration = QSslConfiguration::defaultConfiguration();
        configuration.setCaCertificates(QSslCertificate::fromData(QByteArray::fromStdString(*trustedCaPem)));
        request.setSslConfiguration(configuration);
    }
    std::unique_ptr<QNetworkReply> reply(manager.get(request));
    waitFor([&] { return reply->isFinished(); });
    return {reply->error(), reply->readAll()};
}

class HttpsVendorServer : public ::testing::Test
{
protected:
    void SetUp() override
    {
        server.putFile("/downloads/tesselar/installer-latest.json", R"({"version":"1.5.0"})");
        ASSERT_TRUE(server.start());
        ASSERT_EQ(server.baseUrl().rfind("https://127.0.0.1:", 0), 0u);
    }

    TlsIdentity identity = generateTlsIdentity();
    VendorServer server{"", identity};
    std::string url = "/downloads/tesselar/installer-latest.json";
};

TEST_F(HttpsVendorServer, AClientThatTrustsTheGeneratedAuthorityGetsTheDocument)
{
    for (const std::string host : {"127.0.0.1", "localhost"}) {
        const Outcome outcome =
            get("https://" + host + ":" + std::to_string(server.port()) + url, identity.caCertificatePem);
        EXPECT_EQ(outcome.error, QNetworkReply::NoError) << host;
        EXPECT_EQ(outcome.body, R"({"version":"1.5.0"})") << host;
    }
}

TEST_F(HttpsVendorServer, ClientsThatDoNotTrustItAreRefused)
{
    const Outcome systemTrust = get(server.baseUrl() + url, std::nullopt);
    EXPECT_EQ(systemTrust.error, QNetworkReply::SslHandshakeFailedError);
    EXPECT_TRUE(systemTrust.body.isEmpty());

    const Outcome otherAuthority = get(server.baseUrl() + url, generateTlsIdentity().caCertificatePem);
    EXPECT_EQ(otherAuthority.error, QNetworkReply::SslHandshakeFailedError);
    EXPECT_EQ(server.requests().size(), 0u); // nothing got through the handshake
}

TEST(TlsIdentity, EveryCallMakesANewAuthority)
{
    const TlsIdentity first = generateTlsIdentity();
    const TlsIdentity second = generateTlsIdentity();
    EXPECT_NE(first.caCertificatePem, second.caCertificatePem);
    const auto authority = QSslCertificate::fromData(QByteArray::fromStdString(first.caCertificatePem));
    const auto leaf = QSslCertificate::fromData(QByteArray::fromStdString(first.serverCertificatePem));
    ASSERT_EQ(authority.size(), 1);
    ASSERT_EQ(leaf.size(), 1);
    EXPECT_EQ(leaf[0].issuerDisplayName(), authority[0].subjectDisplayName());
    EXPECT_TRUE(
        leaf[0].subjectAlternativeNames().values(QSsl::IpAddressEntry).contains(QStringLiteral("127.0.0.1")));
    EXPECT_NE(first.serverKeyPem.find("PRIVATE KEY"), std::string::npos);
}

} // namespace
