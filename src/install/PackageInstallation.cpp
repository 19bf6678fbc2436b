#include "app/AppDelegate.h"
#include "app/MainQueue.h"
#include "install/AdministratorCommand.h"
#include "install/ShellCommands.h"

#include <QDir>
#include <QLabel>
#include <QThreadPool>

void AppDelegate::install(const QStringList& files, const QList<PluginComponent>& components, const QString& directory)
{
    QThreadPool::globalInstance()->start([self = QPointer<AppDelegate>(this), files, components, directory,
                                          root = m_environment.systemRoot] {
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
            if (outcome.launchError)
                return d.showError(QStringLiteral("Installation could not be started"), *outcome.launchError);
            if (outcome.status != 0) {
                const QString description =
                    outcome.errorText.isEmpty() ? QStringLiteral("Installation was cancelled.") : outcome.errorText;
                d.showError(QStringLiteral("Installation could not be completed"),
                            Error::brenvoss(outcome.status, description));
                // Packages before the failing one may be installed now: let
                // the cards say so. The record stays as it was.
                d.updateComponentStatuses();
                return;
            }
            d.recordInstalled(components);
            d.statusLabel->setText(QStringLiteral("Installation is complete."));
            d.setBusy(false);
            d.updateComponentStatuses();
            d.showMessage(QStringLiteral("The selected Brenvoss plugins were installed and updated."));
        });
    });
}
