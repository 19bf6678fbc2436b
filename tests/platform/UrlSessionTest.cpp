#include "platform/UrlSession.h"

#include "install/Sha256.h"
#include "support/TestEnvironment.h"
#include "vendorserver/VendorServer.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QThread>
#include <atomic>
#include <gtest/gtest.h>
#include <mutex>

namespace {

class Session : public ::testing::Test
{
protected:
    void SetUp() override
    {
        server = std::make_unique<VendorServer>(root.path().toStdString());
        ASSERT_TRUE(server->start());
        server->putFile("/body", std::string(100000, 'x'));
        server->putFile("/large", std::string(1 << 20, 'y'));
    }

    QUrl url(const char* path) const
    {
        return QUrl(QString::fromStdString(server->baseUrl()) + QLatin1String(path));
    }

    HttpResponse fetch(const char* path, qint64 limit = 1 << 20)
    {
        std::mutex m;
        std::optional<HttpResponse> result;
        session.dataTask(UrlSession::uncachedRequest(url(path), 30), limit, [&](HttpResponse r) {
            const std::lock_guard lock(m);
            result = std::move(r);
        });
        waitFor([&] {
            const std::lock_guard lock(m);
            return result.has_value();
        });
        return *result;
    }

    DownloadResponse download(const char* path, const QString& destination)
    {
        std::mutex m;
        std::optional<DownloadResponse> result;
        std::atomic<bool> onMainThread = false;
        session.downloadTask(
            UrlSession::uncachedRequest(url(path), 30), destination, [&](DownloadResponse r) {
                onMainThread = QThread::currentThread() == QCoreApplication::instance()->thread();
                const std::lock_guard lock(m);
                result = std::move(r);
            });
        waitFor([&] {
            const std::lock_guard lock(m);
            return result.has_value();
        });
        EXPECT_FALSE(onMainThread.load()); // completions never run on the main thread
        return *result;
    }

    QTemporaryDir root;
    std::unique_ptr<VendorServer> server;
    UrlSession session;
};

TEST_F(Session, CutOffBodiesAreAlwaysTransportErrors)
{
    Fault cut;
    cut.truncateAfterBytes = 100000;
    server->setFault("/large", cut);
    for (int i = 0; i < 30; ++i) {
        const HttpResponse r = fetch("/large", 2 << 20);
        ASSERT_TRUE(r.transportError.has_value()) << "attempt " << i << " got " << r.body.size() << " bytes";
        EXPECT_FALSE(r.statusCode.has_value());
    }
}

TEST_F(Session, CutOffDownloadsKeepNoFile)
{
    Fault cut;
    cut.truncateAfterBytes = 100000;
    server->setFault("/large", cut);
    const QString destination = root.filePath(QStringLiteral("out/x.pkg"));
    QDir().mkpath(root.filePath(QStringLiteral("out")));
    for (int i = 0; i < 30; ++i) {
        const DownloadResponse r = download("/large", destination);
        ASSERT_TRUE(r.transportError.has_value()) << "attempt " << i;
        EXPECT_TRUE(r.file.isEmpty());
        EXPECT_TRUE(QDir(root.filePath(QStringLiteral("out"))).isEmpty());
    }
}

TEST_F(Session, DownloadDigestIsTheDigestOfTheFile)
{
    std::string body;
    for (int i = 0; i < 3 * 1024 * 1024 + 17; ++i)
        body.push_back(char('a' + i % 26));
    server->putFile("/big", body);
    const QString destination = root.filePath(QStringLiteral("big.pkg"));
    const DownloadResponse r = download("/big", destination);
    ASSERT_FALSE(r.transportError.has_value()) << r.transportError->description.toStdString();
    EXPECT_EQ(r.statusCode, 200);
    EXPECT_EQ(r.file, destination);
    EXPECT_EQ(QFileInfo(destination).size(), qint64(body.size()));
    EXPECT_EQ(r.sha256, sha256(destination).value());
    EXPECT_FALSE(QFile::exists(destination + QStringLiteral(".partial")));
}

TEST_F(Session, FailedStatusesKeepNoFileAndAreNotTransportErrors)
{
    Fault missing;
    missing.status = 404;
    server->setFault("/body", missing);
    const DownloadResponse r = download("/body", root.filePath(QStringLiteral("x.pkg")));
    EXPECT_FALSE(r.transportError.has_value());
    EXPECT_EQ(r.statusCode, 404);
    EXPECT_TRUE(r.file.isEmpty());
    EXPECT_FALSE(QFile::exists(root.filePath(QStringLiteral("x.pkg"))));
}

TEST_F(Session, BodiesPastTheLimitAreAbandoned)
{
    const HttpResponse r = fetch("/body", 1000);
    EXPECT_TRUE(r.bodyTooLarge);
    EXPECT_TRUE(r.body.isEmpty());
    const HttpResponse fits = fetch("/body", 100000);
    EXPECT_FALSE(fits.bodyTooLarge);
    EXPECT_EQ(fits.body.size(), 100000);
}

TEST_F(Session, RequestsBypassEveryCache)
{
    fetch("/body");
    fetch("/body");
    const auto requests = server->requests();
    ASSERT_EQ(requests.size(), 2u);
    for (const RecordedRequest& r : requests) {
        EXPECT_EQ(r.header("Cache-Control"), std::optional<std::string>("no-cache, no-store"));
        EXPECT_FALSE(r.header("If-None-Match").has_value());
        EXPECT_FALSE(r.header("If-Modified-Since").has_value());
    }
}

} // namespace
