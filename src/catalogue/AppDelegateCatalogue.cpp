#include "app/AppDelegate.h"
#include "catalogue/ManifestLocation.h"

#include <QLabel>
#include <cstdio>
#include <cstdlib>

namespace {

// A catalogue is a few hundred kilobytes; anything past this is not one, and
// is abandoned as it arrives rather than held in memory.
constexpr qint64 maximumCatalogueBytes = 64 * 1024 * 1024;
constexpr int catalogueTimeoutSeconds = 30;

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
    const QNetworkRequest request = UrlSession::uncachedRequest(manifestURL(), catalogueTimeoutSeconds);

    // The completion runs on the session's thread: status check and decoding
    // happen there, and only the outcome reaches the main thread.
    using Delivery = UrlSession::Delivery<AppDelegate>;
    m_session.dataTask<AppDelegate>(
        request, maximumCatalogueBytes, this, [](HttpResponse response) -> Delivery {
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
            Result<Manifest> decoded = decodeManifest(response.body);
            if (!decoded)
                return fail(decoded.error());
            return [manifest = std::move(decoded).value()](AppDelegate& delegate) {
                if (!delegate.runInProgress())
                    delegate.showManifest(manifest);
            };
        });
}
