#include "platform/UrlSession.h"

#include "platform/BackgroundSha256.h"

#include <QFile>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <memory>

namespace {

// How much of a body Qt may hold before we have consumed it: with a bounded
// buffer the socket is read only as fast as we write to disk.
constexpr qint64 readBufferBytes = 1024 * 1024;

class SessionWorker : public QObject
{
public:
    QNetworkAccessManager& manager()
    {
        if (!m_manager) {
            m_manager = new QNetworkAccessManager(this);
            m_manager->setRedirectPolicy(QNetworkRequest::NoLessSafeRedirectPolicy);
            m_manager->setAutoDeleteReplies(true);
        }
        return *m_manager;
    }

private:
    QNetworkAccessManager* m_manager = nullptr;
};

std::optional<int> httpStatus(const QNetworkReply* reply)
{
    const QVariant status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
    if (!status.isValid())
        return std::nullopt;
    return status.toInt();
}

Error networkError(const QNetworkReply* reply)
{
    if (reply->error() == QNetworkReply::OperationCanceledError)
        return Error{QStringLiteral("Network"), qint64(reply->error()),
                     QStringLiteral("The request timed out.")};
    return Error{QStringLiteral("Network"), qint64(reply->error()), reply->errorString()};
}

// Ends a response whose status has failed it, as soon as that status is
// known: its body is of no use, and left unread in the bounded buffer it
// would stop the socket being read and keep the reply open until the
// time-out. A redirect that Qt is about to follow is left alone. The status
// stays on the reply, so the request fails as a response, not as a
// transport error. True when the reply was ended.
bool abortFailedResponse(QNetworkReply* reply)
{
    const std::optional<int> status = httpStatus(reply);
    if (!status || HttpOutcome::isSuccessStatus(status))
        return false;
    if (*status >= 300 && *status <= 399 &&
        reply->attribute(QNetworkRequest::RedirectionTargetAttribute).isValid())
        return false;
    reply->abort();
    return true;
}

// A response whose status is outside 200 to 299 is a response, not a
// transport error, even though Qt flags it as an error too.
void classify(const QNetworkReply* reply, HttpOutcome& outcome)
{
    outcome.statusCode = httpStatus(reply);
    if (outcome.statusCode && !HttpOutcome::isSuccessStatus(outcome.statusCode))
        return;
    if (reply->error() != QNetworkReply::NoError) {
        outcome.transportError = networkError(reply);
        outcome.statusCode.reset();
    }
}

// Whether fewer body bytes arrived than the response announced. Qt 6.4 has
// been seen to finish a reply without an error when the server closed the
// connection early, so a cut-off body is caught here, not left to Qt. A
// content-encoded body is announced compressed and arrives decoded: its
// length says nothing then.
bool bodyIsShort(const QNetworkReply* reply, qint64 received)
{
    if (!reply->rawHeader("Content-Encoding").isEmpty())
        return false;
    bool announced = false;
    const qint64 length = reply->header(QNetworkRequest::ContentLengthHeader).toLongLong(&announced);
    return announced && received < length;
}

// A successful response whose body stopped short becomes a lost connection.
void failIfCutOff(const QNetworkReply* reply, qint64 received, HttpOutcome& outcome)
{
    if (!outcome.succeeded() || !bodyIsShort(reply, received))
        return;
    outcome.transportError = Error{QStringLiteral("Network"), qint64(QNetworkReply::RemoteHostClosedError),
                                   QStringLiteral("The network connection was lost.")};
    outcome.statusCode.reset();
}

} // namespace

UrlSession::UrlSession(QObject* parent) : QObject(parent), m_worker(new SessionWorker)
{
    m_thread.setObjectName(QStringLiteral("UrlSession"));
    m_worker->moveToThread(&m_thread);
    connect(&m_thread, &QThread::finished, m_worker, &QObject::deleteLater);
    m_thread.start();
}

UrlSession::~UrlSession()
{
    stop();
}

void UrlSession::stop()
{
    m_thread.quit();
    m_thread.wait();
}

QNetworkRequest UrlSession::uncachedRequest(const QUrl& url, int timeoutSeconds)
{
    QNetworkRequest request(url);
    request.setAttribute(QNetworkRequest::CacheLoadControlAttribute, QNetworkRequest::AlwaysNetwork);
    request.setAttribute(QNetworkRequest::CacheSaveControlAttribute, false);
    request.setRawHeader("Cache-Control", "no-cache, no-store");
    request.setTransferTimeout(timeoutSeconds * 1000);
    return request;
}

