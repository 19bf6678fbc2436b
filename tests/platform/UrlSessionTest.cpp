// The session against the local vendor server: what Qt alone gets wrong.
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

    // Starts a task on `/f` and waits for the response it hands its
    // completion, which never runs on the main thread.
    template <typename Response, typename Task> Response await(const Task& task)
    {
        const QUrl url(QString::fromStdString(server.baseUrl() + "/f"));
        std::promise<std::pair<Response, bool>> done;
        task(UrlSession::uncachedRequest(url, 30), [&](Response r) {
            done.set_value({std::move(r), QThread::currentThread() == qApp->thread()});
        });
        auto [response, onMainThread] = done.get_future().get();
        EXPECT_FALSE(onMainThread);
        return response;
    }

    HttpResponse fetch(qint64 limit)
    {
        return await<HttpResponse>([&](auto request, auto done) { session.dataTask(request, limit, done); });
    }

    DownloadResponse download()
    {
        return await<DownloadResponse>(
            [&](auto request, auto done) { session.downloadTask(request, file, done); });
    }

    QTemporaryDir folder;
    const QString file = folder.filePath(QStringLiteral("x.pkg"));
    VendorServer server{""};
    UrlSession session;
};

// Only a whole body within the limit and with a 2xx status is kept; the
// digest is of the whole file, written in many buffers.
TEST_F(Session, KeepsOnlyWholeBodiesWithinTheLimitAndA2xxStatus)
{
    const QByteArray body = QByteArray("abcdefghijklmnopqrstuvwxyz").repeated(121000) + "end";
    server.putFile("/f", body.toStdString());
    EXPECT_TRUE(fetch(body.size() - 1).bodyTooLarge);
    EXPECT_EQ(fetch(body.size()).body.size(), body.size());
    const DownloadResponse r = download();
    EXPECT_EQ(r.file, file);
    EXPECT_EQ(r.sha256,
              QString::fromLatin1(QCryptographicHash::hash(body, QCryptographicHash::Sha256).toHex()));
    EXPECT_EQ(sha256(file).value(), r.sha256);
    QFile::remove(file);
    // An answer, not a transport error: the caller tells the user what failed.
    server.setFault("/f", Fault{.status = 304});
    const DownloadResponse refused = download();
    EXPECT_FALSE(refused.transportError.has_value());
    EXPECT_EQ(refused.statusCode, 304);
    EXPECT_TRUE(refused.file.isEmpty() && QDir(folder.path()).isEmpty());
    // Qt sometimes reports a body cut short before its Content-Length as a
    // success, so try often enough to meet that.
    server.setFault("/f", Fault{.truncateAfterBytes = 100000});
    for (int i = 0; i < 30; ++i) {
        ASSERT_TRUE(fetch(2 * body.size()).transportError.has_value()) << "attempt " << i;
        ASSERT_TRUE(download().transportError.has_value()) << "attempt " << i;
        EXPECT_TRUE(QDir(folder.path()).isEmpty());
    }
}

} // namespace
