// The session against the local vendor server. Statuses and broken
// connections through the app are rows of the fault matrix; here, what Qt
// alone gets wrong and what only the session can show.
#include "platform/UrlSession.h"

#include "install/Sha256.h"
#include "support/TestEnvironment.h"
#include "vendorserver/VendorServer.h"

#include <QCoreApplication>
#include <QDir>
#include <QTemporaryDir>
#include <future>
#include <gtest/gtest.h>

namespace {

class Session : public ::testing::Test
{
protected:
    void SetUp() override { ASSERT_TRUE(server.start()); }

    // Starts a task with a completion that hands over its response, and
    // waits for it; completions never run on the main thread.
    template <typename Response, typename Start> Response await(Start start)
    {
        std::promise<std::pair<Response, bool>> done;
        auto result = done.get_future();
        start([&](Response r) {
            done.set_value(
                {std::move(r), QThread::currentThread() == QCoreApplication::instance()->thread()});
        });
        waitFor([&] { return result.wait_for(std::chrono::seconds(0)) == std::future_status::ready; });
        auto [response, onMainThread] = result.get();
        EXPECT_FALSE(onMainThread);
        return response;
    }

    HttpResponse fetch(const std::string& path, qint64 limit)
    {
        return await<HttpResponse>(
            [&](auto completion) { session.dataTask(request(path), limit, completion); });
    }

    DownloadResponse download(const std::string& path, const QString& destination)
    {
        return await<DownloadResponse>(
            [&](auto completion) { session.downloadTask(request(path), destination, completion); });
    }

    QNetworkRequest request(const std::string& path) const
    {
        return UrlSession::uncachedRequest(QUrl(QString::fromStdString(server.baseUrl() + path)), 30);
    }

    QTemporaryDir folder;
    VendorServer server{""};
    UrlSession session;
};

TEST_F(Session, CutOffBodiesAreAlwaysTransportErrorsAndKeepNoFile)
{
    // Qt sometimes reports a body cut short before its Content-Length as a
    // success, so try often enough to meet that.
    server.putFile("/large", std::string(1 << 20, 'y'));
    server.setFault("/large", Fault{.truncateAfterBytes = 100000});
    for (int i = 0; i < 30; ++i) {
        const HttpResponse data = fetch("/large", 2 << 20);
        ASSERT_TRUE(data.transportError.has_value())
            << "attempt " << i << " got " << data.body.size() << " bytes";
        const DownloadResponse file = download("/large", folder.filePath(QStringLiteral("x.pkg")));
        ASSERT_TRUE(file.transportError.has_value()) << "attempt " << i;
        EXPECT_TRUE(file.file.isEmpty());
        EXPECT_TRUE(QDir(folder.path()).isEmpty());
    }
}

TEST_F(Session, DownloadDigestIsTheDigestOfTheWholeFile)
{
    std::string body;
    for (int i = 0; i < 3 * 1024 * 1024 + 17; ++i) // many buffers' worth
        body.push_back(char('a' + i % 26));
    server.putFile("/big", body);
    const QString destination = folder.filePath(QStringLiteral("big.pkg"));
    const DownloadResponse r = download("/big", destination);
    ASSERT_FALSE(r.transportError.has_value()) << r.transportError->description.toStdString();
    EXPECT_EQ(r.file, destination);
    EXPECT_EQ(QFileInfo(destination).size(), qint64(body.size()));
    EXPECT_EQ(r.sha256, sha256(destination).value());
    EXPECT_EQ(QDir(folder.path()).entryList(QDir::Files), QStringList{QStringLiteral("big.pkg")});
}

TEST_F(Session, OnlyA2xxStatusKeepsADownload)
{
    // Answers, not transport errors: the caller tells the user what failed.
    server.putFile("/pkg", "bytes");
    for (const int status : {300, 304, 404}) {
        server.setFault("/pkg", Fault{.status = status});
        const DownloadResponse r = download("/pkg", folder.filePath(QStringLiteral("x.pkg")));
        EXPECT_FALSE(r.transportError.has_value()) << status;
        EXPECT_EQ(r.statusCode, status);
        EXPECT_TRUE(r.file.isEmpty()) << status;
        EXPECT_TRUE(QDir(folder.path()).isEmpty()) << status;
    }
}

TEST_F(Session, BodiesPastTheLimitAreAbandoned)
{
    server.putFile("/body", std::string(100000, 'x'));
    const HttpResponse over = fetch("/body", 99999);
    EXPECT_TRUE(over.bodyTooLarge);
    EXPECT_TRUE(over.body.isEmpty());
    const HttpResponse fits = fetch("/body", 100000);
    EXPECT_FALSE(fits.bodyTooLarge);
    EXPECT_EQ(fits.body.size(), 100000);
}

} // namespace