void UrlSession::dataTask(QNetworkRequest request, qint64 maximumBodyBytes, DataCompletion completion)
{
    auto* worker = static_cast<SessionWorker*>(m_worker);
    QMetaObject::invokeMethod(
        worker,
        [worker, request = std::move(request), maximumBodyBytes, completion = std::move(completion)] {
            QNetworkReply* reply = worker->manager().get(request);
            auto response = std::make_shared<HttpResponse>();
            QObject::connect(reply, &QIODevice::readyRead, reply, [reply, response, maximumBodyBytes] {
                if (response->bodyTooLarge || abortFailedResponse(reply))
                    return;
                if (response->body.size() + reply->bytesAvailable() > maximumBodyBytes) {
                    response->bodyTooLarge = true;
                    response->body.clear();
                    reply->abort();
                    return;
                }
                response->body.append(reply->readAll());
            });
            QObject::connect(reply, &QNetworkReply::finished, reply, [reply, response, completion] {
                if (!response->bodyTooLarge) {
                    response->body.append(reply->readAll());
                    classify(reply, *response);
                    failIfCutOff(reply, response->body.size(), *response);
                }
                completion(std::move(*response));
            });
        },
        Qt::QueuedConnection);
}

void UrlSession::downloadTask(QNetworkRequest request, QString destination, DownloadCompletion completion)
{
    auto* worker = static_cast<SessionWorker*>(m_worker);
    QMetaObject::invokeMethod(
        worker,
        [worker, request = std::move(request), destination = std::move(destination),
         completion = std::move(completion)] {
            QNetworkReply* reply = worker->manager().get(request);
            reply->setReadBufferSize(readBufferBytes);

            struct Transfer
            {
                QFile file;
                BackgroundSha256 digest;
                qint64 received = 0;
                std::optional<Error> writeError;
            };
            auto transfer = std::make_shared<Transfer>();
            transfer->file.setFileName(destination + QStringLiteral(".partial"));

            auto drain = [reply, transfer] {
                if (transfer->writeError)
                    return;
                if (!transfer->file.isOpen() &&
                    !transfer->file.open(QIODevice::WriteOnly | QIODevice::Truncate |
                                         QIODevice::Unbuffered)) {
                    transfer->writeError = Error::file(transfer->file);
                    reply->abort();
                    return;
                }
                for (;;) {
                    QByteArray chunk = reply->read(readBufferBytes);
                    if (chunk.isEmpty())
                        return;
                    if (transfer->file.write(chunk) != chunk.size()) {
                        transfer->writeError = Error::file(transfer->file);
                        reply->abort();
                        return;
                    }
                    transfer->received += chunk.size();
                    // The same bytes that went to disk, shared, not copied.
                    transfer->digest.update(std::move(chunk));
                }
            };
            QObject::connect(reply, &QIODevice::readyRead, reply, [reply, drain] {
                // Bodies of failed responses are not worth a file.
                if (HttpOutcome::isSuccessStatus(httpStatus(reply)))
                    drain();
                else
                    abortFailedResponse(reply);
            });
            QObject::connect(
                reply, &QNetworkReply::finished, reply, [reply, transfer, destination, completion, drain] {
                    DownloadResponse response;
                    classify(reply, response);
                    if (response.succeeded())
                        drain();
                    if (transfer->writeError) {
                        response.transportError = transfer->writeError;
                        response.statusCode.reset();
                    }
                    failIfCutOff(reply, transfer->received, response);
                    const bool keep = response.succeeded();
                    if (keep && !transfer->file.isOpen()) // an empty body still makes a file
                        transfer->file.open(QIODevice::WriteOnly | QIODevice::Truncate);
                    if (keep && !transfer->file.flush())
                        response.transportError = Error::file(transfer->file);
                    transfer->file.close();
                    if (keep && !response.transportError) {
                        QFile::remove(destination);
                        if (QFile::rename(transfer->file.fileName(), destination)) {
                            response.file = destination;
                            response.sha256 = transfer->digest.finalHex();
                        } else {
                            response.transportError =
                                Error::file(QFileDevice::RenameError,
                                            QStringLiteral("The downloaded file could not be moved."));
                        }
                    }
                    if (response.file.isEmpty())
                        QFile::remove(transfer->file.fileName());
                    completion(std::move(response));
                });
        },
        Qt::QueuedConnection);
}
