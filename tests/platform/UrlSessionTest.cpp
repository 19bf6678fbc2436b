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

// The completion for a task, which hands its response to `done` and never
// runs on the main thread.
template <typename Response> auto settle(std::promise<Response>& done)
{
    return [&done](Response response) {
        EXPECT_NE(QThread::currentThread(), qApp->thread());
        done.set_value(std::move(response));
    };
}

// Only a whole body within the limit and with a 2xx status is kept; the
// digest is of the whole file, written in many buffers.
TEST(UrlSession, KeepsOnlyWholeBodiesWithinTheLimitAndA2xxStatus)
{
    VendorServer server("");
    ASSERT_TRUE(server.start());
    const QNetworkRequest request =
        UrlSession::uncachedRequest(QUrl(QString::fromStdString(server.baseUrl() + "/f")), 30);
    UrlSession session;
    QTemporaryDir folder;
    const QString file = folder.filePath(QStringLiteral("x.pkg"));
    const auto fetch = [&](qint64 limit) {
        std::promise<HttpResponse> done;
        session.dataTask(request, limit, settle(done));
        return done.get_future().get();
    };
    const auto download = [&] {
        std::promise<DownloadResponse> done;
        session.downloadTask(request, file, settle(done));
        return done.get_future().get();
    };
    const QByteArray body = QByteArray("abcdefghijklmnopqrstuvwxyz").repeated(121000) + "end";
    server.putFile("/f", body.toStdString());
    EXPECT_TRUE(fetch(body.size() - 1).bodyTooLarge);
    EXPECT_EQ(fetch(body.size()).body.size(), body.size());
    const DownloadResponse r = download();
    EXPECT_EQ(r.sha256,
              QString::fromLatin1(QCryptographicHash::hash(body, QCryptographicHash::Sha256).toHex()));
    EXPECT_EQ(sha256(file).value(), r.sha256);
    EXPECT_FALSE(sha256(file + QStringLiteral(".missing")).ok());
    QFile::remove(file);
    server.setFault("/f", Fault{.status = 304});
    EXPECT_TRUE(download().file.isEmpty());
    EXPECT_TRUE(QDir(folder.path()).isEmpty());
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
