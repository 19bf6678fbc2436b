// The session against the local vendor server. Statuses and broken
// connections through the app are rows of the fault matrix; here, what Qt
// alone gets wrong and what only the session can show.
#include "platform/UrlSession.h"

#include "install/Sha256.h"
#include "vendorserver/VendorServer.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QTemporaryDir>
#include <future>
#include <gtest/gtest.h>

namespace {

class Session : public ::testing::Test
{
protected:
    void SetUp() override { ASSERT_TRUE(server.start()); }

    // Starts a task and waits for the response it hands its completion,
    // which never runs on the main thread.
    template <typename Response, typename Task> Response await(const Task& task)
    {
        std::promise<std::pair<Response, bool>> done;
        task([&](Response r) { done.set_value({std::move(r), QThread::currentThread() == qApp->thread()}); });
        auto [response, onMainThread] = done.get_future().get();
        EXPECT_FALSE(onMainThread);
        return response;
    }

    HttpResponse fetch(const std::string& path, qint64 limit)
    {
        return await<HttpResponse>([&](auto done) { session.dataTask(request(path), limit, done); });
    }

    DownloadResponse download(const std::string& path)
    {
        return await<DownloadResponse>([&](auto done) { session.downloadTask(request(path), file, done); });
    }

    QNetworkRequest request(const std::string& path) const
    {
        return UrlSession::uncachedRequest(QUrl(QString::fromStdString(server.baseUrl() + path)), 30);
    }

    QTemporaryDir folder;
    const QString file = folder.filePath(QStringLiteral("x.pkg"));
    VendorServer server{""};
    UrlSession session;
};

TEST_F(Session, BodiesPastTheLimitAreAbandonedAndCutOffBodiesAreTransportErrorsThatKeepNoFile)
{
    constexpr qint64 size = 1 << 20;
    server.putFile("/body", std::string(size, 'x'));
    const HttpResponse over = fetch("/body", size - 1);
    EXPECT_TRUE(over.bodyTooLarge);
    EXPECT_TRUE(over.body.isEmpty());
    const HttpResponse fits = fetch("/body", size);
    EXPECT_FALSE(fits.bodyTooLarge);
    EXPECT_EQ(fits.body.size(), size);
    // Qt sometimes reports a body cut short before its Content-Length as a
    // success, so try often enough to meet that.
    server.setFault("/body", Fault{.truncateAfterBytes = 100000});
    for (int i = 0; i < 30; ++i) {
        const HttpResponse data = fetch("/body", 2 * size);
        ASSERT_TRUE(data.transportError.has_value())
            << "attempt " << i << " got " << data.body.size() << " bytes";
        const DownloadResponse cut = download("/body");
        ASSERT_TRUE(cut.transportError.has_value()) << "attempt " << i;
        EXPECT_TRUE(cut.file.isEmpty());
        EXPECT_TRUE(QDir(folder.path()).isEmpty());
    }
}

TEST_F(Session, OnlyA2xxStatusKeepsADownloadAndItsDigestIsOfTheWholeFile)
{
    const QByteArray body = QByteArray("abcdefghijklmnopqrstuvwxyz").repeated(121000) + "end"; // many buffers
    server.putFile("/pkg", body.toStdString());
    // Answers, not transport errors: the caller tells the user what failed.
    for (const int status : {300, 304, 404}) {
        server.setFault("/pkg", Fault{.status = status});
        const DownloadResponse r = download("/pkg");
        EXPECT_FALSE(r.transportError.has_value()) << status;
        EXPECT_EQ(r.statusCode, status);
        EXPECT_TRUE(r.file.isEmpty() && QDir(folder.path()).isEmpty()) << status;
    }
    server.clearFaults();
    const DownloadResponse r = download("/pkg");
    ASSERT_FALSE(r.transportError.has_value()) << r.transportError->description.toStdString();
    EXPECT_EQ(r.file, file);
    EXPECT_EQ(r.sha256,
              QString::fromLatin1(QCryptographicHash::hash(body, QCryptographicHash::Sha256).toHex()));
    EXPECT_EQ(sha256(file).value(), r.sha256);
    EXPECT_EQ(QDir(folder.path()).entryList(QDir::Files), QStringList{QStringLiteral("x.pkg")});
}

} // namespace
