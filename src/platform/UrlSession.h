#pragma once

#include "common/Error.h"
#include "common/MainQueue.h"

#include <QByteArray>
#include <QNetworkRequest>
#include <QObject>
#include <QThread>
#include <functional>
#include <optional>
#include <type_traits>

// What every finished request hands its completion. A transport error
// (refused connection, TLS failure, time-out, a connection dropped mid-body)
// means no usable response; otherwise `statusCode` is the HTTP status.
struct HttpOutcome
{
    std::optional<Error> transportError;
    std::optional<int> statusCode;

    // A response arrived, with a status from 200 to 299.
    bool succeeded() const { return !transportError && isSuccessStatus(statusCode); }
    static bool isSuccessStatus(std::optional<int> status)
    {
        return status && *status >= 200 && *status <= 299;
    }
};

struct HttpResponse : HttpOutcome
{
    QByteArray body;
    bool bodyTooLarge = false; // the body passed the caller's limit and was abandoned
};

struct DownloadResponse : HttpOutcome
{
    QString file;   // where the body now is; empty when no file was kept
    QString sha256; // digest of the bytes written to `file`, lower-case hex
};

// The app's one HTTP client. Requests run on the session's own thread, with
// one QNetworkAccessManager, and so do their completions: like a URL session's
// callback queue, never the main thread. Redirects are followed only when they
// are no less safe (never https to http); TLS errors are never ignored.
class UrlSession : public QObject
{
    Q_OBJECT
public:
    explicit UrlSession(QObject* parent = nullptr);
    ~UrlSession() override;

    // Abandons every request in flight and ends the session's thread; no
    // completion runs afterwards. The destructor does the same.
    void stop();

    using DataCompletion = std::function<void(HttpResponse)>;
    using DownloadCompletion = std::function<void(DownloadResponse)>;

    // Collects the body in memory, abandoning it past `maximumBodyBytes`.
    void dataTask(QNetworkRequest request, qint64 maximumBodyBytes, DataCompletion completion);

    // Streams the body to `destination` through a bounded buffer, hashing it
    // with SHA-256 as it is written. A body that is not kept (transport error,
    // or a status outside 200 to 299) leaves no file behind; a failed status
    // ends the transfer as soon as it is known.
    void downloadTask(QNetworkRequest request, QString destination, DownloadCompletion completion);

    // What a completion hands to a caller on the main thread.
    template <typename Caller> using Delivery = std::function<void(Caller&)>;

    // The same tasks for a caller on the main thread. The completion still
    // runs on the session's thread, where the response is checked, decoded
    // or hashed; it never runs once `caller` has gone. What it returns, if
    // anything, runs on the main thread with the caller, and only while the
    // caller still exists. So no caller repeats the guard or the hop.
    template <typename Caller>
    void dataTask(QNetworkRequest request, qint64 maximumBodyBytes, Caller* caller,
                  std::type_identity_t<std::function<Delivery<Caller>(HttpResponse)>> completion)
    {
        dataTask(std::move(request), maximumBodyBytes, deliverTo(caller, std::move(completion)));
    }
    template <typename Caller>
    void downloadTask(QNetworkRequest request, QString destination, Caller* caller,
                      std::type_identity_t<std::function<Delivery<Caller>(DownloadResponse)>> completion)
    {
        downloadTask(std::move(request), std::move(destination), deliverTo(caller, std::move(completion)));
    }

    // A request with the app's cache rules: always from the network, nothing
    // stored, "Cache-Control: no-cache, no-store", and the given time-out.
    static QNetworkRequest uncachedRequest(const QUrl& url, int timeoutSeconds);

private:
    template <typename Caller, typename Response>
    static std::function<void(Response)> deliverTo(Caller* caller,
                                                   std::function<Delivery<Caller>(Response)> completion)
    {
        return [caller = QPointer<Caller>(caller), completion = std::move(completion)](Response response) {
            if (caller.isNull())
                return;
            if (Delivery<Caller> delivery = completion(std::move(response)))
                runOnMain(caller, std::move(delivery));
        };
    }

    QThread m_thread;
    QObject* m_worker; // lives in m_thread; owns the QNetworkAccessManager
};
