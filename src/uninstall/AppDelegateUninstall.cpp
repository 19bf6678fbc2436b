#include "app/AppDelegate.h"
#include "common/MainQueue.h"
#include "install/AdministratorCommand.h"
#include "uninstall/Discovery.h"
#include "uninstall/PackageReceipts.h"
#include "uninstall/RemovalCommand.h"

#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QThreadPool>

namespace {

void report(const QPointer<AppDelegate>& self, const AdministratorOutcome& outcome,
            const QList<PluginComponent>& components)
{
    runOnMain(self, [outcome, components](AppDelegate& d) {
        if (outcome.launchError)
            return d.showError(QStringLiteral("Uninstallation could not be started"), *outcome.launchError);
        if (outcome.status != 0) {
            const QString description = outcome.errorText.isEmpty()
                                            ? QStringLiteral("Uninstallation was cancelled.")
                                            : outcome.errorText;
            d.showError(QStringLiteral("Uninstallation could not be completed"),
                        Error::brenvoss(outcome.status, description));
            // Bundles deleted before the failing one are gone: show what is
            // still installed. The record stays as it was.
            d.updateComponentStatuses();
            return;
        }
        d.removeInstalledRecords(components);
        d.statusLabel->setText(QStringLiteral("Uninstallation is complete."));
        d.updateComponentStatuses();
        d.setBusy(false);
        d.showMessage(QStringLiteral("The selected Brenvoss plugins were uninstalled."));
    });
}

// Finds the bundles and receipts of `components` and removes them, on a
// background thread: pkgutil and the administrator command block it. Reports
// on the main thread.
void discoverAndRemove(const QPointer<AppDelegate>& self, const QList<PluginComponent>& components,
                       const SystemRoot& root)
{
    const InstalledFiles found =
        discoverInstalledFiles(components, [&root](const QString& id) { return packageFiles(id, root); });
    if (found.roots.isEmpty()) {
        runOnMain(self, [](AppDelegate& d) {
            d.setBusy(false);
            d.showMessage(QStringLiteral("No installed files were found for the selected plugins."));
        });
        return;
    }
    // Deletes the bundles and forgets the receipts under one administrator
    // authorisation.
    report(self, runAdministratorShellCommand(removalCommandLine(found.roots, found.receipts, root), root),
           components);
}

} // namespace

void AppDelegate::uninstallSelected()
{
    const QList<PluginComponent> selection = selectedComponents();
    if (selection.isEmpty()) {
        showMessage(QStringLiteral("Select at least one plugin."));
        return;
    }
    const qsizetype n = selection.size();
    // Application-modal, like a modal alert, but continued from its
    // finished() signal rather than a nested event loop.
    auto* confirmation = new QMessageBox(window.get());
    confirmation->setObjectName(QStringLiteral("uninstallConfirmation"));
    confirmation->setAttribute(Qt::WA_DeleteOnClose);
    confirmation->setWindowModality(Qt::ApplicationModal);
    confirmation->setIcon(QMessageBox::Warning);
    confirmation->setText(QStringLiteral("Uninstall %1 selected plugin%2?")
                              .arg(QString::number(n), n == 1 ? QString() : QStringLiteral("s")));
    confirmation->setInformativeText(
        QStringLiteral("Close Pro Tools and all other audio applications first. "
                       "AU, VST3 and AAX files for the selected plugins will be removed."));
    QPushButton* uninstall =
        confirmation->addButton(QStringLiteral("Uninstall selected"), QMessageBox::AcceptRole);
    QPushButton* cancel = confirmation->addButton(QStringLiteral("Cancel"), QMessageBox::RejectRole);
    confirmation->setDefaultButton(uninstall);
    confirmation->setEscapeButton(cancel);
    connect(confirmation, &QMessageBox::finished, this, [this, confirmation, uninstall, selection] {
        if (confirmation->clickedButton() != uninstall)
            return;
        beginRun();
        statusLabel->setText(QStringLiteral("Finding installed plugin files\u2026"));
        QThreadPool::globalInstance()->start(
            [self = QPointer<AppDelegate>(this), selection, root = m_environment.systemRoot] {
                if (self.isNull())
                    return;
                discoverAndRemove(self, selection, root);
            });
    });
    // show(), not open(): open() would make it window-modal.
    confirmation->show();
}
