#include "app/AppDelegate.h"
#include "common/ApplicationName.h"
#include "ui/Alert.h"
#include "update/InstallerRelease.h"

#include <QDesktopServices>
#include <QLabel>
#include <QPushButton>

namespace {

constexpr int releaseTimeoutSeconds = 20;
// The release document is a few hundred bytes; more is not one.
constexpr qint64 maximumReleaseBytes = 1024 * 1024;

} // namespace

std::optional<QString> AppDelegate::ownVersion() const
{
    return infoString(m_environment.infoDictionary, QStringLiteral("CFBundleShortVersionString"));
}

void AppDelegate::checkInstallerVersion()
{
    // Without a version of its own, any release is newer.
    const QString ownVersion = this->ownVersion().value_or(QStringLiteral("0"));
    m_session.dataTask<AppDelegate>(
        UrlSession::uncachedRequest(m_environment.installerReleaseURL, releaseTimeoutSeconds),
        maximumReleaseBytes, this, [ownVersion](HttpResponse response) -> UrlSession::Delivery<AppDelegate> {
            // Every failure is silent and changes nothing.
            if (!response.succeeded() || response.bodyTooLarge)
                return {};
            Result<InstallerRelease> release = decodeInstallerRelease(response.body);
            if (!release)
                return {};
            const bool available = isUpdateAvailable(ownVersion, release.value());
            return [release = std::move(release).value(), available, ownVersion](AppDelegate& d) {
                d.showInstallerRelease(release, available, ownVersion);
            };
        });
}

void AppDelegate::showInstallerRelease(const InstallerRelease& release, bool updateAvailable,
                                       const QString& ownVersion)
{
    availableInstallerURL = installerBuild(release, activeEdition);
    installerUpdateButton->setVisible(updateAvailable);
    versionLabel->setText(updateAvailable
                              ? QStringLiteral("%1 %2  \u2022  Version %3 available")
                                    .arg(applicationName, ownVersion, release.version)
                              : QStringLiteral("%1 %2  \u2022  Up to date").arg(applicationName, ownVersion));
    if (!updateAvailable || promptedInstallerVersion == release.version)
        return;
    promptedInstallerVersion = release.version;

    const Alert prompt{
        .objectName = QStringLiteral("installerUpdatePrompt"),
        .icon = QMessageBox::Information,
        .message = QStringLiteral("A new Brenvoss Installer is ready"),
        .informative = QString(applicationName) + QLatin1Char(' ') + release.version +
                       QStringLiteral(" is available. Update now to get the latest "
                                      "plug-in update checks and installer improvements."),
        .buttons = {QStringLiteral("DOWNLOAD UPDATE"), QStringLiteral("LATER")},
    };
    openAlert(window.get(), prompt, [this, release](qsizetype button) {
        if (button == 0)
            QDesktopServices::openUrl(installerBuild(release, activeEdition));
    });
}

void AppDelegate::openInstallerUpdate()
{
    if (availableInstallerURL)
        QDesktopServices::openUrl(*availableInstallerURL);
}
