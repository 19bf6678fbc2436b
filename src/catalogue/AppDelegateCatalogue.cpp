#include "app/AppDelegate.h"
#include "catalogue/CatalogueSignature.h"
#include "catalogue/ManifestLocation.h"

#include <QLabel>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <mutex>

namespace {

// A catalogue is a few hundred kilobytes; anything past this is not one, and
// is abandoned as it arrives rather than held in memory.
constexpr qint64 maximumCatalogueBytes = 64 * 1024 * 1024;
constexpr int catalogueTimeoutSeconds = 30;
constexpr char catalogueKeyName[] = "BrenvossCatalogueKey";

// What a keyed bundle checks each catalogue against. The time is taken when
// the load starts, on the main thread, from the app's clock.
struct SignatureCheck
{
    std::optional<QByteArray> publicKey; // absent: the bundle's key is unusable
    QString edition;
    QDateTime now;
};

struct FetchedPair
{
    std::mutex mutex;
    std::optional<HttpResponse> catalogue, signature;
};

// Absent when the signature answer makes `catalogue` count.
std::optional<Error> signatureProblem(const HttpResponse& signature, const QByteArray& catalogue,
                                      const SignatureCheck& check)
{
    if (!check.publicKey) // whatever the server has, this bundle can trust none of it
        return signatureError(SignatureFault::unusableKey);
    if (signature.transportError)
        return signature.transportError;
    if (signature.statusCode == 404 || signature.statusCode == 410)
        return signatureError(SignatureFault::missing);
    if (signature.bodyTooLarge)
        return signatureError(SignatureFault::malformed);
    if (!signature.succeeded())
        return Error::brenvoss(ErrorCode::ServerResponse,
                               QStringLiteral("The server did not respond correctly."));
    return verifyCatalogueSignature(catalogue, signature.body, check.edition, check.publicKey, check.now);
}

} // namespace

QUrl AppDelegate::manifestURL() const
{
    const std::optional<QUrl> url = catalogueURL(m_environment.infoDictionary, activeEdition);
    if (!url) {
        // A packaging fault of the app itself: there is no address to fall back on.
        std::fputs("Missing manifest base URL\n", stderr);
        std::fflush(stderr);
        std::_Exit(EXIT_FAILURE);
    }
    return *url;
}

void AppDelegate::loadManifest()
{
    setBusy(true);
    statusLabel->setText(QStringLiteral("Loading the latest plugin list\u2026"));
    const QUrl url = manifestURL();
    const QNetworkRequest request = UrlSession::uncachedRequest(url, catalogueTimeoutSeconds);

    // A bundle with the vendor's key counts a catalogue only when its
    // signature verifies; one whose key is unusable counts none.
    std::optional<SignatureCheck> check;
    const InfoDictionary& info = m_environment.infoDictionary;
    if (info.contains(QLatin1String(catalogueKeyName)))
        check = SignatureCheck{cataloguePublicKey(info.value(QLatin1String(catalogueKeyName))), activeEdition,
                               m_environment.clock()};

    // The completions run on the session's thread: status checks, the
    // signature and decoding happen there, and only the outcome reaches the
    // main thread.
    using Delivery = UrlSession::Delivery<AppDelegate>;
    auto finish = [check](HttpResponse response, std::optional<HttpResponse> signature) -> Delivery {
        // An installation or uninstallation that started meanwhile owns the
        // window until it reports: the outcome then changes nothing.
        const auto fail = [](Error error) -> Delivery {
            return [error = std::move(error)](AppDelegate& delegate) {
                if (!delegate.runInProgress())
                    delegate.showError(QStringLiteral("The plugin list could not be loaded"), error);
            };
        };
        if (response.transportError)
            return fail(*response.transportError);
        if (!response.succeeded() || response.bodyTooLarge)
            return fail(Error::brenvoss(ErrorCode::ServerResponse,
                                        QStringLiteral("The server did not respond correctly.")));
        if (check) {
            if (std::optional<Error> refused = signatureProblem(*signature, response.body, *check))
                return fail(std::move(*refused));
        }
        Result<Manifest> decoded = decodeManifest(response.body);
        if (!decoded)
            return fail(decoded.error());
        return [manifest = std::move(decoded).value()](AppDelegate& delegate) {
            if (!delegate.runInProgress())
                delegate.showManifest(manifest);
        };
    };
    if (!check) {
        m_session.dataTask<AppDelegate>(request, maximumCatalogueBytes, this,
                                        [finish = std::move(finish)](HttpResponse response) {
                                            return finish(std::move(response), std::nullopt);
                                        });
        return;
    }
    // Both documents are fetched at once; whichever arrives second finishes.
    auto pair = std::make_shared<FetchedPair>();
    const auto arrive = [pair, finish = std::move(finish)](bool isSignature,
                                                           HttpResponse response) -> Delivery {
        std::unique_lock lock(pair->mutex);
        (isSignature ? pair->signature : pair->catalogue) = std::move(response);
        if (!pair->catalogue || !pair->signature)
            return {};
        lock.unlock();
        return finish(std::move(*pair->catalogue), std::move(pair->signature));
    };
    m_session.dataTask<AppDelegate>(request, maximumCatalogueBytes, this, [arrive](HttpResponse response) {
        return arrive(false, std::move(response));
    });
    m_session.dataTask<AppDelegate>(
        UrlSession::uncachedRequest(catalogueSignatureURL(url), catalogueTimeoutSeconds),
        maximumSignatureFileBytes, this,
        [arrive](HttpResponse response) { return arrive(true, std::move(response)); });
}
