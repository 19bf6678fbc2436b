#include "app/AppDelegate.h"
#include "common/MainQueue.h"
#include "install/AdministratorCommand.h"
#include "install/DownloadRequest.h"
#include "install/Sha256.h"
#include "install/ShellCommands.h"
#include "platform/DownloadFolder.h"

#include <QDir>
#include <QLabel>
#include <QThreadPool>
#include <QUuid>

namespace {

constexpr int packageTimeoutSeconds = 300;

// Texts that hold a name are put together by concatenation: a name is shown
// as written, whatever "%", "&" or markup it holds.
QString downloadFailureTitle(const PluginComponent& component)
{
    return component.name + QStringLiteral(" could not be downloaded");
}

QString downloadStatus(const PluginComponent& component, qsizetype index, qsizetype count)
{
    return QStringLiteral("Downloading ") + component.name + QStringLiteral(" (") +
           QString::number(index + 1) + QStringLiteral(" of ") + QString::number(count) +
           QStringLiteral(")\u2026");
}

// Ends a run: the download folder, with whatever it holds, is removed off the
// main thread (it may hold gigabytes), and only then is the failure reported,
// so the alert never shows while packages are still on disk.
UrlSession::Delivery<AppDelegate> failRun(const QString& directory, const PluginComponent& component,
                                          Error error)
{
    QDir(directory).removeRecursively();
    return [title = downloadFailureTitle(component), error = std::move(error)](AppDelegate& d) {
        d.showError(title, error);
    };
}

} // namespace

void AppDelegate::installSelected()
{
    const QList<PluginComponent> selection = selectedComponents();
    if (selection.isEmpty()) {
        showMessage(QStringLiteral("Select at least one plugin."));
        return;
    }
    beginRun();
    setProgressFraction(0.0);

    // Two packages of one run must never be one file: the later download
    // would replace the verified earlier one. A Mac's volume ignores case.
    QStringList slugs;
    for (const PluginComponent& component : selection)
        slugs.append(component.slug);
    if (const std::optional<qsizetype> repeated = firstRepeatedPackageName(slugs)) {
        const PluginComponent& later = selection[*repeated];
        showError(downloadFailureTitle(later),
                  Error::brenvoss(ErrorCode::InvalidPackageName,
                                  QStringLiteral("Another selected plugin has the same package name as ") +
                                      later.name + QStringLiteral(".")));
        return;
    }

    const QString directory = m_environment.temporaryDirectory + QLatin1Char('/') +
                              QLatin1String(downloadFolderPrefix) +
                              QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper();
    // Held until the run ends, so another installer's start-up leaves it be.
    Result<HeldFolder> folder = HeldFolder::create(directory);
    if (!folder) {
        showError(QStringLiteral("A temporary folder could not be created"), folder.error());
        return;
    }
    m_downloadFolderHold = std::move(folder).value();
    download(selection, 0, directory, {});
}

void AppDelegate::download(const QList<PluginComponent>& components, qsizetype index,
                           const QString& directory, const QStringList& files)
{
    const qsizetype count = components.size();
    m_downloadFolder = directory;
    if (index == count) {
        m_downloadFolder.clear(); // from here the installation step removes it
        statusLabel->setText(QStringLiteral("Installing selected plugins\u2026"));
        setProgressFraction(1.0);
        install(files, components, directory);
        return;
    }
    const PluginComponent component = components[index];
    statusLabel->setText(downloadStatus(component, index, count));
    setProgressFraction(double(index) / double(count));

    // Every failure ends the run: nothing is installed, and the folder with
    // the packages fetched so far goes with it.
    const auto failNow = [&](qint64 code, const QString& sentence) {
        QThreadPool::globalInstance()->start([self = QPointer<AppDelegate>(this), directory, component,
                                              error = Error::brenvoss(code, sentence)] {
            runOnMain(self, failRun(directory, component, error));
        });
    };
    if (!isSafePackageName(component.slug))
        return failNow(ErrorCode::InvalidPackageName, QStringLiteral("The package name of ") +
                                                          component.name + QStringLiteral(" is invalid."));
    const std::optional<QUrl> url = packageDownloadURL(component.url, component.sha256);
    if (!url)
        return failNow(ErrorCode::InvalidAddress, QStringLiteral("The download address is invalid."));

    const QString destination = directory + QLatin1Char('/') + component.slug + QStringLiteral(".pkg");
    m_session.downloadTask<AppDelegate>(
        UrlSession::uncachedRequest(*url, packageTimeoutSeconds), destination, this,
        [components, index, directory, files, component,
         destination](DownloadResponse response) -> UrlSession::Delivery<AppDelegate> {
            // On the session's thread: nothing here touches the window.
            const auto fail = [&](Error error) { return failRun(directory, component, std::move(error)); };
            if (response.transportError)
                return fail(*response.transportError);
            if (!response.succeeded() || response.file.isEmpty())
                return fail(
                    Error::brenvoss(ErrorCode::DownloadFailed, QStringLiteral("The download failed.")));
            if (!digestsMatch(response.sha256, component.sha256))
                return fail(Error::brenvoss(ErrorCode::SecurityCheck,
                                            QStringLiteral("The security check for ") + component.name +
                                                QStringLiteral(" failed.")));
            return [components, index, directory, files = files + QStringList{destination}](AppDelegate& d) {
                d.download(components, index + 1, directory, files);
            };
        });
}

void AppDelegate::install(const QStringList& files, const QList<PluginComponent>& components,
                          const QString& directory)
{
    QThreadPool::globalInstance()->start(
        [self = QPointer<AppDelegate>(this), files, components, directory, root = m_environment.systemRoot] {
            if (self.isNull()) {
                QDir(directory).removeRecursively();
                return;
            }
            QList<VerifiedPackage> packages;
            for (qsizetype i = 0; i < files.size() && i < components.size(); ++i)
                packages.append(VerifiedPackage{files[i], components[i].sha256, components[i].name});
            const AdministratorOutcome outcome =
                runAdministratorShellCommand(installCommandLine(packages, root), root);
            // No package outlives the run, whether the installer ran or not.
            QDir(directory).removeRecursively();
            runOnMain(self, [outcome, components](AppDelegate& d) {
                d.reportRunOutcome(AppDelegate::AdministratorRun::installation, outcome, components);
            });
        });
}
